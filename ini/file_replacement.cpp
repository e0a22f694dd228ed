#include "ini/file_replacement.h"

#include "ini/file_io.h"
#include "ini/in_out_error.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A new file gets this less the umask; a temporary file for an existing one
// is the writer's alone until it gets that file's owner and mode.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kTempFileMode = 0600;
constexpr int kTempNameAttempts = 16;
// Links followed in a row before the path counts as a loop, as in the kernel.
constexpr int kMaxLinkDepth = 40;
constexpr std::string_view kTempSuffix = ".tmp";

// The file the path leads to, following symbolic links one at a time, so that
// a link to a missing file gives that file's path.
std::string FollowLinks(std::string path) {
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::error_code error;
        const fs::path link = fs::read_symlink(path, error);
        if (error)
            ThrowInOutError("Cannot follow the link", path, error.value());
        path = (link.is_absolute() ? link : fs::path(path).parent_path() / link).string();
    }
    ThrowInOutError("Too many symbolic links for", path, ELOOP);
}

std::string TempPrefix(const fs::path& target) {
    // Appended rather than "." + name: GCC 12 warns falsely (-Wrestrict) on
    // a literal put before a temporary string.
    std::string prefix(1, '.');
    prefix += target.filename().string();
    prefix += '.';
    return prefix;
}

// ".<name>.<digits>.tmp"
bool IsTempName(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() + kTempSuffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(kTempSuffix))
        return false;
    name.remove_prefix(prefix.size());
    name.remove_suffix(kTempSuffix.size());
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Removes the temporary files that writers of `target` left when they died.
// A living writer holds a lock on its file, so its file stays.
void RemoveStaleTempFiles(const fs::path& target) {
    const std::string prefix = TempPrefix(target);
    std::error_code error;
    fs::directory_iterator entry(target.parent_path().empty() ? "." : target.parent_path(), error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const fs::path& path = entry->path();
        if (!IsTempName(path.filename().string(), prefix))
            continue;
        const TUniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened {};
        struct stat named {};
        // The lock proves the writer gone; the name must still be that file.
        if (fd.Valid() && ::fstat(fd.Get(), &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0 && ::lstat(path.c_str(), &named) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
            ::unlink(path.c_str());
    }
}

// Writes all of `bytes` at `offset`; false with errno set on failure.
bool WriteAt(int fd, std::string_view bytes, off_t offset) {
    while (!bytes.empty()) {
        const ssize_t written =
            ::pwrite(fd, bytes.data(), std::min(bytes.size(), kIoBufferSize), offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return true;
}

// Makes the rename itself durable; a failure here cannot undo the replacement,
// so it is not reported.
void SyncFolder(const std::string& target) {
    const std::string folder = fs::path(target).parent_path().string();
    const TUniqueFd fd(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Valid())
        ::fsync(fd.Get());
}

} // namespace

TFileReplacement::TFileReplacement(const std::string& path, TRule rule)
    : FTarget(FollowLinks(path)) {
    if (::stat(FTarget.c_str(), &FOld) == 0) {
        FExists = true;
        if (!S_ISREG(FOld.st_mode))
            ThrowInOutError("Cannot replace the non-regular file", FTarget,
                            S_ISDIR(FOld.st_mode) ? EISDIR : EINVAL);
        // The rename needs only a writable folder; the file's own permission
        // decides. Root passes every permission check, so for the owner's
        // rule the owner and the owner write bit are compared directly.
        const bool allowed = rule == TRule::OwnFileOnly
                                 ? FOld.st_uid == ::geteuid() && (FOld.st_mode & S_IWUSR) != 0
                                 : ::faccessat(AT_FDCWD, FTarget.c_str(), W_OK, AT_EACCESS) == 0;
        if (!allowed) {
            errno = EACCES;
            Fail("Not allowed to write");
        }
    } else if (errno != ENOENT) {
        Fail("Cannot look at");
    }
    RemoveStaleTempFiles(FTarget);
    CreateTempFile();
    if (FExists)
        KeepOwnerAndMode();
}

TFileReplacement::~TFileReplacement() {
    if (!FTempPath.empty())
        ::unlink(FTempPath.c_str());
}

void TFileReplacement::Fail(const char* what) const {
    ThrowInOutError(what, FTarget, errno);
}

void TFileReplacement::CreateTempFile() {
    const fs::path target(FTarget);
    std::random_device random;
    int fd = -1;
    for (int attempt = 0; attempt < kTempNameAttempts && fd < 0; ++attempt) {
        FTempPath = (target.parent_path() /
                     (TempPrefix(target) + std::to_string(random()) + std::string(kTempSuffix)))
                        .string();
        fd = ::open(FTempPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                    FExists ? kTempFileMode : kNewFileMode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int error = errno;
        FTempPath.clear();
        ThrowInOutError("Cannot create a file beside", FTarget, error);
    }
    FFd.emplace(fd);
    // Marks the file as in use for RemoveStaleTempFiles of another writer. A
    // file system without locks lets that writer remove it, which fails this
    // replacement but never harms the old file.
    ::flock(fd, LOCK_EX);
}

void TFileReplacement::KeepOwnerAndMode() {
    struct stat made {};
    if (::fstat(FFd->Get(), &made) != 0)
        Fail("Cannot write");
    if ((made.st_uid != FOld.st_uid || made.st_gid != FOld.st_gid) &&
        ::fchown(FFd->Get(), FOld.st_uid, FOld.st_gid) != 0) {
        if (errno != EPERM)
            Fail("Cannot set the owner of");
        // Only the old file itself can keep them.
        FInPlace = true;
    }
    // After the owner: a change of owner clears the set-ID bits.
    if (::fchmod(FFd->Get(), FOld.st_mode & 07777) != 0)
        Fail("Cannot set the permissions of");
    // A rename would leave the other names with the old content.
    FInPlace = FInPlace || FOld.st_nlink > 1;
}

void TFileReplacement::Write(std::string_view bytes) {
    if (!WriteAt(FFd->Get(), bytes, FSize))
        Fail("Cannot write");
    FSize += static_cast<off_t>(bytes.size());
}

void TFileReplacement::Commit() {
    if (!FInPlace || !OverwriteInPlace())
        Rename();
}

void TFileReplacement::Rename() {
    if (::fsync(FFd->Get()) != 0)
        Fail("Cannot write");
    if (::rename(FTempPath.c_str(), FTarget.c_str()) != 0)
        Fail("Cannot replace");
    FTempPath.clear();
    SyncFolder(FTarget);
}

bool TFileReplacement::OverwriteInPlace() {
    const TUniqueFd target(::open(FTarget.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!target.Valid() || ::fstat(target.Get(), &info) != 0)
        Fail("Cannot open");
    if (!S_ISREG(info.st_mode))
        ThrowInOutError("Cannot replace the non-regular file", FTarget, EINVAL);
    // Whatever room the new content needs is taken before the first byte
    // changes, so that a full disk or quota fails here.
    if (FSize > 0 && ::fallocate(target.Get(), FALLOC_FL_KEEP_SIZE, 0, FSize) != 0) {
        if (errno == EOPNOTSUPP || errno == ENOSYS)
            return false;
        Fail("Cannot write");
    }
    char buffer[kIoBufferSize];
    for (off_t offset = 0; offset < FSize;) {
        const ssize_t got = ::pread(FFd->Get(), buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            errno = got < 0 ? errno : EIO;
            Fail("Cannot read back the new content for");
        }
        if (!WriteAt(target.Get(), std::string_view(buffer, static_cast<std::size_t>(got)), offset))
            Fail("Cannot write");
        offset += got;
    }
    if (::ftruncate(target.Get(), FSize) != 0 || ::fsync(target.Get()) != 0)
        Fail("Cannot write");
    return true;
}
