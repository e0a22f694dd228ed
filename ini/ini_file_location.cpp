#include "ini/ini_file_location.h"

#include <cstdlib>
#include <filesystem>

#include <dlfcn.h>
#include <link.h>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr std::string_view kIniExtension = ".ini";
constexpr std::string_view kVendorFolder = "Vendrix";

std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "/";
}

std::filesystem::path UserConfigFolder() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    // Relative values are invalid by the XDG rules and are ignored.
    if (configHome && configHome[0] == '/')
        return std::filesystem::path(configHome) / kVendorFolder;
    return HomeFolder() / ".config" / kVendorFolder;
}

} // namespace

std::string ChangeFileExt(const std::string& path, std::string_view extension) {
    return std::filesystem::path(path).replace_extension(extension).string();
}

std::string IniFileNameFor(const std::string& binaryPath) {
    std::filesystem::path iniPath = ChangeFileExt(binaryPath, kIniExtension);
    std::filesystem::path folder = iniPath.parent_path();
    if (::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0)
        return iniPath.string();
    std::filesystem::path userFolder = UserConfigFolder();
    std::error_code ignored;
    std::filesystem::create_directories(userFolder, ignored);
    return (userFolder / iniPath.filename()).string();
}

std::string RunningProgramPath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::string ModulePathOf(const void* address) {
    Dl_info info{};
    link_map* module = nullptr;
    if (::dladdr1(address, &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) == 0 ||
        !module)
        return RunningProgramPath();
    // The main program's entry has an empty name; its path comes from /proc.
    if (!module->l_name || !*module->l_name)
        return RunningProgramPath();
    return module->l_name;
}
