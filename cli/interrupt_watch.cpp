#include "cli/interrupt_watch.h"

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

sigset_t InterruptSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    return set;
}

} // namespace

TInterruptWatch::TInterruptWatch(std::function<void()> onInterrupt)
    : FOnInterrupt(std::move(onInterrupt)) {
    const sigset_t set = InterruptSet();
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0)
        return;
    FFd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (FFd < 0) {
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        return;
    }
    FNotifier = std::make_unique<QSocketNotifier>(FFd, QSocketNotifier::Read);
    QObject::connect(FNotifier.get(), &QSocketNotifier::activated, [this] { Drain(); });
}

TInterruptWatch::~TInterruptWatch() {
    if (FFd < 0)
        return;
    FNotifier.reset();
    close(FFd);
    // A Ctrl+C still pending now ends the program as usual.
    const sigset_t set = InterruptSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void TInterruptWatch::Drain() {
    signalfd_siginfo info{};
    bool interrupted = false;
    while (read(FFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        interrupted = true;
    if (interrupted && FOnInterrupt)
        FOnInterrupt();
}
