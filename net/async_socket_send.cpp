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
    int result = 0;
    if (Len > 0) {
        result = Len;
        PutDataInSendBuffer(Data, Len);
    }
    const TLifeToken::TWatch watch = FLife.Watch();
    TryToSend();
    // OnDataSent comes from the event loop, never from inside Send, so its
    // handler may send again without recursion.
    if (watch.Alive() && FAllSent && FHSocket >= 0)
        PostSocketMessage(WM_ASYNCSELECT, MakeSelectParam(FD_WRITE_BIT, 0));
    return result;
}

int TCustomAsyncSocket::SendStr(const std::string& Str) {
    return Send(Str.data(), static_cast<int>(Str.size()));
}

int TCustomAsyncSocket::RealSend(const void* Data, int Len) {
    const auto size = static_cast<std::size_t>(Len);
    const int flags = FSendFlags | MSG_NOSIGNAL;
    const auto n = static_cast<int>(
        FSocketType == SOCK_DGRAM
            ? sendto(FHSocket, Data, size, flags, FRemoteSockAddr.Data(), FRemoteSockAddr.Size())
            : send(FHSocket, Data, size, flags));
    if (n > 0)
        TriggerSendData(n);
    return n;
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
        std::int32_t len = 0;
        const char* data = FSendChain.Next(len);
        if (data == nullptr) {
            FAllSent = true;
            return;
        }
        int n = 0;
        {
            const TSendChain::THandover inFlight(FSendChain, watch);
            n = RealSend(data, len);
        }
        const int error = n < 0 ? LastSocketError() : 0;
        if (!watch.Alive() || n == 0)
            return;
        if (n < 0) {
            if (IsSessionEndingSendError(error)) {
                InternalClose(false, static_cast<std::uint16_t>(error));
            } else if (error == wsaerr::WouldBlock) {
                FReadiness.WantWrite();
                UpdateNotifiers();
            } else {
                SocketErrorNum(error, "TryToSend failed");
            }
            return;
        }
        if (FSendChain.Empty() || FHSocket < 0)
            return; // an OnSendData handler discarded the chain or closed
        FSendChain.Remove(n);
        if (n < len) {
            // The system buffer is full: the rest goes when it reports room.
            FReadiness.WantWrite();
            UpdateNotifiers();
            return;
        }
    }
}
