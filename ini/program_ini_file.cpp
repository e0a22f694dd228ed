#include "ini/program_ini_file.h"

#include "ini/ini_file_location.h"

TProgramIniFile::TProgramIniFile() : TCachedIniFileEx(IniFileNameFor(RunningProgramPath())) {}
