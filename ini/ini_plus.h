#pragma once

#include "ini/cached_ini_file_ex.h"
#include "ini/ini_font.h"
#include "ini/win_pos.h"

// The settings file class of the program: TCachedIniFileEx plus text forms of
// a font and of a window position, and typed reads and writes of them.
//
// Font text: name "," size "," four style digits "," colour, the digits "1" or
// "0" for bold, italic, underline, strike-out, the colour as ColorToString
// writes it: "Arial,10,1000,clRed" is a bold 10-point red Arial.
// Window position text: left "," top "," width "," height, decimal.
class TIniPlus : public TCachedIniFileEx {
public:
    // Loads the file. The name is taken whole: paths here may be longer than
    // the 255 bytes of other names, and a cut path would name another file.
    using TCachedIniFileEx::TCachedIniFileEx;

    static std::string FontToString(const TIniFont& font);
    // Applies the text field by field: the name and the size are set before a
    // later field can fail. Throws EConvertError for a text without the
    // commas, with a style field other than four characters, a size that is
    // not an integer, or an unknown colour. A style character other than "1"
    // leaves that style off.
    static void StringToFont(std::string_view text, TIniFont& font);

    static std::string WinPosToString(const TWinPos& pos);
    // Applies left, top, width, height in order; throws EConvertError at the
    // first missing comma or non-integer, with the earlier fields applied.
    static void StringToWinPos(std::string_view text, TWinPos& pos);

    void WriteFont(std::string_view section, std::string_view key, const TIniFont& font);
    // The stored font, or `defaultFont` when the key is missing or its text
    // does not convert.
    void ReadFont(std::string_view section, std::string_view key, TIniFont& font,
                  const TIniFont& defaultFont) const;

    void WriteWinPos(std::string_view section, std::string_view key, const TWinPos& pos);
    // Applies the stored position; on a text that does not convert, the fields
    // before the failing one are applied and the rest keep their values.
    void ReadWinPos(std::string_view section, std::string_view key, TWinPos& pos) const;
};
