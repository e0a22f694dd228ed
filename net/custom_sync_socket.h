#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "net/custom_line_socket.h"

// Synchronous line reading. The waits run the event loop (MessagePump, then a
// blocking wait for the next event, woken at the deadline), so other events of
// the thread run inside them and a silent peer costs no processor time.
class TCustomSyncSocket : public TCustomLineSocket {
public:
    // Result of a wait that ended before its flag was set: the deadline passed,
    // the application is closing down or the quit message was taken.
    static constexpr int kWaitAborted = 12001;
    // ReadLine's wait for a timeout of 0, and the wait of WaitUntilReady
    // before any ReadLine.
    static constexpr std::int64_t kDefaultWaitTimeoutMs = 60000;

    using TCustomLineSocket::TCustomLineSocket;
    ~TCustomSyncSocket() override { BeginDestruction(); }

    // Waits for one line and returns it in Line, LineEnd included. Timeout: 0
    // waits 60 s, a negative value -Timeout milliseconds, a positive one
    // Timeout seconds. Returns 0 when a line arrived or the session closed (Line
    // then holds the last bytes, maybe none), kWaitAborted when the wait ended
    // first (Line holds the partly received line, which is no longer held).
    // OnDataAvailable and LineMode are the caller's again afterwards; lines
    // that came with this one stay held and are offered to the caller's
    // handler once events run (dropped when there is none), or go to a
    // ReadLine called before that. Not connected: RaiseException with
    // "ReadLine failed: not connected"; with OnError assigned it returns 10057.
    int ReadLine(int Timeout, std::string& Line);
    // Waits until Ready is set and returns 0; returns kWaitAborted after
    // WaitTimeout ms, when the application closes down, or once Terminated.
    virtual int WaitUntilReady(const bool& Ready);
    // Runs Proc (when given), then WaitUntilReady.
    virtual int Synchronize(const std::function<void()>& Proc, const bool& Ready);

    // The deadline of the waits in milliseconds, as the last ReadLine set it.
    std::int64_t WaitTimeout() const { return FWaitTimeout; }

private:
    std::int64_t FWaitTimeout = kDefaultWaitTimeoutMs;
};
