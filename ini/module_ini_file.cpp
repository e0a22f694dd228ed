#include "ini/module_ini_file.h"

#include "ini/ini_file_location.h"

namespace {

// Any address inside this library names the module that holds it.
void ModuleMarker() {}

} // namespace

TModuleIniFile::TModuleIniFile()
    : TCachedIniFileEx(IniFileNameFor(ModulePathOf(reinterpret_cast<const void*>(&ModuleMarker)))) {
}
