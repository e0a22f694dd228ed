#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Helpers for the 8-bit Windows-1252 text that INI files hold: letter-case
// folding for names and keys, and the short-string limit every name, value and
// line passes through.

// Longest section name, key, value or line the engine keeps; longer text is cut.
inline constexpr std::size_t kShortStringMax = 255;

// Lower-case counterpart of a Windows-1252 byte (ASCII, Latin-1 letters and the
// four extra letter pairs of the code page); other bytes are returned as they are.
char AnsiLower(char c);

// Case-insensitive equality under AnsiLower.
bool AnsiSameText(std::string_view a, std::string_view b);

// The text with every byte passed through AnsiLower; used as a lookup key.
std::string AnsiLowerCase(std::string_view text);

// The text as a short string (as a view into `text`): cut before the first CR or LF (a line break
// would split the stored line and let a value inject sections), then to kShortStringMax bytes.
std::string_view ShortView(std::string_view text);
inline std::string ShortString(std::string_view text) {
    return std::string(ShortView(text));
}
