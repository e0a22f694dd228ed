// Receiving: the receive loop that raises OnDataAvailable for one readiness
// notification, and the receive calls at the bottom of the layers' chain.
#include "net/custom_async_socket.h"

#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "net/socket_endpoint.h"
#include "net/socket_errors.h"

namespace {

constexpr int kDiscardChunk = 1024; // unclaimed data is thrown away in steps of this size
// Bytes one readiness notification may take before the receive loop lets the
// event loop run: a peer that never pauses must not starve timers and input.
constexpr std::uint64_t kReceiveRoundLimit = 256 * 1024;

} // namespace

void TCustomAsyncSocket::ASyncReceive(std::uint16_t Error) {
    const TLifeToken::TWatch watch = FLife.Watch();
    const std::uint64_t session = FSessionId;
    const std::uint64_t bytesBefore = FRecvBytes;
    // From here on every arrival is news to the handlers called below.
    FEndpoint->ForgetArrivals();
    for (;;) {
        try {
            FLastError = 0;
            const std::uint64_t callsBefore = FRecvCalls;
            const bool taken = TriggerDataAvailable(Error);
            if (!watch.Alive() || FSessionId != session)
                return;
            if (!taken) {
                char scratch[kDiscardChunk];
                if (DoRecv(scratch, sizeof scratch, 0) < 0) {
                    FLastError = LastSocketError();
                    if (FLastError == wsaerr::WouldBlock) {
                        FLastError = 0;
                        return;
                    }
                }
            } else if (FRecvCalls == callsBefore) {
                // A handler that reads nothing would be called forever; new
                // bytes, a hang-up or its next receive call wake it again.
                if (FHSocket >= 0)
                    WaitForArrival();
                return;
            }
            if ((FComponentOptions & wsoNoReceiveLoop) || FLastError != 0 || FHSocket < 0)
                return;
            // A drained system queue ends the round without another system
            // call; bytes that arrive after it fire the read notification.
            if (FRecvDrained && !HoldsBytes())
                return;
            // Bytes the layers above hold count as much as the system's.
            const std::int32_t readable = GetRcvdCount();
            if (readable <= 0)
                return;
            if (FRecvBytes - bytesBefore >= kReceiveRoundLimit) {
                // The next round follows at once, after the event loop has
                // had its turn: the armed read notification brings it, or,
                // when only a layer holds the bytes, a posted one.
                int system = 0;
                if (ioctl(FHSocket, FIONREAD, &system) == 0 && system == 0)
                    PostSocketMessage(WM_ASYNCSELECT, MakeSelectParam(FD_READ_BIT, 0));
                return;
            }
        } catch (...) {
            return; // a failing handler ends this round of reception
        }
    }
}

int TCustomAsyncSocket::DoRecv(void* Buffer, int BufferSize, int Flags) {
    if (FHSocket < 0) {
        errno = ENOTSOCK;
        return -1;
    }
    const auto n = static_cast<int>(
        recv(FHSocket, Buffer, static_cast<std::size_t>(BufferSize), Flags | MSG_DONTWAIT));
    const int savedErrno = errno;
    if ((Flags & MSG_PEEK) == 0) {
        FRecvBytes += static_cast<std::uint64_t>(std::max(n, 0));
        FRecvDrained = n < BufferSize;
    }
    CountReceiveCall(Flags);
    errno = savedErrno;
    return n;
}

std::int32_t TCustomAsyncSocket::GetRcvdCount() {
    int readable = 0;
    if (ioctl(FHSocket, FIONREAD, &readable) < 0) {
        SocketError("ioctlSocket");
        return -1;
    }
    return readable;
}

int TCustomAsyncSocket::Receive(void* Buffer, int BufferSize) {
    const int n = DoRecv(Buffer, BufferSize, 0);
    if (n < 0)
        FLastError = LastSocketError();
    else
        FReadCount += n;
    return n;
}

std::string TCustomAsyncSocket::ReceiveStr() {
    const std::int32_t count = RcvdCount();
    if (count <= 0)
        return {};
    std::string data(static_cast<std::size_t>(count), '\0');
    const int n = Receive(data.data(), count);
    data.resize(static_cast<std::size_t>(std::max(n, 0)));
    return data;
}

int TCustomAsyncSocket::PeekData(void* Buffer, int BufferSize) {
    const int n = DoRecv(Buffer, BufferSize, MSG_PEEK);
    if (n < 0)
        FLastError = LastSocketError();
    return n;
}
