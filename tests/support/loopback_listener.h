#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <string>

namespace testsupport {

// Whether this machine can listen on the IPv6 loopback address ::1; tests of
// IPv6 skip without it.
bool HasIpv6Loopback();

// A listening TCP socket on a loopback address ("127.0.0.1", "127.0.0.2",
// "::1"), on a free port or the one given; closed when destroyed. Throws
// std::runtime_error when it cannot listen.
class TLoopbackListener {
public:
    TLoopbackListener(const std::string& Address, std::uint16_t Port = 0, int Backlog = 8);
    ~TLoopbackListener();
    TLoopbackListener(const TLoopbackListener&) = delete;
    TLoopbackListener& operator=(const TLoopbackListener&) = delete;

    int Fd() const { return FFd; }
    std::uint16_t Port() const { return FPort; }
    const sockaddr* SockAddr() const { return reinterpret_cast<const sockaddr*>(&FAddress); }
    socklen_t SockAddrSize() const { return FAddressSize; }

private:
    sockaddr_storage FAddress{};
    socklen_t FAddressSize = 0;
    int FFd = -1;
    std::uint16_t FPort = 0;
};

// A loopback address whose connects never complete, without a packet leaving
// the machine: the listener's queue (backlog 0) holds one connection that is
// never accepted, and the system drops every later SYN while it is full, so
// a client's connect stays pending (its SYN is sent again, and dropped again).
class TSilentListener {
public:
    TSilentListener(const std::string& Address, std::uint16_t Port = 0);
    ~TSilentListener();
    TSilentListener(const TSilentListener&) = delete;
    TSilentListener& operator=(const TSilentListener&) = delete;

    std::uint16_t Port() const { return FListener.Port(); }

private:
    TLoopbackListener FListener;
    int FFiller = -1;
};

} // namespace testsupport
