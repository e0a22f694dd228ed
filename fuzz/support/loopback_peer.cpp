#include "fuzz/support/loopback_peer.h"

#include <arpa/inet.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>
#include <utility>

#include "tests/support/event_wait.h"

namespace fuzzsupport {

namespace {

constexpr std::size_t kReadChunk = 4096;

} // namespace

TLoopbackPeer::TLoopbackPeer() {
    FListener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in Addr{};
    Addr.sin_family = AF_INET;
    Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t Len = sizeof Addr;
    if (FListener < 0 || bind(FListener, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr) != 0 ||
        listen(FListener, 8) != 0 ||
        getsockname(FListener, reinterpret_cast<sockaddr*>(&Addr), &Len) != 0)
        throw std::runtime_error("loopback listener failed");
    FPort = ntohs(Addr.sin_port);
    // Wakes the event loop while Accept waits; off otherwise, as a waiting
    // connection would keep firing it.
    FListenNotifier = std::make_unique<QSocketNotifier>(FListener, QSocketNotifier::Read);
    FListenNotifier->setEnabled(false);
}

TLoopbackPeer::~TLoopbackPeer() {
    CloseConnection();
    FListenNotifier.reset();
    close(FListener);
}

bool TLoopbackPeer::Accept(const std::function<bool()>& GiveUp) {
    CloseConnection();
    FListenNotifier->setEnabled(true);
    testsupport::WaitUntil(
        [&] {
            FConnection = accept4(FListener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            return FConnection >= 0 || GiveUp();
        },
        kStepDeadline);
    FListenNotifier->setEnabled(false);
    if (FConnection < 0)
        return false;
    FPeerClosed = false;
    FWritten = 0;
    // Each piece must reach the other side when it is written: Nagle's
    // algorithm would hold a small one back until the last one is acknowledged.
    const int NoDelay = 1;
    setsockopt(FConnection, IPPROTO_TCP, TCP_NODELAY, &NoDelay, sizeof NoDelay);
    // Whatever arrives is taken at once, so the notifier never fires twice
    // for the same bytes.
    FReadNotifier = std::make_unique<QSocketNotifier>(FConnection, QSocketNotifier::Read);
    QObject::connect(FReadNotifier.get(), &QSocketNotifier::activated, [this] { Collect(); });
    return true;
}

bool TLoopbackPeer::Write(const std::string& Bytes) {
    std::size_t Done = 0;
    while (Done < Bytes.size()) {
        const ssize_t N = send(FConnection, Bytes.data() + Done, Bytes.size() - Done, MSG_NOSIGNAL);
        if (N <= 0)
            return false; // inputs are far smaller than a loopback socket buffer
        Done += static_cast<std::size_t>(N);
        FWritten += static_cast<std::uint64_t>(N);
    }
    return true;
}

std::string TLoopbackPeer::ReadAvailable() {
    Collect();
    return std::exchange(FReceived, {});
}

void TLoopbackPeer::Collect() {
    std::array<char, kReadChunk> Buffer;
    while (FConnection >= 0 && !FPeerClosed) {
        const ssize_t N = recv(FConnection, Buffer.data(), Buffer.size(), MSG_DONTWAIT);
        if (N <= 0) {
            FPeerClosed = FPeerClosed || N == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            break;
        }
        FReceived.append(Buffer.data(), static_cast<std::size_t>(N));
    }
    if (FPeerClosed && FReadNotifier)
        FReadNotifier->setEnabled(false);
}

std::string TLoopbackPeer::WaitForData() {
    std::string Got;
    testsupport::WaitUntil(
        [&] {
            Got += ReadAvailable();
            return !Got.empty() || FPeerClosed;
        },
        kStepDeadline);
    return Got;
}

void TLoopbackPeer::CloseConnection() {
    if (FConnection < 0)
        return;
    Collect();
    FReadNotifier.reset();
    close(FConnection);
    FConnection = -1;
    FReceived.clear();
}

bool TLoopbackPeer::TakenBy(int ClientFd) const {
    // The bytes must have arrived before "nothing left to read" means taken:
    // loopback delivery may lag behind the write.
    tcp_info Info{};
    socklen_t Len = sizeof Info;
    if (getsockopt(ClientFd, IPPROTO_TCP, TCP_INFO, &Info, &Len) != 0)
        return true; // closed meanwhile
    return Info.tcpi_bytes_received >= FWritten && PendingBytes(ClientFd) == 0;
}

int PendingBytes(int Fd) {
    int Count = 0;
    if (Fd < 0 || ioctl(Fd, FIONREAD, &Count) != 0)
        return 0;
    return Count;
}

} // namespace fuzzsupport
