// Datagrams: a datagram socket is connected, or listening and connected, at
// once; SendTo and ReceiveFrom carry one datagram each, unbuffered.
#include "net/custom_async_socket.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include "net/socket_errors.h"

// Binds, and allows broadcasts to the all-ones address.
void TCustomAsyncSocket::ConnectDatagram() {
    const TLifeToken::TWatch watch = FLife.Watch();
    BindSocket();
    if (!watch.Alive() || (FRemoteSockAddr.IsIpv4Broadcast() &&
                           !SetSockOption(SO_BROADCAST, 1, "setsockopt(SO_BROADCAST)")))
        return;
    ChangeState(wsConnected);
    if (!watch.Alive())
        return;
    UpdateNotifiers();
    TriggerSessionConnected(0);
}

void TCustomAsyncSocket::ListenDatagram() {
    const TLifeToken::TWatch watch = FLife.Watch();
    ChangeState(wsListening);
    if (watch.Alive())
        ChangeState(wsConnected);
    if (watch.Alive())
        TriggerSessionConnected(0);
}

int TCustomAsyncSocket::SendTo(const sockaddr_in& Dest, const void* Data, int Len) {
    return SendDatagram(reinterpret_cast<const sockaddr*>(&Dest), sizeof Dest, Data, Len);
}

int TCustomAsyncSocket::SendTo(const sockaddr_storage& Dest, const void* Data, int Len) {
    const socklen_t size = Dest.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    return SendDatagram(reinterpret_cast<const sockaddr*>(&Dest), size, Data, Len);
}

int TCustomAsyncSocket::SendDatagram(const sockaddr* Dest, socklen_t DestSize, const void* Data,
                                     int Len) {
    const auto n = static_cast<int>(sendto(FHSocket, Data, static_cast<std::size_t>(Len),
                                           FSendFlags | MSG_NOSIGNAL, Dest, DestSize));
    if (n < 0)
        FLastError = LastSocketError();
    else if (n > 0)
        TriggerSendData(n);
    return n;
}

int TCustomAsyncSocket::ReceiveFrom(void* Buffer, int BufferSize, sockaddr_in& From) {
    return ReceiveDatagram(Buffer, BufferSize, reinterpret_cast<sockaddr*>(&From), sizeof From);
}

int TCustomAsyncSocket::ReceiveFrom(void* Buffer, int BufferSize, sockaddr_storage& From) {
    return ReceiveDatagram(Buffer, BufferSize, reinterpret_cast<sockaddr*>(&From), sizeof From);
}

int TCustomAsyncSocket::ReceiveDatagram(void* Buffer, int BufferSize, sockaddr* From,
                                        socklen_t FromSize) {
    const auto n = static_cast<int>(recvfrom(FHSocket, Buffer, static_cast<std::size_t>(BufferSize),
                                             MSG_DONTWAIT, From, &FromSize));
    if (n < 0)
        FLastError = LastSocketError();
    else
        FReadCount += n;
    CountReceiveCall(0);
    return n;
}
