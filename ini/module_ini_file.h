#pragma once

#include "ini/cached_ini_file_ex.h"

// The INI file of the executable or shared library that contains this code,
// named and placed like TProgramIniFile's (see IniFileNameFor). Linked into
// the program itself it is the program's file. File names are case-sensitive
// here, so the path the loader reports is already spelt as on disk.
class TModuleIniFile : public TCachedIniFileEx {
public:
    TModuleIniFile();
};
