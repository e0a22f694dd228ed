// Connecting a client socket: resolution, the descriptor and its options,
// the local bind and the non-blocking connect, whose outcome arrives as
// readiness (async_socket_readiness.cpp); with further addresses, the race
// of the attempts (TConnectRace) and the adoption of the one that won.
#include "net/custom_async_socket.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <unistd.h>

#include <cerrno>

#include "net/connect_race.h"
#include "net/socket_endpoint.h"
#include "net/socket_errors.h"
#include "net/socket_resolve.h"

namespace {

constexpr int kUdpProtocol = 17;

bool SetIntOption(int Handle, int Option, int Value) {
    return setsockopt(Handle, SOL_SOCKET, Option, &Value, sizeof Value) == 0;
}

} // namespace

void TCustomAsyncSocket::ResolveForConnect(bool WithLocalPort) {
    if (!FProtoResolved) {
        FProtoNumber = SocketResolveProto(FProtoStr);
        FSocketType = FProtoNumber == kUdpProtocol ? SOCK_DGRAM : SOCK_STREAM;
        FProtoResolved = true;
    }
    if (!FPortResolved) {
        FRemoteSockAddr.SetPort(SocketResolvePort(FPortStr, FProtoStr));
        FPortResolved = true;
    }
    if (WithLocalPort && !FLocalPortResolved) {
        FLocalPortNumber = SocketResolvePort(FLocalPortStr, FProtoStr);
        FLocalPortResolved = true;
    }
    // A layer that resolved the address itself (SOCKS) races nothing.
    FRaceTargets.clear();
    if (!FAddrResolved) {
        FRemoteSockAddr.SetHost(SocketResolveAddress(FAddrStr));
        // One address alone races nothing.
        if (!FMoreAddrs.empty()) {
            std::vector<TSocketAddress> all{FRemoteSockAddr};
            for (const std::string& address : FMoreAddrs) {
                all.push_back(FRemoteSockAddr);
                all.back().SetHost(SocketResolveAddress(address));
            }
            FRaceTargets = AlternateFamilies(all);
            FRaceTargets.erase(FRaceTargets.begin()); // the socket's own attempt
        }
        FAddrResolved = true;
    }
}

bool TCustomAsyncSocket::OpenSocket(bool WithLocalPort, const char* Operation,
                                    const char* SocketFunction) {
    try {
        ResolveForConnect(WithLocalPort);
    } catch (const ESocketException& e) {
        RaiseException(std::string(Operation) + ": " + e.what());
        return false;
    }
    DeleteBufferedData();
    const int handle =
        socket(FRemoteSockAddr.Family(), FSocketType | SOCK_NONBLOCK | SOCK_CLOEXEC, FProtoNumber);
    if (handle < 0) {
        SocketError(SocketFunction);
        return false;
    }
    AdoptHandle(handle);
    return true;
}

void TCustomAsyncSocket::AdoptHandle(int Handle) {
    FHSocket = Handle;
    ++FSessionId;
    FCloseNotified = false;
    FReadiness.Reset();
    FEndpoint->Watch(Handle, FSocketType == SOCK_STREAM);
}

bool TCustomAsyncSocket::SetSockOption(int Option, int Value, const char* FunctionName) {
    if (SetIntOption(FHSocket, Option, Value))
        return true;
    SocketError(FunctionName);
    return false;
}

linger TCustomAsyncSocket::LingerOption() const {
    linger option{};
    option.l_onoff = FLingerOnOff == wsLingerOn ? 1 : 0;
    option.l_linger = FLingerTimeout & 0xFFFF;
    return option;
}

void TCustomAsyncSocket::ApplyLinger() {
    if (FLingerOnOff == wsLingerNoSet)
        return;
    if (FHSocket < 0) {
        RaiseException("Cannot set linger option at this time");
        return;
    }
    const linger option = LingerOption();
    if (setsockopt(FHSocket, SOL_SOCKET, SO_LINGER, &option, sizeof option) != 0)
        SocketError("setsockopt(SO_LINGER)");
}

TSocketAddress TCustomAsyncSocket::LocalSockAddr(int Family) const {
    TSocketAddress local;
    if (!IsAnyAddressText(FLocalAddr))
        local = TSocketAddress::FromNumeric(FLocalAddr).value_or(local);
    else if (Family == AF_INET6)
        local = TSocketAddress::FromIpv6Literal("::").value_or(local);
    local.SetPort(static_cast<std::uint16_t>(FLocalPortNumber));
    return local;
}

bool TCustomAsyncSocket::WantsLocalBind() const {
    return FLocalPortNumber != 0 || !IsAnyAddressText(FLocalAddr);
}

void TCustomAsyncSocket::BindSocket() {
    const TSocketAddress local = LocalSockAddr(FRemoteSockAddr.Family());
    if (bind(FHSocket, local.Data(), local.Size()) != 0) {
        RaiseException("winsock.bind failed, error #" + std::to_string(LastSocketError()));
        return;
    }
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    if (getsockname(FHSocket, reinterpret_cast<sockaddr*>(&bound), &len) != 0) {
        RaiseException("winsock.getsockname failed, error #" + std::to_string(LastSocketError()));
        return;
    }
    FLocalPortNumber = TSocketAddress::FromSockaddr(bound).Port();
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
    if (!OpenSocket(true, "connect", "Connect (socket)"))
        return;
    const TLifeToken::TWatch watch = FLife.Watch();
    ChangeState(wsOpened);
    if (!watch.Alive())
        return;
    if (FSocketType == SOCK_DGRAM) {
        ConnectDatagram();
        return;
    }
    if (WantsLocalBind())
        BindSocket();
    if (!watch.Alive())
        return;
    ApplyLinger();
    if (!watch.Alive() || !SetSockOption(SO_KEEPALIVE, -1, "setsockopt(SO_KEEPALIVE)") ||
        !SetSockOption(SO_REUSEADDR, -1, "setsockopt(SO_REUSEADDR)"))
        return;
    int error = 0;
    if (::connect(FHSocket, FRemoteSockAddr.Data(), FRemoteSockAddr.Size()) != 0 &&
        errno != EINPROGRESS)
        error = LastSocketError();
    // With further addresses, a refusal at once is one failed attempt, and
    // Connect fails only when every attempt did.
    if (!FRaceTargets.empty())
        error = StartRace(error);
    if (error != 0) {
        SocketErrorNum(error, "Connect");
        return;
    }
    const std::uint64_t session = FSessionId;
    ChangeState(wsConnecting);
    if (!watch.Alive() || FSessionId != session || FState != wsConnecting)
        return;
    UpdateNotifiers(); // lets the race go on too
}

// --- racing further addresses ---------------------------------------------

int TCustomAsyncSocket::StartRace(int OwnError) {
    FRace = std::make_unique<TConnectRace>(
        std::move(FRaceTargets),
        [this](const TSocketAddress& Address) { return OpenAttempt(Address); },
        [this](int Handle, const TSocketAddress& Address) { AdoptRaceWinner(Handle, Address); },
        [this](int Error) {
            FRace.reset();
            ConnectOutcome(Error);
        });
    FRaceTargets.clear();
    if (FRace->Start(OwnError))
        return 0;
    const int error = FRace->LastError();
    FRace.reset();
    return error;
}

int TCustomAsyncSocket::OpenAttempt(const TSocketAddress& Address) const {
    const int handle =
        socket(Address.Family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, FProtoNumber);
    if (handle < 0)
        return -LastSocketError();
    const TSocketAddress local = LocalSockAddr(Address.Family());
    const linger option = LingerOption();
    const bool prepared =
        SetIntOption(handle, SO_KEEPALIVE, -1) && SetIntOption(handle, SO_REUSEADDR, -1) &&
        (FLingerOnOff == wsLingerNoSet ||
         setsockopt(handle, SOL_SOCKET, SO_LINGER, &option, sizeof option) == 0) &&
        (!WantsLocalBind() || bind(handle, local.Data(), local.Size()) == 0);
    if (prepared)
        return handle;
    const int error = LastSocketError();
    ::close(handle);
    return -error;
}

void TCustomAsyncSocket::AdoptRaceWinner(int Handle, const TSocketAddress& Address) {
    // The own attempt's descriptor, still connecting or failed, gives way.
    CloseHandleNow();
    FRemoteSockAddr = Address;
    AdoptHandle(Handle);
    ConnectOutcome(0);
}

bool TCustomAsyncSocket::OwnAttemptDecides(int& Error) {
    if (!FRace)
        return true;
    if (!FRace->OwnAttemptEnded(Error))
        return false;
    if (Error != 0)
        Error = FRace->LastError();
    FRace.reset();
    return true;
}
