// THttpClient: body delivery, to OnDocData and the receive stream.

#include "http/http_client.h"

#include <QIODevice>

#include "net/async_socket.h"

void THttpClient::DeliverHeldBytesAsBody() {
    const std::string_view held = FLineReader.TakeHeld();
    if (!held.empty())
        DeliverBody(held.data(), held.size());
}

void THttpClient::ReceiveBody() {
    if (FBodyBuffer.empty())
        FBodyBuffer.resize(http_limits::kBodyReceiveSize);
    const int n = FSocket->Receive(FBodyBuffer.data(), static_cast<int>(FBodyBuffer.size()));
    if (FRequestType == THttpRequest::httpAbort || n <= 0)
        return;
    DeliverBody(FBodyBuffer.data(), static_cast<std::size_t>(n));
}

void THttpClient::GetBodyLineNext() {
    DeliverBody(FCurrentLine.data(), FCurrentLine.size());
}

void THttpClient::DeliverBody(const char* Data, std::size_t Len) {
    // Counted before the event: a handler that aborts there ends the
    // document it began.
    const bool first = FBodyLineCount == 0;
    ++FBodyLineCount;
    if (first) {
        const TRequestWatch watch(*this);
        TriggerDocBegin();
        if (!watch.Runs())
            return;
    }
    FReceivedCount += static_cast<std::int64_t>(Len);
    if (FReceiveStream != nullptr)
        FReceiveStream->write(Data, static_cast<qint64>(Len));
    TriggerDocData(Data, static_cast<std::int32_t>(Len));
}
