#include "ini/color_text.h"

#include "ini/ansi_text.h"
#include "ini/value_text.h"

#include <array>
#include <cstdio>

namespace {

struct TColorName {
    TColor Color;
    const char* Name;
};

constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index));
}

// The names a settings file may hold; the system colours follow the order of
// their indexes.
constexpr std::array<TColorName, 42> kColorNames{{
    {clBlack, "clBlack"},
    {0x000080, "clMaroon"},
    {0x008000, "clGreen"},
    {0x008080, "clOlive"},
    {0x800000, "clNavy"},
    {0x800080, "clPurple"},
    {0x808000, "clTeal"},
    {0x808080, "clGray"},
    {0xC0C0C0, "clSilver"},
    {clRed, "clRed"},
    {0x00FF00, "clLime"},
    {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"},
    {0xFF00FF, "clFuchsia"},
    {0xFFFF00, "clAqua"},
    {clWhite, "clWhite"},
    {SystemColor(0), "clScrollBar"},
    {SystemColor(1), "clBackground"},
    {SystemColor(2), "clActiveCaption"},
    {SystemColor(3), "clInactiveCaption"},
    {SystemColor(4), "clMenu"},
    {SystemColor(5), "clWindow"},
    {SystemColor(6), "clWindowFrame"},
    {SystemColor(7), "clMenuText"},
    {SystemColor(8), "clWindowText"},
    {SystemColor(9), "clCaptionText"},
    {SystemColor(10), "clActiveBorder"},
    {SystemColor(11), "clInactiveBorder"},
    {SystemColor(12), "clAppWorkSpace"},
    {SystemColor(13), "clHighlight"},
    {SystemColor(14), "clHighlightText"},
    {SystemColor(15), "clBtnFace"},
    {SystemColor(16), "clBtnShadow"},
    {SystemColor(17), "clGrayText"},
    {SystemColor(18), "clBtnText"},
    {SystemColor(19), "clInactiveCaptionText"},
    {SystemColor(20), "clBtnHighlight"},
    {SystemColor(21), "cl3DDkShadow"},
    {SystemColor(22), "cl3DLight"},
    {SystemColor(23), "clInfoText"},
    {SystemColor(24), "clInfoBk"},
    {clNone, "clNone"},
}};

} // namespace

std::string ColorToString(TColor color) {
    for (const TColorName& entry : kColorNames)
        if (entry.Color == color)
            return entry.Name;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "$%.8X", static_cast<unsigned>(color));
    return buffer;
}

std::optional<TColor> IdentToColor(std::string_view text) {
    for (const TColorName& entry : kColorNames)
        if (AnsiSameText(text, entry.Name))
            return entry.Color;
    return std::nullopt;
}

std::optional<TColor> TryStringToColor(std::string_view text) {
    if (std::optional<TColor> color = IdentToColor(text))
        return color;
    return TryStrToInt(text);
}

TColor StringToColor(std::string_view text) {
    if (std::optional<TColor> color = IdentToColor(text))
        return *color;
    return StrToInt(text); // its error names the text
}
