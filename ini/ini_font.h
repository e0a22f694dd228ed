#pragma once

#include "ini/color_text.h"

#include <string>

// A font as settings files store it; the user interface converts it to and
// from its own font and colour types.
struct TIniFont {
    std::string Name;
    int Size = 0; // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    TColor Color = clWindowText;

    bool operator==(const TIniFont&) const = default;
};
