#include "net/custom_async_socket.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTimer>

#include <cerrno>
#include <chrono>

#include "base/raise_event.h"
#include "net/resolver.h"
#include "net/socket_endpoint.h"
#include "net/socket_errors.h"
#include "net/socket_library.h"
#include "net/socket_resolve.h"

namespace {

constexpr int TcpProtocol = 6;
constexpr int UdpProtocol = 17;
constexpr int ListenBacklog = 5;
constexpr int DiscardChunk = 1024; // unclaimed data is thrown away in steps of this size
// Bytes one readiness notification may take before the receive loop lets the
// event loop run: a peer that never pauses must not starve timers and input.
constexpr std::uint64_t ReceiveRoundLimit = 256 * 1024;
// A listener whose accept failed for lack of descriptors or memory tries
// again after this long instead of at once, which would spin.
constexpr std::chrono::milliseconds AcceptRetryDelay(100);
constexpr const char* AnyAddress = "0.0.0.0";

// Blocks until at least one event has been handled: waiting costs no CPU time.
void WaitForEvents() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool IsResourceShortage(int Error) {
    return Error == wsaerr::TooManyFiles || Error == wsaerr::NoBufferSpace;
}

// Sets a flag of the socket while it lives, unless the socket went first.
class TScopedFlag {
public:
    TScopedFlag(bool& Flag, const TLifeToken::TWatch& Watch) : FFlag(Flag), FWatch(Watch) {
        FFlag = true;
    }
    ~TScopedFlag() {
        if (FWatch.Alive())
            FFlag = false;
    }
    TScopedFlag(const TScopedFlag&) = delete;
    TScopedFlag& operator=(const TScopedFlag&) = delete;

private:
    bool& FFlag;
    const TLifeToken::TWatch FWatch;
};

bool IsSessionEndingSendError(int Error) {
    return Error == wsaerr::ConnReset || Error == wsaerr::NotSocket ||
           Error == wsaerr::NotConnected || Error == wsaerr::InvalidArgument ||
           Error == wsaerr::ConnAborted;
}

} // namespace

TCustomAsyncSocket::TCustomAsyncSocket(QObject* Owner) : QObject(Owner) {
    FEndpoint = std::make_unique<TSocketEndpoint>(
        [this](TSocketMessage& Msg) { Dispatch(Msg); },
        [this](int Handle, bool Writable) { HandleReadiness(Handle, Writable); },
        [this](int Handle, bool Hangup) { HandleArrival(Handle, Hangup); });
    FResolver = std::make_unique<TResolver>(FEndpoint.get());
    AssignDefaultValue();
    SocketAddLibraryRef();
}

TCustomAsyncSocket::~TCustomAsyncSocket() {
    BeginDestruction();
    FResolver.reset(); // closes the channel: running lookups post nothing
    FEndpoint.reset();
    SocketReleaseLibraryRef();
}

void TCustomAsyncSocket::BeginDestruction() {
    if (FDestroying)
        return;
    FLife.Clear();
    FDestroying = true;
    try {
        CancelDnsLookup();
    } catch (...) {
    }
    if (FState != wsClosed) {
        try {
            Close();
        } catch (...) {
        }
    }
}

// --- properties ------------------------------------------------------------

bool TCustomAsyncSocket::CloseEndedSession() {
    if (FState == wsClosed || !FCloseNotified || FHSocket < 0)
        return true;
    const TLifeToken::TWatch watch = FLife.Watch();
    Close();
    return watch.Alive();
}

void TCustomAsyncSocket::SetAddr(const std::string& Value) {
    if (!CloseEndedSession() || (FAddrAssigned && Value == FAddrStr))
        return;
    if (FState != wsClosed) {
        RaiseException("Cannot change Addr if not closed");
        return;
    }
    FAddrStr = TrimSpaces(Value);
    FAddrAssigned = !FAddrStr.empty();
    FAddrResolved = false;
}

void TCustomAsyncSocket::SetRemotePort(const std::string& Value) {
    if (!CloseEndedSession() || (FPortAssigned && Value == FPortStr))
        return;
    if (FState != wsClosed) {
        RaiseException("Cannot change Port if not closed");
        return;
    }
    FPortStr = TrimSpaces(Value);
    FPortAssigned = !FPortStr.empty();
    FPortResolved = false;
}

void TCustomAsyncSocket::SetProto(const std::string& Value) {
    if (!CloseEndedSession() || (FProtoAssigned && Value == FProtoStr))
        return;
    if (FState != wsClosed) {
        RaiseException("Cannot change Proto if not closed");
        return;
    }
    FProtoStr = TrimSpaces(Value);
    FProtoAssigned = !FProtoStr.empty();
    FProtoResolved = false;
}

void TCustomAsyncSocket::SetLocalPort(const std::string& Value) {
    if (!CloseEndedSession())
        return;
    if (FState != wsClosed) {
        RaiseException("Cannot change LocalPort if not closed");
        return;
    }
    FLocalPortStr = Value;
    FLocalPortResolved = false;
}

void TCustomAsyncSocket::SetLocalAddr(const std::string& Value) {
    if (!CloseEndedSession())
        return;
    if (FState != wsClosed) {
        RaiseException("Cannot change LocalAddr if not closed");
        return;
    }
    const std::string Text = Value.empty() ? AnyAddress : Value;
    const in_addr_t Addr = inet_addr(Text.c_str());
    if (Addr == INADDR_NONE) {
        RaiseException("SetLocalAddr(): Invalid IP address");
        return;
    }
    FLocalAddr = SocketAddrToDotted(Addr);
}

TSocketSendFlags TCustomAsyncSocket::SendFlags() const {
    return FSendFlags == MSG_OOB ? wsSendUrgent : wsSendNormal;
}

void TCustomAsyncSocket::SetSendFlags(TSocketSendFlags Value) {
    switch (Value) {
    case wsSendNormal:
        FSendFlags = 0;
        break;
    case wsSendUrgent:
        FSendFlags = MSG_OOB;
        break;
    default:
        RaiseException("Invalid SendFlags");
    }
}

std::string TCustomAsyncSocket::PeerAddr() {
    sockaddr_in Peer{};
    if (FState != wsConnected)
        return "error";
    if (GetPeerName(Peer) != 0) {
        SocketError("GetPeerName");
        return "error";
    }
    return SocketAddrToDotted(Peer.sin_addr.s_addr);
}

std::string TCustomAsyncSocket::PeerPort() {
    sockaddr_in Peer{};
    if (FState != wsConnected)
        return "error";
    if (GetPeerName(Peer) != 0) {
        SocketError("GetPeerPort");
        return "error";
    }
    return std::to_string(ntohs(Peer.sin_port));
}

void TCustomAsyncSocket::AssignDefaultValue() {
    FRemoteSockAddr = sockaddr_in{};
    FRemoteSockAddr.sin_family = AF_INET;
    FPortAssigned = FAddrAssigned = false;
    FAddrResolved = FPortResolved = FProtoResolved = FLocalPortResolved = false;
    FProtoAssigned = true;
    FProtoNumber = TcpProtocol;
    FProtoStr = "tcp";
    FSocketType = SOCK_STREAM;
    FLocalPortStr = "0";
    FLocalAddr = AnyAddress;
    FLingerOnOff = wsLingerOn;
    FLingerTimeout = 0;
    FHSocket = -1;
    FState = wsClosed;
    FAllSent = true;
    FPaused = false;
    FReadCount = 0;
    FCloseNotified = false;
}

// --- dispatch --------------------------------------------------------------

void TCustomAsyncSocket::PostSocketMessage(unsigned Msg, std::uint32_t LParam) {
    FEndpoint->Post(TSocketMessage{Msg, FHSocket, LParam, {}, FSessionId});
}

// No exception may leave a Qt event handler: whatever a handler throws ends
// here and is treated as a background exception.
void TCustomAsyncSocket::Dispatch(TSocketMessage& Msg) {
    if (Msg.Msg == WM_QUIT_LOOP) {
        TakeQuitMessage();
        return;
    }
    const TLifeToken::TWatch watch = FLife.Watch();
    try {
        WndProc(Msg);
    } catch (const std::exception& E) {
        if (watch.Alive())
            HandleBackGroundException(E);
    } catch (...) {
        if (watch.Alive())
            HandleBackGroundException(ESocketException("Unknown exception in socket event"));
    }
}

void TCustomAsyncSocket::WndProc(TSocketMessage& Msg) {
    switch (Msg.Msg) {
    case WM_ASYNCSELECT:
        WMASyncSelect(Msg);
        break;
    case WM_ASYNCGETHOSTBYNAME:
    case WM_ASYNCGETHOSTBYADDR:
        WMAsyncLookupDone(Msg);
        break;
    case WM_CLOSE_DELAYED:
        // A close asked for in an earlier session must not end this one.
        if (Msg.Session == FSessionId)
            Close();
        break;
    case WM_RELEASE:
        delete this;
        break;
    case WM_TEST_EXCEPTION:
        throw ESocketException("Test exception in socket");
    default:
        break;
    }
}

// Translates descriptor readiness into the Winsock event bits. The notifier
// that fired stays off while its event runs, so a handler that runs the event
// loop is not re-entered by the same readiness.
void TCustomAsyncSocket::HandleReadiness(int Handle, bool Writable) {
    if (Handle != FHSocket)
        return;
    TSocketMessage Msg{WM_ASYNCSELECT, Handle, 0, {}, 0};
    if (Writable) {
        FWantWrite = false;
        if (FState == wsConnecting) {
            // The first readiness after a non-blocking connect is its outcome.
            const int Error = PendingSocketError();
            Msg.LParam = MakeSelectParam(FD_CONNECT_BIT, Error);
            FReadArmed = Error == 0;
        } else {
            Msg.LParam = MakeSelectParam(FD_WRITE_BIT, 0);
        }
        FWriteBusy = true;
    } else {
        FReadArmed = false;
        if (FState == wsListening) {
            Msg.LParam = MakeSelectParam(FD_ACCEPT_BIT, 0);
        } else if (FSocketType == SOCK_DGRAM) {
            Msg.LParam = MakeSelectParam(FD_READ_BIT, 0);
        } else {
            // Readable without data means the peer closed (0) or reset (error).
            char Probe;
            const ssize_t N = recv(Handle, &Probe, 1, MSG_PEEK);
            if (N > 0) {
                Msg.LParam = MakeSelectParam(FD_READ_BIT, 0);
            } else if (N == 0) {
                Msg.LParam = MakeSelectParam(FD_CLOSE_BIT, 0);
            } else if (errno == EAGAIN || errno == EINTR) {
                FReadArmed = true;
                return;
            } else {
                Msg.LParam = MakeSelectParam(FD_CLOSE_BIT, LastSocketError());
            }
        }
        FReadBusy = true;
    }
    UpdateNotifiers();
    const TLifeToken::TWatch watch = FLife.Watch();
    Dispatch(Msg);
    if (!watch.Alive())
        return;
    (Writable ? FWriteBusy : FReadBusy) = false;
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
    FReadArmed = true;
    UpdateNotifiers();
}

// The peer's close or reset is reported from the event loop; bytes still
// unread are offered first, as for any close.
void TCustomAsyncSocket::PostCloseNotification() {
    PostSocketMessage(WM_ASYNCSELECT, MakeSelectParam(FD_CLOSE_BIT, PendingSocketError()));
}

int TCustomAsyncSocket::PendingSocketError() {
    int Error = 0;
    socklen_t Len = sizeof Error;
    getsockopt(FHSocket, SOL_SOCKET, SO_ERROR, &Error, &Len);
    return WinsockErrorFromErrno(Error);
}

// A data handler took nothing: waiting for the read notification would spin
// on the unread bytes, so the arrival watch waits for new ones instead. A
// hang-up that has already happened is reported at once.
void TCustomAsyncSocket::WaitForArrival() {
    pollfd Probe{FHSocket, POLLRDHUP, 0};
    if (poll(&Probe, 1, 0) > 0 && (Probe.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
        PostCloseNotification();
        return;
    }
    FEndpoint->SetArrivalEnabled(true);
}

void TCustomAsyncSocket::UpdateNotifiers() {
    if (FHSocket < 0)
        return;
    const bool Active = !FPaused;
    FEndpoint->SetReadEnabled(Active && FReadArmed && !FReadBusy &&
                              (FState == wsConnected || FState == wsListening));
    FEndpoint->SetWriteEnabled(Active && !FWriteBusy && (FState == wsConnecting || FWantWrite));
}

void TCustomAsyncSocket::WMASyncSelect(TSocketMessage& Msg) {
    if (Msg.WParam != FHSocket || FPaused || (Msg.Session != 0 && Msg.Session != FSessionId))
        return;
    const TLifeToken::TWatch watch = FLife.Watch();
    // A handler may end this session, and even start the next one: each step
    // after an event is taken only while the message's own session lasts.
    const std::uint64_t Session = FSessionId;
    const auto Current = [&] { return watch.Alive() && FSessionId == Session && FHSocket >= 0; };
    const std::uint32_t Bits = Msg.LParam & 0xFFFF;
    const auto Error = static_cast<std::uint16_t>(Msg.LParam >> 16);
    if (Bits & FD_CONNECT_BIT) {
        // Winsock reports a failed connect as connected-with-error first.
        ChangeState(wsConnected);
        if (Current())
            TriggerSessionConnected(Error);
        if (Current() && Error != 0 && FState != wsClosed)
            Close();
    }
    if (Current() && (Bits & FD_READ_BIT))
        ASyncReceive(Error);
    if (Current() && (Bits & FD_WRITE_BIT)) {
        TryToSend();
        if (Current() && FAllSent)
            TriggerDataSent(Error);
    }
    if (Current() && (Bits & FD_ACCEPT_BIT))
        TriggerSessionAvailable(Error);
    if (Current() && (Bits & FD_CLOSE_BIT) && FState != wsConnecting) {
        ASyncReceive(0); // whatever is still readable comes before the close
        if (Current() && !FCloseNotified) {
            FCloseNotified = true;
            TriggerSessionClosed(Error);
        }
        if (Current() && FState != wsClosed)
            Close();
    }
}

void TCustomAsyncSocket::ASyncReceive(std::uint16_t Error) {
    const TLifeToken::TWatch watch = FLife.Watch();
    const std::uint64_t Session = FSessionId;
    const std::uint64_t BytesBefore = FRecvBytes;
    // From here on every arrival is news to the handlers called below.
    FEndpoint->ForgetArrivals();
    for (;;) {
        try {
            FLastError = 0;
            const std::uint64_t CallsBefore = FRecvCalls;
            const bool Taken = TriggerDataAvailable(Error);
            if (!watch.Alive() || FSessionId != Session)
                return;
            if (!Taken) {
                char Scratch[DiscardChunk];
                if (DoRecv(Scratch, sizeof Scratch, 0) < 0) {
                    FLastError = LastSocketError();
                    if (FLastError == wsaerr::WouldBlock) {
                        FLastError = 0;
                        return;
                    }
                }
            } else if (FRecvCalls == CallsBefore) {
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
            const std::int32_t Readable = GetRcvdCount();
            if (Readable <= 0)
                return;
            if (FRecvBytes - BytesBefore >= ReceiveRoundLimit) {
                // The next round follows at once, after the event loop has
                // had its turn: the armed read notification brings it, or,
                // when only a layer holds the bytes, a posted one.
                int System = 0;
                if (ioctl(FHSocket, FIONREAD, &System) == 0 && System == 0)
                    PostSocketMessage(WM_ASYNCSELECT, MakeSelectParam(FD_READ_BIT, 0));
                return;
            }
        } catch (...) {
            return; // a failing handler ends this round of reception
        }
    }
}

void TCustomAsyncSocket::WMAsyncLookupDone(TSocketMessage& Msg) {
    if (FLookupHandle == 0 || static_cast<std::uintptr_t>(Msg.WParam) != FLookupHandle)
        return;
    FLookupHandle = 0;
    const auto Error = static_cast<std::uint16_t>(Msg.LParam >> 16);
    if (Error == 0 && !Msg.Results.empty()) {
        FDnsResultList = std::move(Msg.Results);
        FDnsResult = FDnsResultList.front();
    }
    TriggerDNSLookupDone(Error);
}

void TCustomAsyncSocket::HandleBackGroundException(const std::exception& E) {
    const TLifeToken::TWatch watch = FLife.Watch();
    bool CanClose = true;
    try {
        RaiseEvent(FLife, OnBgException, this, E, CanClose);
    } catch (...) {
    }
    if (watch.Alive() && CanClose) {
        try {
            Abort();
        } catch (...) {
        }
    }
}

// --- errors ----------------------------------------------------------------

void TCustomAsyncSocket::SocketError(const std::string& FunctionName) {
    SocketErrorNum(LastSocketError(), FunctionName);
}

void TCustomAsyncSocket::SocketErrorNum(int Error, const std::string& FunctionName) {
    const std::string Text = "Error " + std::to_string(Error) + " in function " + FunctionName +
                             "\r\n" + SocketErrorDesc(Error);
    if (Error == wsaerr::ConnReset || Error == wsaerr::NotConnected) {
        const TLifeToken::TWatch watch = FLife.Watch();
        if (FHSocket >= 0 && FState != wsClosed) {
            // The connection is gone: its session ends here, once, with the
            // error the system holds for it (a peer's reset) or this one.
            const int Pending = PendingSocketError();
            InternalClose(false, static_cast<std::uint16_t>(Pending != 0 ? Pending : Error));
        } else {
            CloseHandleNow();
            ChangeState(wsClosed);
        }
        if (!watch.Alive())
            return;
    }
    FLastError = Error;
    RaiseException(Text);
}

void TCustomAsyncSocket::RaiseException(const std::string& Message) {
    if (OnError)
        TriggerError();
    else
        throw ESocketException(Message);
}

void TCustomAsyncSocket::ChangeState(TSocketState NewState) {
    const TSocketState OldState = FState;
    FState = NewState;
    TriggerChangeState(OldState, NewState);
}

// --- triggers --------------------------------------------------------------

bool TCustomAsyncSocket::TriggerDataAvailable(std::uint16_t Error) {
    if (!OnDataAvailable)
        return false;
    RaiseEvent(FLife, OnDataAvailable, this, Error);
    return true;
}
void TCustomAsyncSocket::TriggerSessionAvailable(std::uint16_t Error) {
    RaiseEvent(FLife, OnSessionAvailable, this, Error);
}
void TCustomAsyncSocket::TriggerSessionConnected(std::uint16_t Error) {
    RaiseEvent(FLife, OnSessionConnected, this, Error);
}
void TCustomAsyncSocket::TriggerSessionClosed(std::uint16_t Error) {
    RaiseEvent(FLife, OnSessionClosed, this, Error);
}
void TCustomAsyncSocket::TriggerDataSent(std::uint16_t Error) {
    RaiseEvent(FLife, OnDataSent, this, Error);
}
void TCustomAsyncSocket::TriggerChangeState(TSocketState OldState, TSocketState NewState) {
    RaiseEvent(FLife, OnChangeState, this, OldState, NewState);
}
void TCustomAsyncSocket::TriggerDNSLookupDone(std::uint16_t Error) {
    RaiseEvent(FLife, OnDnsLookupDone, this, Error);
}
void TCustomAsyncSocket::TriggerError() {
    RaiseEvent(FLife, OnError, this);
}
void TCustomAsyncSocket::TriggerSendData(std::int32_t BytesSent) {
    RaiseEvent(FLife, OnSendData, this, BytesSent);
}

// --- connection ------------------------------------------------------------

void TCustomAsyncSocket::ResolveForConnect(bool WithLocalPort) {
    if (!FProtoResolved) {
        FProtoNumber = SocketResolveProto(FProtoStr);
        FSocketType = FProtoNumber == UdpProtocol ? SOCK_DGRAM : SOCK_STREAM;
        FProtoResolved = true;
    }
    if (!FPortResolved) {
        FRemoteSockAddr.sin_port = htons(SocketResolvePort(FPortStr, FProtoStr));
        FPortResolved = true;
    }
    if (WithLocalPort && !FLocalPortResolved) {
        FLocalPortNumber = SocketResolvePort(FLocalPortStr, FProtoStr);
        FLocalPortResolved = true;
    }
    if (!FAddrResolved) {
        FRemoteSockAddr.sin_addr.s_addr = SocketResolveHost(FAddrStr);
        FAddrResolved = true;
    }
}

void TCustomAsyncSocket::AdoptHandle(int Handle) {
    FHSocket = Handle;
    ++FSessionId;
    FCloseNotified = false;
    FReadArmed = true;
    FWantWrite = FReadBusy = FWriteBusy = false;
    FEndpoint->Watch(Handle);
}

// Closes the descriptor at once (its notifiers go first); false on failure,
// with the error left in errno.
bool TCustomAsyncSocket::CloseHandleNow() {
    const int Handle = FHSocket;
    if (Handle < 0)
        return true;
    FEndpoint->Watch(-1);
    FHSocket = -1;
    // Linux releases the descriptor even when close reports EINTR.
    return ::close(Handle) == 0 || errno == EINTR;
}

bool TCustomAsyncSocket::SetSockOption(int Option, int Value, const char* FunctionName) {
    if (setsockopt(FHSocket, SOL_SOCKET, Option, &Value, sizeof Value) == 0)
        return true;
    SocketError(FunctionName);
    return false;
}

void TCustomAsyncSocket::ApplyLinger() {
    if (FLingerOnOff == wsLingerNoSet)
        return;
    if (FHSocket < 0) {
        RaiseException("Cannot set linger option at this time");
        return;
    }
    linger Linger{};
    Linger.l_onoff = FLingerOnOff == wsLingerOn ? 1 : 0;
    Linger.l_linger = FLingerTimeout & 0xFFFF;
    if (setsockopt(FHSocket, SOL_SOCKET, SO_LINGER, &Linger, sizeof Linger) != 0)
        SocketError("setsockopt(SO_LINGER)");
}

void TCustomAsyncSocket::BindSocket() {
    sockaddr_in Local{};
    Local.sin_family = AF_INET;
    Local.sin_port = htons(static_cast<std::uint16_t>(FLocalPortNumber));
    Local.sin_addr.s_addr = SocketResolveHost(FLocalAddr);
    if (bind(FHSocket, reinterpret_cast<const sockaddr*>(&Local), sizeof Local) != 0) {
        RaiseException("winsock.bind failed, error #" + std::to_string(LastSocketError()));
        return;
    }
    socklen_t Len = sizeof Local;
    if (getsockname(FHSocket, reinterpret_cast<sockaddr*>(&Local), &Len) != 0) {
        RaiseException("winsock.getsockname failed, error #" + std::to_string(LastSocketError()));
        return;
    }
    FLocalPortNumber = ntohs(Local.sin_port);
    FLocalPortStr = std::to_string(FLocalPortNumber);
}

void TCustomAsyncSocket::Connect() {
    if (!CloseEndedSession())
        return;
    if (FHSocket != -1 && FState != wsClosed) {
        RaiseException("Connect: Socket already in use");
        return;
    }
    if (!FPortAssigned) {
        RaiseException("Connect: No Port Specified");
        return;
    }
    if (!FAddrAssigned) {
        RaiseException("Connect: No IP Address Specified");
        return;
    }
    if (!FProtoAssigned) {
        RaiseException("Connect: No Protocol Specified");
        return;
    }
    try {
        ResolveForConnect(true);
    } catch (const ESocketException& E) {
        RaiseException(std::string("connect: ") + E.what());
        return;
    }
    DeleteBufferedData();
    const int Handle = socket(AF_INET, FSocketType | SOCK_NONBLOCK | SOCK_CLOEXEC, FProtoNumber);
    if (Handle < 0) {
        SocketError("Connect (socket)");
        return;
    }
    AdoptHandle(Handle);
    const TLifeToken::TWatch watch = FLife.Watch();
    ChangeState(wsOpened);
    if (!watch.Alive())
        return;
    if (FSocketType == SOCK_DGRAM) {
        BindSocket();
        if (!watch.Alive() || (FRemoteSockAddr.sin_addr.s_addr == INADDR_BROADCAST &&
                               !SetSockOption(SO_BROADCAST, 1, "setsockopt(SO_BROADCAST)")))
            return;
        ChangeState(wsConnected);
        if (!watch.Alive())
            return;
        UpdateNotifiers();
        TriggerSessionConnected(0);
        return;
    }
    if (FLocalPortNumber != 0 || FLocalAddr != AnyAddress)
        BindSocket();
    if (!watch.Alive())
        return;
    ApplyLinger();
    if (!watch.Alive() || !SetSockOption(SO_KEEPALIVE, -1, "setsockopt(SO_KEEPALIVE)") ||
        !SetSockOption(SO_REUSEADDR, -1, "setsockopt(SO_REUSEADDR)"))
        return;
    if (::connect(FHSocket, reinterpret_cast<const sockaddr*>(&FRemoteSockAddr),
                  sizeof FRemoteSockAddr) != 0 &&
        errno != EINPROGRESS) {
        SocketError("Connect");
        return;
    }
    ChangeState(wsConnecting);
    if (watch.Alive())
        UpdateNotifiers();
}

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
    const std::uint64_t Session = FSessionId;
    ChangeState(wsClosed);
    if (watch.Alive() && FSessionId == Session && !FDestroying && !FCloseNotified) {
        FCloseNotified = true;
        TriggerSessionClosed(Error);
    }
    if (watch.Alive() && FSessionId == Session)
        AssignDefaultValue();
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
    if (FState == wsConnected && FProtoNumber == TcpProtocol) {
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
    const bool WasBusy = FWriteBusy;
    FWriteBusy = false;
    // Inside a handover the chain is that handover's to finish.
    while (watch.Alive() && FHSocket >= 0 && !FAllSent && !FHandingOver) {
        TryToSend();
        if (!watch.Alive() || FHSocket < 0 || FAllSent)
            break;
        WaitForEvents();
    }
    if (watch.Alive())
        FWriteBusy = WasBusy;
}

void TCustomAsyncSocket::WaitForClose() {
    const TLifeToken::TWatch watch = FLife.Watch();
    const bool WasBusy = BeginReadWait();
    while (watch.Alive() && FHSocket >= 0 && FState != wsClosed)
        WaitForEvents();
    if (watch.Alive())
        EndReadWait(WasBusy);
}

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
    try {
        ResolveForConnect(false);
    } catch (const ESocketException& E) {
        RaiseException(std::string("listen: ") + E.what());
        return;
    }
    DeleteBufferedData();
    const int Handle = socket(AF_INET, FSocketType | SOCK_NONBLOCK | SOCK_CLOEXEC, FProtoNumber);
    if (Handle < 0) {
        SocketError("socket");
        return;
    }
    AdoptHandle(Handle);
    if (bind(FHSocket, reinterpret_cast<const sockaddr*>(&FRemoteSockAddr),
             sizeof FRemoteSockAddr) != 0) {
        // The state is still wsClosed, so a plain Close would keep the handle.
        const int Error = LastSocketError();
        CloseHandleNow();
        SocketErrorNum(Error, "Bind");
        return;
    }
    const TLifeToken::TWatch watch = FLife.Watch();
    ChangeState(wsBound);
    if (!watch.Alive())
        return;
    if (FSocketType == SOCK_DGRAM) {
        ChangeState(wsListening);
        if (watch.Alive())
            ChangeState(wsConnected);
        if (watch.Alive())
            TriggerSessionConnected(0);
    } else {
        if (::listen(FHSocket, ListenBacklog) != 0) {
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
    socklen_t Len = sizeof FRemoteSockAddr;
    const int Handle =
        accept4(FHSocket, reinterpret_cast<sockaddr*>(&FRemoteSockAddr), &Len, SOCK_CLOEXEC);
    const int Error = LastSocketError();
    if (Handle < 0 && IsResourceShortage(Error)) {
        // The connection still waits, so a notification now would fire at once.
        const std::uint64_t Session = FSessionId;
        QTimer::singleShot(AcceptRetryDelay, FEndpoint.get(), [this, Session] {
            if (Session != FSessionId)
                return;
            FReadArmed = true;
            UpdateNotifiers();
        });
    } else {
        FReadArmed = true; // like Winsock, accepting arms the next accept notification
        UpdateNotifiers();
    }
    if (Handle < 0) {
        SocketErrorNum(Error, "Accept");
        return -1;
    }
    return Handle;
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

void TCustomAsyncSocket::Shutdown(int How) {
    if (FHSocket >= 0)
        ::shutdown(FHSocket, How);
}

void TCustomAsyncSocket::Pause() {
    FPaused = true;
    UpdateNotifiers();
}

void TCustomAsyncSocket::Resume() {
    FPaused = false;
    UpdateNotifiers();
}

void TCustomAsyncSocket::MessagePump() {
    if (FMultiThreaded)
        ProcessMessages();
    else
        QCoreApplication::processEvents();
}

// --- receiving -------------------------------------------------------------

void TCustomAsyncSocket::RequestWriteNotification() {
    FWantWrite = true;
    UpdateNotifiers();
}

int TCustomAsyncSocket::DoRecv(void* Buffer, int BufferSize, int Flags) {
    if (FHSocket < 0) {
        errno = ENOTSOCK;
        return -1;
    }
    const auto N = static_cast<int>(
        recv(FHSocket, Buffer, static_cast<std::size_t>(BufferSize), Flags | MSG_DONTWAIT));
    const int SavedErrno = errno;
    if ((Flags & MSG_PEEK) == 0) {
        FRecvBytes += static_cast<std::uint64_t>(std::max(N, 0));
        FRecvDrained = N < BufferSize;
    }
    CountReceiveCall(Flags);
    errno = SavedErrno;
    return N;
}

std::int32_t TCustomAsyncSocket::GetRcvdCount() {
    int Readable = 0;
    if (ioctl(FHSocket, FIONREAD, &Readable) < 0) {
        SocketError("ioctlSocket");
        return -1;
    }
    return Readable;
}

int TCustomAsyncSocket::Receive(void* Buffer, int BufferSize) {
    const int N = DoRecv(Buffer, BufferSize, 0);
    if (N < 0)
        FLastError = LastSocketError();
    else
        FReadCount += N;
    return N;
}

std::string TCustomAsyncSocket::ReceiveStr() {
    const std::int32_t Count = RcvdCount();
    if (Count <= 0)
        return {};
    std::string Data(static_cast<std::size_t>(Count), '\0');
    const int N = Receive(Data.data(), Count);
    Data.resize(static_cast<std::size_t>(std::max(N, 0)));
    return Data;
}

int TCustomAsyncSocket::PeekData(void* Buffer, int BufferSize) {
    const int N = DoRecv(Buffer, BufferSize, MSG_PEEK);
    if (N < 0)
        FLastError = LastSocketError();
    return N;
}

int TCustomAsyncSocket::ReceiveFrom(void* Buffer, int BufferSize, sockaddr_in& From) {
    socklen_t Len = sizeof From;
    const auto N =
        static_cast<int>(recvfrom(FHSocket, Buffer, static_cast<std::size_t>(BufferSize),
                                  MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&From), &Len));
    if (N < 0)
        FLastError = LastSocketError();
    else
        FReadCount += N;
    CountReceiveCall(0);
    return N;
}

// --- sending ---------------------------------------------------------------

void TCustomAsyncSocket::PutDataInSendBuffer(const void* Data, int Len) {
    if (Len <= 0)
        return;
    if (FSendBuffers.empty())
        FSendBuffers.push_back(std::make_unique<TBuffer>(SendBlockSize));
    const char* Bytes = static_cast<const char*>(Data);
    std::int32_t Taken = FSendBuffers.back()->Write(Bytes, Len);
    while (Taken < Len) {
        FSendBuffers.push_back(std::make_unique<TBuffer>(SendBlockSize));
        Taken += FSendBuffers.back()->Write(Bytes + Taken, Len - Taken);
    }
}

void TCustomAsyncSocket::PutStringInSendBuffer(const std::string& Str) {
    PutDataInSendBuffer(Str.data(), static_cast<int>(Str.size()));
}

void TCustomAsyncSocket::DeleteBufferedData() {
    FSendBuffers.clear();
}

int TCustomAsyncSocket::Send(const void* Data, int Len) {
    if (FState != wsConnected) {
        SocketErrorNum(wsaerr::NotConnected, "Send");
        return -1;
    }
    FAllSent = false;
    int Result = 0;
    if (Len > 0) {
        Result = Len;
        PutDataInSendBuffer(Data, Len);
    }
    const TLifeToken::TWatch watch = FLife.Watch();
    TryToSend();
    // OnDataSent comes from the event loop, never from inside Send, so its
    // handler may send again without recursion.
    if (watch.Alive() && FAllSent && FHSocket >= 0)
        PostSocketMessage(WM_ASYNCSELECT, MakeSelectParam(FD_WRITE_BIT, 0));
    return Result;
}

int TCustomAsyncSocket::SendStr(const std::string& Str) {
    return Send(Str.data(), static_cast<int>(Str.size()));
}

int TCustomAsyncSocket::SendTo(const sockaddr_in& Dest, const void* Data, int Len) {
    const auto N = static_cast<int>(sendto(FHSocket, Data, static_cast<std::size_t>(Len),
                                           FSendFlags | MSG_NOSIGNAL,
                                           reinterpret_cast<const sockaddr*>(&Dest), sizeof Dest));
    if (N < 0)
        FLastError = LastSocketError();
    else if (N > 0)
        TriggerSendData(N);
    return N;
}

int TCustomAsyncSocket::RealSend(const void* Data, int Len) {
    const auto Size = static_cast<std::size_t>(Len);
    const int Flags = FSendFlags | MSG_NOSIGNAL;
    const auto N = static_cast<int>(
        FSocketType == SOCK_DGRAM
            ? sendto(FHSocket, Data, Size, Flags,
                     reinterpret_cast<const sockaddr*>(&FRemoteSockAddr), sizeof FRemoteSockAddr)
            : send(FHSocket, Data, Size, Flags));
    if (N > 0)
        TriggerSendData(N);
    return N;
}

void TCustomAsyncSocket::TryToSend() {
    // A Send from an OnSendData handler: the handover running below it takes
    // the new bytes too, while a second one would offer its block again.
    if (FHSocket < 0 || FHandingOver)
        return;
    if (FSendBuffers.empty()) {
        FAllSent = true; // nothing was ever queued: nothing is owed either
        return;
    }
    const TLifeToken::TWatch watch = FLife.Watch();
    for (;;) {
        std::int32_t Len = 0;
        const char* Data = FSendBuffers.front()->Peek(Len);
        if (Len == 0) {
            if (FSendBuffers.size() == 1) {
                FAllSent = true;
                return;
            }
            FSendBuffers.pop_front();
            continue;
        }
        int N = 0;
        {
            const TScopedFlag InFlight(FHandingOver, watch);
            N = RealSend(Data, Len);
        }
        const int Error = N < 0 ? LastSocketError() : 0;
        if (!watch.Alive() || N == 0)
            return;
        if (N < 0) {
            if (IsSessionEndingSendError(Error)) {
                InternalClose(false, static_cast<std::uint16_t>(Error));
            } else if (Error == wsaerr::WouldBlock) {
                FWantWrite = true;
                UpdateNotifiers();
            } else {
                SocketErrorNum(Error, "TryToSend failed");
            }
            return;
        }
        if (FSendBuffers.empty() || FHSocket < 0)
            return; // an OnSendData handler discarded the chain or closed
        FSendBuffers.front()->Remove(N);
        if (N < Len) {
            // The system buffer is full: the rest goes when it reports room.
            FWantWrite = true;
            UpdateNotifiers();
            return;
        }
    }
}

// --- name lookup -----------------------------------------------------------

void TCustomAsyncSocket::StartLookup(unsigned Msg, const std::string& Query) {
    try {
        FLookupHandle = FResolver->Start(
            Msg, Query, Msg == WM_ASYNCGETHOSTBYNAME ? FResolver->NameWork : FResolver->AddrWork);
    } catch (const ESocketException& E) {
        RaiseException(E.what());
    }
}

void TCustomAsyncSocket::RefuseEmptyHost() {
    const TLifeToken::TWatch watch = FLife.Watch();
    RaiseException("DNS lookup: invalid host name.");
    if (watch.Alive())
        TriggerDNSLookupDone(wsaerr::InvalidArgument);
}

void TCustomAsyncSocket::DnsLookup(const std::string& HostName) {
    if (HostName.empty()) {
        RefuseEmptyHost();
        return;
    }
    FLookupHandle = 0; // a replaced lookup ends silently
    FDnsResult.clear();
    FDnsResultList.clear();
    // 255.255.255.255 cannot be told from a failed conversion and is looked up.
    const in_addr_t Addr = inet_addr(HostName.c_str());
    if (Addr != INADDR_NONE) {
        FDnsResult = SocketAddrToDotted(Addr);
        TriggerDNSLookupDone(0);
        return;
    }
    StartLookup(WM_ASYNCGETHOSTBYNAME, HostName);
}

void TCustomAsyncSocket::ReverseDnsLookup(const std::string& HostAddr) {
    if (HostAddr.empty()) {
        RefuseEmptyHost();
        return;
    }
    FLookupHandle = 0;
    FDnsResult.clear();
    FDnsResultList.clear();
    StartLookup(WM_ASYNCGETHOSTBYADDR, HostAddr);
}

void TCustomAsyncSocket::CancelDnsLookup() {
    if (FLookupHandle == 0)
        return;
    FLookupHandle = 0; // its completion no longer matches and is dropped
    if (!FDestroying)
        TriggerDNSLookupDone(wsaerr::Interrupted);
}

// --- address queries -------------------------------------------------------

int TCustomAsyncSocket::GetPeerName(sockaddr_in& Name) {
    if (FState != wsConnected)
        return -1;
    socklen_t Len = sizeof Name;
    return getpeername(FHSocket, reinterpret_cast<sockaddr*>(&Name), &Len);
}

int TCustomAsyncSocket::GetSockName(sockaddr_in& Name) {
    socklen_t Len = sizeof Name;
    return getsockname(FHSocket, reinterpret_cast<sockaddr*>(&Name), &Len);
}

std::string TCustomAsyncSocket::GetXPort() {
    sockaddr_in Local{};
    if ((FState == wsBound || FState == wsConnected || FState == wsListening) &&
        GetSockName(Local) == 0)
        return std::to_string(ntohs(Local.sin_port));
    return "error";
}

// --- seconds/microseconds pairs --------------------------------------------

bool TCustomAsyncSocket::TimerIsSet(const timeval& Tvp) const {
    return Tvp.tv_sec != 0 || Tvp.tv_usec != 0;
}

void TCustomAsyncSocket::TimerClear(timeval& Tvp) {
    Tvp = timeval{};
}

bool TCustomAsyncSocket::TimerCmp(const timeval& Tvp, const timeval& Uvp, bool IsEqual) const {
    return (Tvp.tv_sec == Uvp.tv_sec && Tvp.tv_usec == Uvp.tv_usec) == IsEqual;
}

// --- the socket's own message pump --------------------------------------------

void TCustomAsyncSocket::CountReceiveCall(int Flags) {
    // A receive call arms the next read notification, as on Winsock. A peek
    // does not: the bytes it saw would fire that notification at once, and a
    // reader that waits for more is woken by their arrival instead.
    if ((Flags & MSG_PEEK) != 0)
        return;
    ++FRecvCalls;
    FReadArmed = true;
    UpdateNotifiers();
}

bool TCustomAsyncSocket::BeginReadWait() {
    const bool WasBusy = FReadBusy;
    FReadBusy = false;
    FReadArmed = true;
    UpdateNotifiers();
    return WasBusy;
}

void TCustomAsyncSocket::PostQuitMessage() {
    // Built without reading the session fields: the caller may be another thread.
    FEndpoint->Post(TSocketMessage{WM_QUIT_LOOP, 0, 0, {}, 0});
}

void TCustomAsyncSocket::TakeQuitMessage() {
    FTerminated = true;
    if (FMessageLoop != nullptr)
        FMessageLoop->exit();
}

bool TCustomAsyncSocket::ProcessMessage() {
    QAbstractEventDispatcher* const Dispatcher = QAbstractEventDispatcher::instance();
    return Dispatcher != nullptr && Dispatcher->processEvents(QEventLoop::AllEvents);
}

void TCustomAsyncSocket::ProcessMessages() {
    for (int Round = 0; Round < MaxPumpRounds && ProcessMessage(); ++Round) {
    }
}

void TCustomAsyncSocket::MessageLoop() {
    if (FTerminated)
        return;
    const TLifeToken::TWatch watch = FLife.Watch();
    QEventLoop Loop;
    QEventLoop* const Outer = FMessageLoop;
    FMessageLoop = &Loop;
    // exec also returns when the thread's loop is asked to quit, and at once
    // when that request came earlier.
    Loop.exec();
    if (!watch.Alive())
        return;
    FMessageLoop = Outer;
    FTerminated = true;
}
