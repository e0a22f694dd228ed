#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback_listener.h"

namespace testsupport {

// A TCP server on 127.0.0.1 or another loopback address (a free port, or a
// given one) that plays one script per accepted
// connection, in order, on its own thread with blocking sockets. Whenever it
// receives bytes or finishes a step it wakes the test thread's event loop, so
// tests wait with testsupport::WaitUntil on Received()/Done() and never sleep.
//
//   TScriptedServer server({{TScriptedServer::ExpectUntil("\r\n\r\n"),
//                            TScriptedServer::Send("HTTP/1.0 200 OK\r\n\r\n"),
//                            TScriptedServer::Close()}});
class TScriptedServer {
public:
    enum class TStepKind {
        Expect,       // read exactly Data.size() bytes; they must equal Data
        ExpectCount,  // read exactly Count bytes, whatever they are
        ExpectUntil,  // read until the bytes of this connection end with Data
        Send,         // send Data
        Flood,        // send Data Count times, ending early once the client hangs up
        Pause,        // wait Delay (a step of the peer's own timing, not a test wait)
        WaitGate,     // wait until the test calls OpenGate(Count)
        Drain,        // read until the client closes or resets
        ShutdownSend, // half close: no more sends (FIN), keep reading possible
        Close,        // orderly close (FIN)
        Reset         // abortive close (SO_LINGER 0: RST)
    };

    struct TStep {
        TStepKind Kind;
        std::string Data{};
        std::size_t Count = 0;
        std::chrono::milliseconds Delay{0};
    };
    using TScript = std::vector<TStep>;

    static TStep Expect(std::string Bytes) { return {TStepKind::Expect, std::move(Bytes)}; }
    static TStep ExpectCount(std::size_t Count) { return {TStepKind::ExpectCount, {}, Count}; }
    static TStep ExpectUntil(std::string Terminator) {
        return {TStepKind::ExpectUntil, std::move(Terminator)};
    }
    static TStep Send(std::string Bytes) { return {TStepKind::Send, std::move(Bytes)}; }
    static TStep Flood(std::string Bytes, std::size_t Count) {
        return {TStepKind::Flood, std::move(Bytes), Count};
    }
    static TStep Pause(std::chrono::milliseconds Delay) { return {TStepKind::Pause, {}, 0, Delay}; }
    static TStep WaitGate(std::size_t Gate) { return {TStepKind::WaitGate, {}, Gate}; }
    static TStep Drain() { return {TStepKind::Drain}; }
    static TStep ShutdownSend() { return {TStepKind::ShutdownSend}; }
    static TStep Close() { return {TStepKind::Close}; }
    static TStep Reset() { return {TStepKind::Reset}; }

    // Starts listening on Address ("::1" for IPv6) and serving at once. A
    // connection whose script ends without Close or Reset is closed orderly.
    explicit TScriptedServer(std::vector<TScript> Scripts, const std::string& Address = "127.0.0.1",
                             std::uint16_t Port = 0);
    // Unblocks and joins the server thread, closing whatever is open.
    ~TScriptedServer();
    TScriptedServer(const TScriptedServer&) = delete;
    TScriptedServer& operator=(const TScriptedServer&) = delete;

    std::uint16_t Port() const { return FListener.Port(); }
    std::string PortStr() const { return std::to_string(Port()); }
    // The HTTP address of Path on this server (an IPv6 address in brackets).
    std::string Url(const std::string& Path = "/") const {
        const bool ipv6 = FAddress.find(':') != std::string::npos;
        return "http://" + (ipv6 ? "[" + FAddress + "]" : FAddress) + ":" + PortStr() + Path;
    }

    // Bytes received so far on connection Index (0-based), empty when none.
    std::string Received(std::size_t Index) const;
    // Number of connections accepted so far.
    std::size_t Accepted() const;
    // True when every script has been played (or the server failed).
    bool Done() const;
    // Empty while everything went as scripted; else what went wrong first.
    std::string Failure() const;
    // True when a read of connection Index ended with a reset by the client.
    bool SawReset(std::size_t Index) const;

    // Lets every WaitGate(Gate) step (now or later) go on.
    void OpenGate(std::size_t Gate);

private:
    void Run();
    void Play(int Fd, std::size_t Index, const TScript& Script);
    bool ReadMore(int Fd, std::size_t Index); // false at end of stream or on error
    bool WaitReadable(int Fd);                // false when stopping
    bool WaitFor(int Fd, short Events);       // false when stopping
    void Fail(const std::string& What);
    void Wake() const; // nudges the test thread's event loop

    std::vector<TScript> FScripts;
    std::string FAddress;
    TLoopbackListener FListener;
    int FStopFd = -1; // eventfd: written by the destructor to unblock the thread

    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    std::vector<std::string> FReceived;
    std::vector<bool> FResets;
    std::vector<std::size_t> FOpenGates;
    std::size_t FAcceptedCount = 0;
    std::string FFailure;
    bool FDone = false;
    bool FStopping = false;

    std::thread FThread;
};

// One HTTP exchange: reads a request header, sends Response, closes.
inline TScriptedServer::TScript Answer(const std::string& Response) {
    return {TScriptedServer::ExpectUntil("\r\n\r\n"), TScriptedServer::Send(Response),
            TScriptedServer::Close()};
}

} // namespace testsupport
