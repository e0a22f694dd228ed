#include "ini/ini_plus.h"

#include "ini/convert_error.h"
#include "ini/value_text.h"

namespace {

constexpr std::size_t kStyleFieldLength = 4;
constexpr const char* kFontError = "Invalid string to font conversion";
constexpr const char* kWinPosError = "Invalid string to winpos conversion";

// The text before the next comma, removed from `text` with that comma.
std::string_view TakeField(std::string_view& text, const char* error) {
    std::size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        throw EConvertError(error);
    std::string_view field = text.substr(0, comma);
    text.remove_prefix(comma + 1);
    return field;
}

const char* Digit(bool on) {
    return on ? "1" : "0";
}

} // namespace

std::string TIniPlus::FontToString(const TIniFont& font) {
    return font.Name + "," + std::to_string(font.Size) + "," + Digit(font.Bold) +
           Digit(font.Italic) + Digit(font.Underline) + Digit(font.StrikeOut) + "," +
           ColorToString(font.Color);
}

void TIniPlus::StringToFont(std::string_view text, TIniFont& font) {
    font.Name = std::string(TakeField(text, kFontError));
    font.Size = StrToInt(TakeField(text, kFontError));
    std::string_view style = TakeField(text, kFontError);
    if (style.size() != kStyleFieldLength)
        throw EConvertError(kFontError);
    font.Bold = style[0] == '1';
    font.Italic = style[1] == '1';
    font.Underline = style[2] == '1';
    font.StrikeOut = style[3] == '1';
    font.Color = StringToColor(text);
}

std::string TIniPlus::WinPosToString(const TWinPos& pos) {
    return std::to_string(pos.Left) + "," + std::to_string(pos.Top) + "," +
           std::to_string(pos.Width) + "," + std::to_string(pos.Height);
}

void TIniPlus::StringToWinPos(std::string_view text, TWinPos& pos) {
    pos.Left = StrToInt(TakeField(text, kWinPosError));
    pos.Top = StrToInt(TakeField(text, kWinPosError));
    pos.Width = StrToInt(TakeField(text, kWinPosError));
    pos.Height = StrToInt(text);
}

void TIniPlus::WriteFont(std::string_view section, std::string_view key, const TIniFont& font) {
    WriteString(section, key, FontToString(font));
}

void TIniPlus::ReadFont(std::string_view section, std::string_view key, TIniFont& font,
                        const TIniFont& defaultFont) const {
    TIniFont fallback = defaultFont; // `font` and `defaultFont` may be one object
    try {
        StringToFont(ReadString(section, key, FontToString(fallback)), font);
    } catch (const EConvertError&) {
        font = fallback;
    }
}

void TIniPlus::WriteWinPos(std::string_view section, std::string_view key, const TWinPos& pos) {
    WriteString(section, key, WinPosToString(pos));
}

void TIniPlus::ReadWinPos(std::string_view section, std::string_view key, TWinPos& pos) const {
    try {
        StringToWinPos(ReadString(section, key, WinPosToString(pos)), pos);
    } catch (const EConvertError&) {
        // Fields before the bad one stay applied, as with a hand-edited value.
    }
}
