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
    if (!watch.Alive() || (FRemoteSockAddr.sin_addr.s_addr == INADDR_BROADCAST &&
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
    const auto n = static_cast<int>(sendto(FHSocket, Data, static_cast<std::size_t>(Len),
                                           FSendFlags | MSG_NOSIGNAL,
                                           reinterpret_cast<const sockaddr*>(&Dest), sizeof Dest));
    if (n < 0)
        FLastError = LastSocketError();
    else if (n > 0)
        TriggerSendData(n);
    return n;
}

int TCustomAsyncSocket::ReceiveFrom(void* Buffer, int BufferSize, sockaddr_in& From) {
    socklen_t len = sizeof From;
    const auto n =
        static_cast<int>(recvfrom(FHSocket, Buffer, static_cast<std::size_t>(BufferSize),
                                  MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&From), &len));
    if (n < 0)
        FLastError = LastSocketError();
    else
        FReadCount += n;
    CountReceiveCall(0);
    return n;
}
