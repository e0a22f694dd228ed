#pragma once

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

// Makes a FIFO at `path` and, should the code under test still be blocked on
// it after `patience`, opens and closes its writing end, so that a blocked
// open or read returns: a test of a FIFO then fails instead of hanging.
class TFifoUnblocker {
public:
    TFifoUnblocker(const std::string& path, std::chrono::milliseconds patience)
        : FMade(::mkfifo(path.c_str(), 0600) == 0),
          FWatch([this, path, patience, done = FDone.get_future()] {
              if (done.wait_for(patience) != std::future_status::timeout)
                  return;
              // Succeeds only while a reader waits in open.
              const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
              if (fd < 0)
                  return;
              FFired = true;
              ::close(fd);
          }) {}
    ~TFifoUnblocker() {
        FDone.set_value();
        FWatch.join();
    }

    bool Made() const { return FMade; }
    // True once the code under test had to be unblocked: it hung on the FIFO.
    bool Fired() const { return FFired; }

private:
    bool FMade;
    std::atomic<bool> FFired = false;
    std::promise<void> FDone;
    std::thread FWatch;
};

} // namespace testsupport
