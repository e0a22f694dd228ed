#include "temp_folder.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <stdlib.h>

TTempFolder::TTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvik-ini-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    FPath = pattern;
}

TTempFolder::~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
}

std::string TTempFolder::Put(const std::string& name, const std::string& content) const {
    std::string path = File(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}
