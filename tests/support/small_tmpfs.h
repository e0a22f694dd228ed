#pragma once

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

namespace testsupport {

// A file system of `bytes` of its own in a fresh folder, for the full disk
// itself; it needs the right to mount (root outside a restricted container),
// and Mounted() is false without it. Unmounted and removed with the object.
class TSmallTmpfs {
public:
    explicit TSmallTmpfs(std::size_t bytes) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quorvik-tmpfs-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return;
        FPath = pattern;
        const std::string options = "size=" + std::to_string(bytes);
        FMounted =
            ::mount("tmpfs", FPath.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    }
    ~TSmallTmpfs() {
        if (FMounted)
            ::umount2(FPath.c_str(), MNT_DETACH);
        if (!FPath.empty())
            ::rmdir(FPath.c_str());
    }
    TSmallTmpfs(const TSmallTmpfs&) = delete;
    TSmallTmpfs& operator=(const TSmallTmpfs&) = delete;

    bool Mounted() const { return FMounted; }
    const std::string& Path() const { return FPath; }

    // Fills what is left with one file, so that any write that needs one more
    // block fails with ENOSPC.
    void Fill() const {
        const int fd = ::open((FPath + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return;
        const char block[4096] = {};
        while (::write(fd, block, sizeof block) > 0) {
        }
        ::close(fd);
    }

private:
    std::string FPath;
    bool FMounted = false;
};

} // namespace testsupport
