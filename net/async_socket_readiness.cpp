// Readiness and notifications. Qt's notifiers watch the descriptor, and its
// readiness becomes the Winsock event bits of a WM_ASYNCSELECT message:
//   writable while wsConnecting    connect (16), its error from SO_ERROR
//   writable otherwise             write (2)
//   readable, listening            accept (8)
//   readable, datagram socket      read (1)
//   readable, a peek finds bytes   read (1)
//   readable, a peek finds none    close (32): error 0 for the peer's close,
//                                  the reset's number for a reset
// As on Winsock, a read notification is armed by a receive call (or an
// accept) and used up when it fires, and the write notifier is on only while
// connecting or while a send is blocked, never while idle. The notifier that
// fired stays off while its event runs, so a handler that runs the event loop
// is not re-entered by the same readiness. A handler that took nothing waits
// for new bytes or a hang-up through the endpoint's arrival watch instead.
#include "net/custom_async_socket.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "net/connect_race.h"
#include "net/socket_endpoint.h"
#include "net/socket_errors.h"

// The table above, as code.
void TCustomAsyncSocket::HandleReadiness(int Handle, bool Writable) {
    if (Handle != FHSocket)
        return;
    if (Writable && FState == wsConnecting) {
        // The first readiness after a non-blocking connect is its outcome,
        // unless a further attempt of a race still runs.
        int error = PendingSocketError();
        if (OwnAttemptDecides(error))
            ConnectOutcome(error);
        else
            UpdateNotifiers();
        return;
    }
    TSocketMessage msg{WM_ASYNCSELECT, Handle, 0, {}, 0};
    if (Writable) {
        msg.LParam = MakeSelectParam(FD_WRITE_BIT, 0);
        FReadiness.WriteFired();
    } else {
        if (FState == wsListening) {
            msg.LParam = MakeSelectParam(FD_ACCEPT_BIT, 0);
        } else if (FSocketType == SOCK_DGRAM) {
            msg.LParam = MakeSelectParam(FD_READ_BIT, 0);
        } else {
            // Readable without data means the peer closed (0) or reset (error).
            char probe;
            const ssize_t n = recv(Handle, &probe, 1, MSG_PEEK);
            if (n > 0) {
                msg.LParam = MakeSelectParam(FD_READ_BIT, 0);
            } else if (n == 0) {
                msg.LParam = MakeSelectParam(FD_CLOSE_BIT, 0);
            } else if (errno == EAGAIN || errno == EINTR) {
                return; // nothing after all: the notification stays armed
            } else {
                msg.LParam = MakeSelectParam(FD_CLOSE_BIT, LastSocketError());
            }
        }
        FReadiness.ReadFired();
    }
    DispatchReadiness(msg, Writable);
}

void TCustomAsyncSocket::ConnectOutcome(int Error) {
    TSocketMessage msg{WM_ASYNCSELECT, FHSocket, MakeSelectParam(FD_CONNECT_BIT, Error), {}, 0};
    FReadiness.ConnectFired(Error == 0);
    DispatchReadiness(msg, true);
}

void TCustomAsyncSocket::DispatchReadiness(TSocketMessage& Msg, bool Writable) {
    UpdateNotifiers();
    const TLifeToken::TWatch watch = FLife.Watch();
    Dispatch(Msg);
    if (!watch.Alive())
        return;
    if (Writable)
        FReadiness.WriteHandled();
    else
        FReadiness.ReadHandled();
    UpdateNotifiers();
}

// Bytes or a hang-up arrived while the reader waited for more than it had.
void TCustomAsyncSocket::HandleArrival(int Handle, bool Hangup) {
    if (Handle != FHSocket)
        return;
    if (Hangup) {
        PostCloseNotification();
        return;
    }
    FReadiness.ArmRead();
    UpdateNotifiers();
}

// The peer's close or reset is reported from the event loop; bytes still
// unread are offered first, as for any close.
void TCustomAsyncSocket::PostCloseNotification() {
    PostSocketMessage(WM_ASYNCSELECT, MakeSelectParam(FD_CLOSE_BIT, PendingSocketError()));
}

int TCustomAsyncSocket::PendingSocketError() {
    int error = 0;
    socklen_t len = sizeof error;
    getsockopt(FHSocket, SOL_SOCKET, SO_ERROR, &error, &len);
    return WinsockErrorFromErrno(error);
}

// A data handler took nothing: waiting for the read notification would spin
// on the unread bytes, so the arrival watch waits for new ones instead. A
// hang-up that has already happened is reported at once.
void TCustomAsyncSocket::WaitForArrival() {
    pollfd probe{FHSocket, POLLRDHUP, 0};
    if (poll(&probe, 1, 0) > 0 && (probe.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
        PostCloseNotification();
        return;
    }
    FEndpoint->SetArrivalEnabled(true);
}

void TCustomAsyncSocket::UpdateNotifiers() {
    if (FHSocket < 0)
        return;
    const bool active = !FPaused;
    FEndpoint->SetReadEnabled(active && FReadiness.ReadEnabled() &&
                              (FState == wsConnected || FState == wsListening));
    // A race's own attempt that failed waits, silent, for the others' outcome;
    // they wait while the socket is paused.
    if (FRace)
        FRace->Hold(FPaused);
    const bool connecting = FState == wsConnecting && (!FRace || FRace->OwnAttemptPending());
    FEndpoint->SetWriteEnabled(active && FReadiness.WriteEnabled(connecting));
}

void TCustomAsyncSocket::WMASyncSelect(TSocketMessage& Msg) {
    if (Msg.WParam != FHSocket || FPaused || (Msg.Session != 0 && Msg.Session != FSessionId))
        return;
    const TLifeToken::TWatch watch = FLife.Watch();
    // A handler may end this session, and even start the next one: each step
    // after an event is taken only while the message's own session lasts.
    const std::uint64_t session = FSessionId;
    const auto current = [&] { return watch.Alive() && FSessionId == session && FHSocket >= 0; };
    const std::uint32_t bits = Msg.LParam & 0xFFFF;
    const auto error = static_cast<std::uint16_t>(Msg.LParam >> 16);
    if (bits & FD_CONNECT_BIT) {
        // Winsock reports a failed connect as connected-with-error first.
        ChangeState(wsConnected);
        if (current())
            TriggerSessionConnected(error);
        if (current() && error != 0 && FState != wsClosed)
            Close();
    }
    if (current() && (bits & FD_READ_BIT))
        ASyncReceive(error);
    if (current() && (bits & FD_WRITE_BIT)) {
        TryToSend();
        if (current() && FAllSent)
            TriggerDataSent(error);
    }
    if (current() && (bits & FD_ACCEPT_BIT))
        TriggerSessionAvailable(error);
    if (current() && (bits & FD_CLOSE_BIT) && FState != wsConnecting) {
        ASyncReceive(0); // whatever is still readable comes before the close
        if (current() && !FCloseNotified) {
            FCloseNotified = true;
            TriggerSessionClosed(error);
        }
        if (current() && FState != wsClosed)
            Close();
    }
}

void TCustomAsyncSocket::RequestWriteNotification() {
    FReadiness.WantWrite();
    UpdateNotifiers();
}

void TCustomAsyncSocket::CountReceiveCall(int Flags) {
    // A receive call arms the next read notification, as on Winsock. A peek
    // does not: the bytes it saw would fire that notification at once, and a
    // reader that waits for more is woken by their arrival instead.
    if ((Flags & MSG_PEEK) != 0)
        return;
    ++FRecvCalls;
    FReadiness.ArmRead();
    UpdateNotifiers();
}

bool TCustomAsyncSocket::BeginReadWait() {
    const bool wasBusy = FReadiness.BeginReadWait();
    UpdateNotifiers();
    return wasBusy;
}

void TCustomAsyncSocket::Pause() {
    FPaused = true;
    UpdateNotifiers();
}

void TCustomAsyncSocket::Resume() {
    FPaused = false;
    UpdateNotifiers();
}
