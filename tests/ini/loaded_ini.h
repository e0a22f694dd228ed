#pragma once

#include "ini/ini_plus.h"

#include <string_view>

// A model parsed from memory and bound to no file, for the many tests that
// need no file at all.
struct TLoadedIni : TIniPlus {
    explicit TLoadedIni(std::string_view text) : TIniPlus("") { AppendFromText(text); }
};
