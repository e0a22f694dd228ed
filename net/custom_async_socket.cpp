#include "net/custom_async_socket.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "base/raise_event.h"
#include "net/connect_race.h"
#include "net/resolver.h"
#include "net/socket_endpoint.h"
#include "net/socket_errors.h"
#include "net/socket_library.h"
#include "net/socket_resolve.h"

// Construction, properties, errors and the trigger operations of the engine.
// Each of its paths has a file of its own: async_socket_readiness.cpp (how
// descriptor readiness becomes events), _connect, _close, _receive, _send,
// _listen, _datagram, _lookup and _pump (private messages, the message pump
// and the timer helpers).

namespace {

// The IPv4 form of an address query: what fits a sockaddr_in, or -1.
int Ipv4Form(int Result, const sockaddr_storage& Storage, sockaddr_in& Name) {
    if (Result != 0)
        return Result;
    if (Storage.ss_family != AF_INET) {
        errno = EAFNOSUPPORT;
        return -1;
    }
    std::memcpy(&Name, &Storage, sizeof Name);
    return 0;
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
    if (!CloseEndedSession())
        return;
    if (FState == wsClosed) {
        // The further addresses are resolved with the first one.
        FMoreAddrs.clear();
        FAddrResolved = false;
    }
    if (FAddrAssigned && Value == FAddrStr)
        return;
    if (FState != wsClosed) {
        RaiseException("Cannot change Addr if not closed");
        return;
    }
    FAddrStr = TrimSpaces(Value);
    FAddrAssigned = !FAddrStr.empty();
    FAddrResolved = false;
}

void TCustomAsyncSocket::SetAddrList(const std::vector<std::string>& Addresses) {
    const TLifeToken::TWatch watch = FLife.Watch();
    SetAddr(Addresses.empty() ? std::string() : Addresses.front());
    if (!watch.Alive() || FState != wsClosed || Addresses.empty())
        return;
    for (auto address = Addresses.begin() + 1; address != Addresses.end(); ++address)
        FMoreAddrs.push_back(TrimSpaces(*address));
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
    const std::string text = Value.empty() ? kAnyAddress : Value;
    if (const auto literal = TSocketAddress::FromIpv6Literal(text)) {
        FLocalAddr = literal->Text();
        return;
    }
    const in_addr_t addr = inet_addr(text.c_str());
    if (addr == INADDR_NONE) {
        RaiseException("SetLocalAddr(): Invalid IP address");
        return;
    }
    FLocalAddr = SocketAddrToDotted(addr);
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
    sockaddr_storage peer{};
    if (FState != wsConnected)
        return "error";
    if (GetPeerName(peer) != 0) {
        SocketError("GetPeerName");
        return "error";
    }
    return TSocketAddress::FromSockaddr(peer).Text();
}

std::string TCustomAsyncSocket::PeerPort() {
    sockaddr_storage peer{};
    if (FState != wsConnected)
        return "error";
    if (GetPeerName(peer) != 0) {
        SocketError("GetPeerPort");
        return "error";
    }
    return std::to_string(TSocketAddress::FromSockaddr(peer).Port());
}

int TCustomAsyncSocket::GetPeerName(sockaddr_in& Name) {
    sockaddr_storage peer{};
    return Ipv4Form(GetPeerName(peer), peer, Name);
}

int TCustomAsyncSocket::GetPeerName(sockaddr_storage& Name) {
    if (FState != wsConnected)
        return -1;
    socklen_t len = sizeof Name;
    return getpeername(FHSocket, reinterpret_cast<sockaddr*>(&Name), &len);
}

int TCustomAsyncSocket::GetSockName(sockaddr_in& Name) {
    sockaddr_storage local{};
    return Ipv4Form(GetSockName(local), local, Name);
}

int TCustomAsyncSocket::GetSockName(sockaddr_storage& Name) {
    socklen_t len = sizeof Name;
    return getsockname(FHSocket, reinterpret_cast<sockaddr*>(&Name), &len);
}

std::string TCustomAsyncSocket::GetXPort() {
    sockaddr_storage local{};
    if ((FState == wsBound || FState == wsConnected || FState == wsListening) &&
        GetSockName(local) == 0)
        return std::to_string(TSocketAddress::FromSockaddr(local).Port());
    return "error";
}

void TCustomAsyncSocket::AssignDefaultValue() {
    FRemoteSockAddr = TSocketAddress();
    FMoreAddrs.clear();
    FRaceTargets.clear();
    FPortAssigned = FAddrAssigned = false;
    FAddrResolved = FPortResolved = FProtoResolved = FLocalPortResolved = false;
    FProtoAssigned = true;
    FProtoNumber = kTcpProtocol;
    FProtoStr = "tcp";
    FSocketType = SOCK_STREAM;
    // Moved in: GCC 12 warns falsely (-Wrestrict) on assigning the text in place.
    FLocalPortStr = std::string("0");
    FLocalAddr = kAnyAddress;
    FLingerOnOff = wsLingerOn;
    FLingerTimeout = 0;
    FHSocket = -1;
    FState = wsClosed;
    FAllSent = true;
    FPaused = false;
    FReadCount = 0;
    FCloseNotified = false;
}

// --- errors ----------------------------------------------------------------

void TCustomAsyncSocket::SocketError(const std::string& FunctionName) {
    SocketErrorNum(LastSocketError(), FunctionName);
}

void TCustomAsyncSocket::SocketErrorNum(int Error, const std::string& FunctionName) {
    const std::string text = "Error " + std::to_string(Error) + " in function " + FunctionName +
                             "\r\n" + SocketErrorDesc(Error);
    if (Error == wsaerr::ConnReset || Error == wsaerr::NotConnected) {
        const TLifeToken::TWatch watch = FLife.Watch();
        if (FHSocket >= 0 && FState != wsClosed) {
            // The connection is gone: its session ends here, once, with the
            // error the system holds for it (a peer's reset) or this one.
            const int pending = PendingSocketError();
            InternalClose(false, static_cast<std::uint16_t>(pending != 0 ? pending : Error));
        } else {
            CloseHandleNow();
            ChangeState(wsClosed);
        }
        if (!watch.Alive())
            return;
    }
    FLastError = Error;
    RaiseException(text);
}

void TCustomAsyncSocket::RaiseException(const std::string& Message) {
    if (OnError)
        TriggerError();
    else
        throw ESocketException(Message);
}

void TCustomAsyncSocket::HandleBackGroundException(const std::exception& E) {
    const TLifeToken::TWatch watch = FLife.Watch();
    bool canClose = true;
    try {
        RaiseEvent(FLife, OnBgException, this, E, canClose);
    } catch (...) {
    }
    if (watch.Alive() && canClose) {
        try {
            Abort();
        } catch (...) {
        }
    }
}

void TCustomAsyncSocket::ChangeState(TSocketState NewState) {
    const TSocketState oldState = FState;
    FState = NewState;
    TriggerChangeState(oldState, NewState);
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
