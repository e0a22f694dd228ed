// The server side: a listening socket, the accept of a pending connection
// and Dup, which adopts an accepted handle as a connected session.
#include "net/custom_async_socket.h"

#include <QTimer>

#include <fcntl.h>
#include <sys/socket.h>

#include <chrono>

#include "net/socket_endpoint.h"
#include "net/socket_errors.h"

namespace {

constexpr int kListenBacklog = 5;
// A listener whose accept failed for lack of descriptors or memory tries
// again after this long instead of at once, which would spin.
constexpr std::chrono::milliseconds kAcceptRetryDelay(100);

bool IsResourceShortage(int Error) {
    return Error == wsaerr::TooManyFiles || Error == wsaerr::NoBufferSpace;
}

} // namespace

void TCustomAsyncSocket::Listen() {
    if (FHSocket != -1) {
        RaiseException("Listen: Socket already in use");
        return;
    }
    if (!FPortAssigned) {
        SocketErrorNum(wsaerr::InvalidArgument, "listen: port not assigned");
        return;
    }
    if (!FProtoAssigned) {
        SocketErrorNum(wsaerr::InvalidArgument, "listen: protocol not assigned");
        return;
    }
    if (!FAddrAssigned) {
        SocketErrorNum(wsaerr::InvalidArgument, "listen: address not assigned");
        return;
    }
    if (!OpenSocket(false, "listen", "socket"))
        return;
    if (bind(FHSocket, FRemoteSockAddr.Data(), FRemoteSockAddr.Size()) != 0) {
        // The state is still wsClosed, so a plain Close would keep the handle.
        const int error = LastSocketError();
        CloseHandleNow();
        SocketErrorNum(error, "Bind");
        return;
    }
    const TLifeToken::TWatch watch = FLife.Watch();
    ChangeState(wsBound);
    if (!watch.Alive())
        return;
    if (FSocketType == SOCK_DGRAM) {
        ListenDatagram();
    } else {
        if (::listen(FHSocket, kListenBacklog) != 0) {
            SocketError("Listen");
            return;
        }
        ChangeState(wsListening);
    }
    if (watch.Alive())
        UpdateNotifiers();
}

int TCustomAsyncSocket::Accept() {
    if (FState != wsListening) {
        SocketErrorNum(wsaerr::InvalidArgument, "not a listening socket");
        return -1;
    }
    socklen_t len = TSocketAddress::kCapacity;
    const int handle = accept4(FHSocket, FRemoteSockAddr.MutableData(), &len, SOCK_CLOEXEC);
    const int error = LastSocketError();
    if (handle < 0 && IsResourceShortage(error)) {
        // The connection still waits, so a notification now would fire at once.
        const std::uint64_t session = FSessionId;
        QTimer::singleShot(kAcceptRetryDelay, FEndpoint.get(), [this, session] {
            if (session != FSessionId)
                return;
            FReadiness.ArmRead();
            UpdateNotifiers();
        });
    } else {
        FReadiness.ArmRead(); // like Winsock, accepting arms the next accept notification
        UpdateNotifiers();
    }
    if (handle < 0) {
        SocketErrorNum(error, "Accept");
        return -1;
    }
    return handle;
}

void TCustomAsyncSocket::Dup(int NewHandle) {
    if (NewHandle == 0 || NewHandle == -1) {
        SocketErrorNum(wsaerr::InvalidArgument, "Dup");
        return;
    }
    const TLifeToken::TWatch watch = FLife.Watch();
    if (FState != wsClosed) {
        if (!CloseHandleNow()) {
            SocketError("Dup (closesocket)");
            return;
        }
        ChangeState(wsClosed);
        if (!watch.Alive())
            return;
    }
    // The new peer must not get what was meant for the previous one.
    DeleteBufferedData();
    FAllSent = true;
    fcntl(NewHandle, F_SETFL, fcntl(NewHandle, F_GETFL) | O_NONBLOCK);
    AdoptHandle(NewHandle);
    ApplyLinger();
    if (!watch.Alive())
        return;
    ChangeState(wsConnected);
    if (watch.Alive())
        UpdateNotifiers();
}
