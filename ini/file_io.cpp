#include "ini/file_io.h"

#include "base/unique_fd.h"
#include "ini/file_replacement.h"
#include "ini/in_out_error.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<std::string> ReadFileIfExists(const std::string& path, std::size_t limit) {
    // Non-blocking, so that a FIFO without a writer cannot hold the open.
    const TUniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        if (errno == ENOENT)
            return std::nullopt;
        ThrowInOutError("Cannot open", path, errno);
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        ThrowInOutError("Cannot read the non-regular file", path,
                        S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    std::string content;
    content.reserve(std::min(static_cast<std::size_t>(info.st_size), limit));
    char buffer[kIoBufferSize];
    while (content.size() < limit) {
        const ssize_t got =
            ::read(fd.Get(), buffer, std::min(sizeof buffer, limit - content.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ThrowInOutError("Cannot read", path, errno);
        if (got == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    return content;
}

void ReplaceFileContent(const std::string& path, std::string_view content,
                        TFileReplacement::TRule rule) {
    TFileReplacement replacement(path, rule);
    replacement.Write(content);
    replacement.Commit();
}
