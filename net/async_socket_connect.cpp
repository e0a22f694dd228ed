// Connecting a client socket: resolution, the descriptor and its options,
// the local bind and the non-blocking connect, whose outcome arrives as
// readiness (async_socket_readiness.cpp).
#include "net/custom_async_socket.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>

#include "net/socket_endpoint.h"
#include "net/socket_errors.h"
#include "net/socket_resolve.h"

namespace {

constexpr int kUdpProtocol = 17;

} // namespace

void TCustomAsyncSocket::ResolveForConnect(bool WithLocalPort) {
    if (!FProtoResolved) {
        FProtoNumber = SocketResolveProto(FProtoStr);
        FSocketType = FProtoNumber == kUdpProtocol ? SOCK_DGRAM : SOCK_STREAM;
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

bool TCustomAsyncSocket::OpenSocket(bool WithLocalPort, const char* Operation,
                                    const char* SocketFunction) {
    try {
        ResolveForConnect(WithLocalPort);
    } catch (const ESocketException& e) {
        RaiseException(std::string(Operation) + ": " + e.what());
        return false;
    }
    DeleteBufferedData();
    const int handle = socket(AF_INET, FSocketType | SOCK_NONBLOCK | SOCK_CLOEXEC, FProtoNumber);
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
    FEndpoint->Watch(Handle);
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
    linger option{};
    option.l_onoff = FLingerOnOff == wsLingerOn ? 1 : 0;
    option.l_linger = FLingerTimeout & 0xFFFF;
    if (setsockopt(FHSocket, SOL_SOCKET, SO_LINGER, &option, sizeof option) != 0)
        SocketError("setsockopt(SO_LINGER)");
}

void TCustomAsyncSocket::BindSocket() {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(FLocalPortNumber));
    local.sin_addr.s_addr = SocketResolveHost(FLocalAddr);
    if (bind(FHSocket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        RaiseException("winsock.bind failed, error #" + std::to_string(LastSocketError()));
        return;
    }
    socklen_t len = sizeof local;
    if (getsockname(FHSocket, reinterpret_cast<sockaddr*>(&local), &len) != 0) {
        RaiseException("winsock.getsockname failed, error #" + std::to_string(LastSocketError()));
        return;
    }
    FLocalPortNumber = ntohs(local.sin_port);
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
    if (FLocalPortNumber != 0 || FLocalAddr != kAnyAddress)
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
