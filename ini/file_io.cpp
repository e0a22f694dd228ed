#include "ini/file_io.h"

#include "ini/in_out_error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kNewFileMode = 0666;
constexpr int kTempNameAttempts = 16;

[[noreturn]] void ThrowIoError(const std::string& what, const std::string& path, int error) {
    throw EInOutError(what + " \"" + path + "\": " + std::strerror(error), error);
}

// A temporary file that is removed again unless Commit renamed it into place.
class TTempFile {
public:
    TTempFile(const std::string& target, mode_t mode) : FTarget(target) {
        std::filesystem::path targetPath(target);
        std::random_device random;
        for (int attempt = 0; attempt < kTempNameAttempts && FFd < 0; ++attempt) {
            std::string name(".");
            name += targetPath.filename().string();
            name += '.';
            name += std::to_string(random());
            name += ".tmp";
            FPath = (targetPath.parent_path() / name).string();
            FFd = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (FFd < 0 && errno != EEXIST)
                break;
        }
        if (FFd < 0)
            ThrowIoError("Cannot create a file beside", target, errno);
    }

    ~TTempFile() {
        if (FFd >= 0)
            ::close(FFd);
        if (!FPath.empty())
            ::unlink(FPath.c_str());
    }

    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    // open() applied the umask; a replaced file keeps its exact mode.
    void KeepMode(mode_t mode) {
        if (::fchmod(FFd, mode) != 0)
            Fail("Cannot set the permissions for");
    }

    void Write(std::string_view content) {
        while (!content.empty()) {
            ssize_t written = ::write(FFd, content.data(), std::min(content.size(), kIoBufferSize));
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                Fail("Cannot write");
            content.remove_prefix(static_cast<std::size_t>(written));
        }
    }

    void Commit() {
        if (::fsync(FFd) != 0)
            Fail("Cannot write");
        int fd = FFd;
        FFd = -1;
        if (::close(fd) != 0)
            Fail("Cannot write");
        if (::rename(FPath.c_str(), FTarget.c_str()) != 0)
            Fail("Cannot replace");
        FPath.clear();
    }

private:
    [[noreturn]] void Fail(const std::string& what) { ThrowIoError(what, FTarget, errno); }

    std::string FTarget;
    std::string FPath;
    int FFd = -1;
};

// Makes the rename itself durable; a failure here cannot undo the replacement,
// so it is not reported.
void SyncFolder(const std::string& target) {
    std::string folder = std::filesystem::path(target).parent_path().string();
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The rename needs only a writable folder, so the file's own permission is
// checked here. Root passes every permission check, so the owner's write bit
// and the owner decide for everyone: a file made read-only stays so even for
// root, and another user's file is never taken over.
bool MayReplace(const struct stat& info) {
    return info.st_uid == ::geteuid() && (info.st_mode & S_IWUSR) != 0;
}

std::string FollowLink(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error))
        return path;
    std::filesystem::path resolved = std::filesystem::canonical(path, error);
    return error ? path : resolved.string();
}

} // namespace

std::optional<std::string> ReadFileIfExists(const std::string& path) {
    // Non-blocking, so that a FIFO without a writer cannot hold the open.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        ThrowIoError("Cannot open", path, errno);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        ThrowIoError("Cannot read the non-regular file", path, error);
    }
    std::string content;
    content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[kIoBufferSize];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            int error = errno;
            ::close(fd);
            ThrowIoError("Cannot read", path, error);
        }
        if (got == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return content;
}

void ReplaceFileContent(const std::string& path, std::string_view content) {
    std::string target = FollowLink(path);
    struct stat info {};
    bool replacing = ::stat(target.c_str(), &info) == 0;
    if (replacing && !S_ISREG(info.st_mode))
        ThrowIoError("Cannot replace the non-regular file", target, EINVAL);
    if (replacing && !MayReplace(info))
        ThrowIoError("Not allowed to write", target, EACCES);
    mode_t mode = replacing ? info.st_mode & 07777 : kNewFileMode;
    TTempFile temp(target, mode);
    if (replacing)
        temp.KeepMode(mode);
    temp.Write(content);
    temp.Commit();
    SyncFolder(target);
}
