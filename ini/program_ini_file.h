#pragma once

#include "ini/cached_ini_file_ex.h"

// The INI file of the running program: the executable's path with the
// extension ".ini", beside the executable when its folder is writable, else in
// $XDG_CONFIG_HOME/Vendrix/ (see IniFileNameFor). Loaded on construction.
class TProgramIniFile : public TCachedIniFileEx {
public:
    TProgramIniFile();
};
