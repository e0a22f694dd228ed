#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A colour as settings files store it: 0x00BBGGRR for a plain colour, or one of
// the symbolic values below (system colours have the top bit set; they are
// resolved by the user interface, not here).
using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000008);
inline constexpr TColor clNone = 0x1FFFFFFF;

// The symbolic name ("clRed", "clBtnFace", "clNone") of a colour that has one,
// else "$" and eight upper-case hexadecimal digits ("$00123456").
std::string ColorToString(TColor color);

// A symbolic name (any letter case) or an integer text as StrToInt reads it;
// nothing for any other text.
std::optional<TColor> TryStringToColor(std::string_view text);
// The same, throwing EConvertError for any other text.
TColor StringToColor(std::string_view text);

// The colour of a symbolic name, if the text is one.
std::optional<TColor> IdentToColor(std::string_view text);
