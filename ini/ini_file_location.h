#pragma once

#include <string>
#include <string_view>

// Where TProgramIniFile and TModuleIniFile keep their file.

// The path with its extension replaced, or `extension` appended when the file
// name has none ("/opt/quorvik/quorvik" -> "/opt/quorvik/quorvik.ini").
std::string ChangeFileExt(const std::string& path, std::string_view extension);

// The INI file of a binary: its path with the extension ".ini", beside the
// binary when that folder is writable (a portable installation), otherwise the
// same file name in the per-user folder $XDG_CONFIG_HOME/Vendrix/ (by default
// ~/.config/Vendrix/). That folder is created when it is chosen, so that a
// later flush can create the file; a failure to create it shows up there.
std::string IniFileNameFor(const std::string& binaryPath);

// The running program's executable (/proc/self/exe resolved).
std::string RunningProgramPath();

// The executable or shared library that holds the code at `address`.
std::string ModulePathOf(const void* address);
