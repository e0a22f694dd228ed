#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

// Turns Ctrl+C (SIGINT) into a call on the event loop's thread, so that a
// request can be ended cleanly instead of the process dying mid-write. The
// signal is blocked and read from a descriptor rather than caught by a
// handler; create the watch before any thread starts, so that every thread
// inherits the blocked signal. Without signal descriptors Ctrl+C keeps its
// default effect.
class TInterruptWatch {
public:
    explicit TInterruptWatch(std::function<void()> onInterrupt);
    ~TInterruptWatch();
    TInterruptWatch(const TInterruptWatch&) = delete;
    TInterruptWatch& operator=(const TInterruptWatch&) = delete;

private:
    void Drain();

    std::function<void()> FOnInterrupt;
    int FFd = -1;
    std::unique_ptr<QSocketNotifier> FNotifier;
};
