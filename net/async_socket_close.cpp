// Ending a session: Close, Abort and the deferred requests, and the waits
// that run the event loop until the chain is handed over or the session ends.
#include "net/custom_async_socket.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "net/connect_race.h"
#include "net/socket_endpoint.h"
#include "net/socket_errors.h"

namespace {

// Blocks until at least one event has been handled: waiting costs no CPU time.
void WaitForEvents() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

void TCustomAsyncSocket::Close() {
    InternalClose(true, 0);
}

void TCustomAsyncSocket::InternalClose(bool Shut, std::uint16_t Error) {
    const TLifeToken::TWatch watch = FLife.Watch();
    if (FHSocket < 0) {
        if (FState != wsClosed) {
            ChangeState(wsClosed);
            if (watch.Alive() && FHSocket < 0)
                AssignDefaultValue();
        }
        return;
    }
    if (FState == wsClosed)
        return;
    if (Shut)
        Shutdown(SHUT_WR);
    if (!CloseHandleNow()) {
        FLastError = LastSocketError();
        SocketErrorNum(FLastError, "Disconnect (closesocket)");
        return;
    }
    // A handler below may connect again; the defaults are for this session's
    // end only and would wipe the new one.
    const std::uint64_t session = FSessionId;
    ChangeState(wsClosed);
    if (watch.Alive() && FSessionId == session && !FDestroying && !FCloseNotified) {
        FCloseNotified = true;
        TriggerSessionClosed(Error);
    }
    if (watch.Alive() && FSessionId == session)
        AssignDefaultValue();
}

// Closes the descriptor at once (its notifiers go first), and every further
// attempt of a race; false on failure, with the error left in errno.
bool TCustomAsyncSocket::CloseHandleNow() {
    FRace.reset();
    const int handle = FHSocket;
    if (handle < 0)
        return true;
    FEndpoint->Watch(-1, false);
    FHSocket = -1;
    // Linux releases the descriptor even when close reports EINTR.
    return ::close(handle) == 0 || errno == EINTR;
}

void TCustomAsyncSocket::CloseDelayed() {
    PostSocketMessage(WM_CLOSE_DELAYED);
}

void TCustomAsyncSocket::Release() {
    PostSocketMessage(WM_RELEASE);
}

void TCustomAsyncSocket::Abort() {
    const TLifeToken::TWatch watch = FLife.Watch();
    CancelDnsLookup();
    if (!watch.Alive())
        return;
    DeleteBufferedData();
    if (FState == wsConnected && FProtoNumber == kTcpProtocol) {
        // Without linger the close lets the system finish sending in the background.
        FLingerOnOff = wsLingerOff;
        ApplyLinger();
        if (!watch.Alive())
            return;
    }
    InternalClose(false, 0);
}

void TCustomAsyncSocket::Flush() {
    const TLifeToken::TWatch watch = FLife.Watch();
    // Inside an OnDataSent handler the write notifier is off; this loop wants it.
    const bool wasBusy = FReadiness.BeginWriteWait();
    // Inside a handover the chain is that handover's to finish.
    while (watch.Alive() && FHSocket >= 0 && !FAllSent && !FSendChain.HandingOver()) {
        TryToSend();
        if (!watch.Alive() || FHSocket < 0 || FAllSent)
            break;
        WaitForEvents();
    }
    if (watch.Alive())
        FReadiness.EndWriteWait(wasBusy);
}

void TCustomAsyncSocket::WaitForClose() {
    const TLifeToken::TWatch watch = FLife.Watch();
    const bool wasBusy = BeginReadWait();
    while (watch.Alive() && FHSocket >= 0 && FState != wsClosed)
        WaitForEvents();
    if (watch.Alive())
        EndReadWait(wasBusy);
}

void TCustomAsyncSocket::Shutdown(int How) {
    if (FHSocket >= 0)
        ::shutdown(FHSocket, How);
}
