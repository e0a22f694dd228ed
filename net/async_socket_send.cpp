// Sending: Send appends to the chain of blocks and hands over what the system
// takes now; the rest goes when the system reports room (the write
// notification), after which OnDataSent reports the chain empty.
#include "net/custom_async_socket.h"

#include <sys/socket.h>

#include "net/socket_errors.h"

namespace {

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
                FReadiness.WantWrite();
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
            FReadiness.WantWrite();
            UpdateNotifiers();
            return;
        }
    }
}
