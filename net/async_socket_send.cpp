// Sending: Send appends to the chain of blocks and hands over what the system
// takes now; the rest goes when the system reports room (the write
// notification), after which OnDataSent reports the chain empty.
#include "net/custom_async_socket.h"

#include <sys/socket.h>

#include "net/socket_errors.h"

namespace {

bool IsSessionEndingSendError(int Error) {
    return Error == wsaerr::ConnReset || Error == wsaerr::NotSocket ||
           Error == wsaerr::NotConnected || Error == wsaerr::InvalidArgument ||
           Error == wsaerr::ConnAborted;
}

} // namespace

void TCustomAsyncSocket::PutDataInSendBuffer(const void* Data, int Len) {
    FSendChain.Put(Data, Len);
}

void TCustomAsyncSocket::PutStringInSendBuffer(const std::string& Str) {
    PutDataInSendBuffer(Str.data(), static_cast<int>(Str.size()));
}

void TCustomAsyncSocket::DeleteBufferedData() {
    FSendChain.Clear();
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
    if (FHSocket < 0 || FSendChain.HandingOver())
        return;
    if (FSendChain.Empty()) {
        FAllSent = true; // nothing was ever queued: nothing is owed either
        return;
    }
    const TLifeToken::TWatch watch = FLife.Watch();
    for (;;) {
        std::int32_t Len = 0;
        const char* Data = FSendChain.Next(Len);
        if (Data == nullptr) {
            FAllSent = true;
            return;
        }
        int N = 0;
        {
            const TSendChain::THandover InFlight(FSendChain, watch);
            N = RealSend(Data, Len);
        }
        const int Error = N < 0 ? LastSocketError() : 0;
        if (!watch.Alive() || N == 0)
            return;
        if (N < 0) {
            if (IsSessionEndingSendError(Error)) {
                InternalClose(false, static_cast<std::uint16_t>(Error));
            } else if (Error == wsaerr::WouldBlock) {
                FReadiness.WantWrite();
                UpdateNotifiers();
            } else {
                SocketErrorNum(Error, "TryToSend failed");
            }
            return;
        }
        if (FSendChain.Empty() || FHSocket < 0)
            return; // an OnSendData handler discarded the chain or closed
        FSendChain.Remove(N);
        if (N < Len) {
            // The system buffer is full: the rest goes when it reports room.
            FReadiness.WantWrite();
            UpdateNotifiers();
            return;
        }
    }
}
