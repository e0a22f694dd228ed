#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/async_socket.h"
#include "tests/support/event_wait.h"

namespace nettest {

inline const char* StateName(TSocketState State) {
    static const char* const Names[] = {"Invalid",   "Opened",    "Bound",     "Connecting",
                                        "Connected", "Accepting", "Listening", "Closed"};
    return Names[State];
}

// Records the session events of one socket as short texts, in order.
struct TEventLog {
    std::vector<std::string> Entries;

    void Attach(TCustomAsyncSocket& Socket) {
        Socket.OnChangeState = [this](TCustomAsyncSocket*, TSocketState Old, TSocketState New) {
            Entries.push_back(std::string("state ") + StateName(Old) + ">" + StateName(New));
        };
        Socket.OnSessionConnected = [this](TCustomAsyncSocket*, std::uint16_t Error) {
            Entries.push_back("connected " + std::to_string(Error));
        };
        Socket.OnSessionClosed = [this](TCustomAsyncSocket*, std::uint16_t Error) {
            Entries.push_back("closed " + std::to_string(Error));
        };
        Socket.OnDataSent = [this](TCustomAsyncSocket*, std::uint16_t Error) {
            Entries.push_back("sent " + std::to_string(Error));
        };
    }

    int Count(const std::string& Entry) const {
        int N = 0;
        for (const auto& E : Entries)
            N += E == Entry ? 1 : 0;
        return N;
    }
    bool Has(const std::string& Entry) const { return Count(Entry) > 0; }
};

// A loopback port on which nothing listens (bound once, then released).
inline std::uint16_t ClosedPort() {
    const int Fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in Addr{};
    Addr.sin_family = AF_INET;
    Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t Len = sizeof Addr;
    bind(Fd, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr);
    getsockname(Fd, reinterpret_cast<sockaddr*>(&Addr), &Len);
    close(Fd);
    return ntohs(Addr.sin_port);
}

// Connects to 127.0.0.1:Port and waits for the outcome.
inline bool ConnectAndWait(TCustomAsyncSocket& Socket, std::uint16_t Port) {
    Socket.SetAddr("127.0.0.1");
    Socket.SetPort(std::to_string(Port));
    Socket.Connect();
    return testsupport::WaitUntil([&] { return Socket.State() != wsConnecting; }) &&
           Socket.State() == wsConnected;
}

} // namespace nettest
