#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace testsupport {

// Makes a FIFO at `path` and, should the code under test still be blocked on
// it after `patience`, opens and closes its writing end so that a blocking
// open or read returns: a test of a FIFO then fails instead of hanging.
class TFifoUnblocker {
public:
    TFifoUnblocker(const std::string& path, std::chrono::milliseconds patience)
        : FMade(::mkfifo(path.c_str(), 0600) == 0), FWatch([this, path, patience] {
              std::unique_lock lock(FMutex);
              if (FDone.wait_for(lock, patience, [this] { return FFinished; }))
                  return;
              // A blocked reader pairs with this writer; no reader means the
              // code gave up already, and the non-blocking open just fails.
              int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
              if (fd >= 0)
                  ::close(fd);
          }) {}
    ~TFifoUnblocker() {
        {
            std::lock_guard lock(FMutex);
            FFinished = true;
        }
        FDone.notify_one();
        FWatch.join();
    }
    TFifoUnblocker(const TFifoUnblocker&) = delete;
    TFifoUnblocker& operator=(const TFifoUnblocker&) = delete;

    bool Made() const { return FMade; }

private:
    bool FMade;
    std::mutex FMutex;
    std::condition_variable FDone;
    bool FFinished = false;
    std::thread FWatch;
};

} // namespace testsupport
