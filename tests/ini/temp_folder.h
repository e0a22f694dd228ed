#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with its content
// at the end of the test; tests run in parallel, so each gets its own.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();

    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }

    // Writes `content` to the file `name` in this folder and returns its path.
    std::string Put(const std::string& name, const std::string& content) const;

private:
    std::string FPath;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
