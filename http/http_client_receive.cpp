// THttpClient: receiving. Received bytes are cut into lines and handed to the
// line handler of what is expected: the proxy's answer, the header or the body.

#include "http/http_client.h"

#include "http/response_parsing.h"
#include "net/async_socket.h"

void THttpClient::SocketDataAvailable(std::uint16_t Error) {
    if (!FKeptKey.empty()) {
        // A kept connection waits for a request: what the server sends
        // meanwhile belongs to no answer, and the connection to none.
        char byte = 0;
        if (FSocket->Receive(&byte, 1) > 0)
            FSocket->Close();
        return;
    }
    const TLifeToken::TWatch watch = FLifeToken.Watch();
    ReceiveAvailable(Error);
    if (!watch.Alive())
        return;
    // An error answer ends at once, but only after the bytes of this receive:
    // header lines and body bytes that came with its status line are still
    // handled, and the close then ends the document they began.
    if (FStatusCode >= http_errors::kFirstErrorStatus && FKeptKey.empty() &&
        FSocket->State() != wsClosed)
        FSocket->Close();
}

void THttpClient::ReceiveAvailable(std::uint16_t Error) {
    if (FState == THttpState::httpWaitingBody && FLineReader.HeldCount() == 0) {
        ReceiveBody();
        return;
    }
    const std::span<char> space = FLineReader.Space();
    const int n = FSocket->Receive(space.data(), static_cast<int>(space.size()));
    if (FRequestType == THttpRequest::httpAbort || n <= 0)
        return;
    FLineReader.Received(static_cast<std::size_t>(n));
    // The proxy's answer to CONNECT comes before the request.
    if (!FTunnelPending) {
        FHops.Received();
        FRetryOnClose = false;
    }

    if (FState == THttpState::httpWaitingBody) {
        DeliverHeldBytesAsBody();
        return;
    }
    // What a line means follows the state after each line: a handler that
    // aborts leaves the rest to OnDataAvailable.
    const TLifeToken::TWatch watch = FLifeToken.Watch();
    while (FLineReader.NextLine(FCurrentLine, FCurrentLineEnd)) {
        if (FState == THttpState::httpWaitingHeader || FState == THttpState::httpWaitingBody ||
            FTunnelPending)
            RunLineHandler();
        else
            TriggerDataAvailable(Error);
        if (!watch.Alive())
            return;
        if (FState == THttpState::httpWaitingBody)
            break;
    }
    // After a reply without header ("<HTML>" first) the bytes after its first
    // line are body bytes as they came, line ends included; they go out now,
    // as a close before the next read would otherwise lose them.
    if (FState == THttpState::httpWaitingBody) {
        DeliverHeldBytesAsBody();
        return;
    }
    // A full buffer without a line end can never become a line: end the
    // request now instead of waiting for a server that may never close.
    if (FLineReader.Full() && (FState == THttpState::httpWaitingHeader || FTunnelPending))
        EndWithLocalFailure(http_errors::kLineTooLong, "HTTP line too long");
}

bool THttpClient::HeaderLineFits() {
    if (FLineReader.AddHeaderText(FCurrentLine))
        return true;
    EndWithLocalFailure(http_errors::kHeaderTooLarge, "HTTP header too large");
    return false;
}

void THttpClient::RunLineHandler() {
    if (FLineHandler != nullptr)
        (this->*FLineHandler)();
    else
        SetReady();
}
