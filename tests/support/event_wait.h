#pragma once

#include <chrono>
#include <functional>

namespace testsupport {

// Runs the event loop of the calling thread until `done` returns true or the
// deadline passes; returns the last value of `done`. The loop blocks while no
// event arrives, so waiting costs no CPU time.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Handles the events that are waiting right now, then returns.
void PumpEvents();

// Processor time the whole process has used so far, in milliseconds: tests
// check with it that a wait costs (almost) none.
double ProcessCpuMs();

} // namespace testsupport
