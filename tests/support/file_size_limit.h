#pragma once

#include <csignal>

#include <sys/resource.h>

namespace testsupport {

// Makes every write of this process past `bytes` into any file fail with
// EFBIG, as a full disk fails a write, until the object goes; the signal the
// kernel sends with that failure is ignored meanwhile. The soft limit only, so
// that any user may lift it again.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &FSaved);
        rlimit limited = FSaved;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
        FSavedHandler = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~TFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &FSaved);
        std::signal(SIGXFSZ, FSavedHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit FSaved{};
    void (*FSavedHandler)(int) = SIG_DFL;
};

} // namespace testsupport
