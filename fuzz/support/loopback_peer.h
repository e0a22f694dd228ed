#pragma once

#include <QSocketNotifier>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace fuzzsupport {

// Longest a harness waits for one step of the peer it talks to; only a fault
// in the code under test makes a wait run that long.
inline constexpr std::chrono::milliseconds kStepDeadline{5000};

// The server side of a loopback connection, played by the harness on the
// thread of the code under test: it listens on 127.0.0.1, accepts one
// connection at a time and writes the bytes it is given. Every wait pumps the
// event loop and ends at kStepDeadline; nothing sleeps.
class TLoopbackPeer {
public:
    TLoopbackPeer();
    ~TLoopbackPeer();
    TLoopbackPeer(const TLoopbackPeer&) = delete;
    TLoopbackPeer& operator=(const TLoopbackPeer&) = delete;

    int Port() const { return FPort; }
    std::string PortStr() const { return std::to_string(FPort); }

    // Waits for the next connection; false when none came in time or
    // `GiveUp` became true first.
    bool Accept(const std::function<bool()>& GiveUp = [] { return false; });
    bool Accepted() const { return FConnection >= 0; }
    // Writes all of `Bytes` (false when the other side has gone).
    bool Write(const std::string& Bytes);
    // Whether the client socket `ClientFd` has received every byte written
    // on this connection and read them all from the system.
    bool TakenBy(int ClientFd) const;
    // Waits until the other side has sent something or closed; returns what
    // has arrived so far (empty after a close).
    std::string WaitForData();
    // What has arrived, without waiting.
    std::string ReadAvailable();
    // Reads what has arrived, so that the close is an orderly one and not a
    // reset, and closes the connection.
    void CloseConnection();

private:
    void Collect();

    int FListener = -1;
    int FPort = 0;
    int FConnection = -1;
    std::unique_ptr<QSocketNotifier> FListenNotifier;
    std::unique_ptr<QSocketNotifier> FReadNotifier;
    bool FPeerClosed = false;
    std::string FReceived;
    std::uint64_t FWritten = 0; // on the current connection
};

// Bytes the system holds for reading on `Fd` (0 for a closed descriptor).
int PendingBytes(int Fd);

} // namespace fuzzsupport
