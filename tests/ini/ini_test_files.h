#pragma once

#include "ini/ini_plus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include <stdlib.h>

inline void PrintTo(const TIniFont& font, std::ostream* os) {
    *os << TIniPlus::FontToString(font);
}
inline void PrintTo(const TWinPos& pos, std::ostream* os) {
    *os << TIniPlus::WinPosToString(pos);
}

// A model parsed from memory and bound to no file.
struct TLoadedIni : TIniPlus {
    explicit TLoadedIni(std::string_view text) : TIniPlus("") { AppendFromText(text); }
};

// A fresh folder under the system's temporary folder, removed with its content
// at the end of the test; tests run in parallel, so each gets its own.
class TTempFolder {
public:
    TTempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quorvik-ini-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        FPath = pattern;
    }
    ~TTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }
    // Writes `content` to the file `name` in this folder and returns its path.
    std::string Put(const std::string& name, const std::string& content) const {
        std::ofstream(File(name), std::ios::binary) << content;
        return File(name);
    }

private:
    std::string FPath;
};

// The whole content of a file; empty when it cannot be read.
inline std::string ReadWholeFile(const std::string& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}
