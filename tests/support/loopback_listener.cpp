#include "tests/support/loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr int kQueueFilledMs = 10000;

[[noreturn]] void Fail(const std::string& What) {
    throw std::runtime_error("loopback listener: " + What + ": " + std::strerror(errno));
}

} // namespace

bool HasIpv6Loopback() {
    try {
        const TLoopbackListener Probe("::1");
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

TLoopbackListener::TLoopbackListener(const std::string& Address, std::uint16_t Port, int Backlog) {
    auto* V4 = reinterpret_cast<sockaddr_in*>(&FAddress);
    auto* V6 = reinterpret_cast<sockaddr_in6*>(&FAddress);
    if (inet_pton(AF_INET, Address.c_str(), &V4->sin_addr) == 1) {
        V4->sin_family = AF_INET;
        V4->sin_port = htons(Port);
        FAddressSize = sizeof *V4;
    } else if (inet_pton(AF_INET6, Address.c_str(), &V6->sin6_addr) == 1) {
        V6->sin6_family = AF_INET6;
        V6->sin6_port = htons(Port);
        FAddressSize = sizeof *V6;
    } else {
        errno = EINVAL;
        Fail(Address);
    }
    FFd = socket(FAddress.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (FFd < 0 || bind(FFd, SockAddr(), FAddressSize) != 0 || listen(FFd, Backlog) != 0 ||
        getsockname(FFd, reinterpret_cast<sockaddr*>(&FAddress), &FAddressSize) != 0) {
        const int Error = errno;
        if (FFd >= 0)
            close(FFd);
        errno = Error;
        Fail(Address);
    }
    FPort = ntohs(FAddress.ss_family == AF_INET6 ? V6->sin6_port : V4->sin_port);
}

TLoopbackListener::~TLoopbackListener() {
    close(FFd);
}

TSilentListener::TSilentListener(const std::string& Address, std::uint16_t Port)
    : FListener(Address, Port, 0) {
    FFiller = socket(FListener.SockAddr()->sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // The listener turns readable once the filler waits in its queue, which
    // is then full.
    pollfd Queued{FListener.Fd(), POLLIN, 0};
    if (FFiller < 0 || connect(FFiller, FListener.SockAddr(), FListener.SockAddrSize()) != 0 ||
        poll(&Queued, 1, kQueueFilledMs) != 1) {
        if (FFiller >= 0)
            close(FFiller);
        Fail("filler");
    }
}

TSilentListener::~TSilentListener() {
    close(FFiller);
}

} // namespace testsupport
