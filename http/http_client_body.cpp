// THttpClient: the body and the end of an answer. Body bytes go to OnDocData
// and the receive stream; an answer is complete at the end of its header when
// it has no body, else once its announced length has come, and the client
// then closes the connection itself or keeps it for the next hop. The end of
// each session is checked for a complete answer.

#include "http/http_client.h"

#include <QIODevice>

#include <algorithm>

#include "http/error_text.h"
#include "http/response_parsing.h"
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
    // Bytes after the announced length belong to no answer, and leave the
    // connection fit for none.
    if (FContentLength >= 0) {
        const std::int64_t missing = FContentLength - FAnswer.BodyBytes;
        FAnswer.Overrun = FAnswer.Overrun || static_cast<std::int64_t>(Len) > missing;
        if (missing <= 0)
            return;
        Len = static_cast<std::size_t>(std::min(missing, static_cast<std::int64_t>(Len)));
    }
    const THttpRequestWatch watch(*this);
    // Counted before the event: a handler that aborts there ends the
    // document it began.
    const bool first = FBodyLineCount == 0;
    ++FBodyLineCount;
    if (first) {
        TriggerDocBegin();
        if (!watch.Runs())
            return;
    }
    FReceivedCount += static_cast<std::int64_t>(Len);
    FAnswer.BodyBytes += static_cast<std::int64_t>(Len);
    if (FReceiveStream != nullptr)
        FReceiveStream->write(Data, static_cast<qint64>(Len));
    TriggerDocData(Data, static_cast<std::int32_t>(Len));
    if (watch.Runs() && LengthReached())
        EndCompleteAnswer();
}

bool THttpClient::FinalStatusArrived() const {
    return !FAnswer.AwaitingStatus && !IsInterimStatus(FStatusCode);
}

bool THttpClient::BodyExpected() const {
    // The GET after a refused HEAD asks for the header only.
    return FRequestType != THttpRequest::httpHEAD && !FHeadRefused && StatusHasBody(FStatusCode);
}

bool THttpClient::LengthReached() const {
    return FContentLength >= 0 && FAnswer.BodyBytes >= FContentLength;
}

void THttpClient::EndCompleteAnswer() {
    if (MayKeepConnection()) {
        KeepConnection();
        HopEnded();
        return;
    }
    // A server may keep the connection open after its answer; nothing more
    // of it is read.
    FLineReader.Clear();
    if (FSocket->State() != wsClosed)
        FSocket->Close(); // the session's end ends the request
}

void THttpClient::CheckAnswerComplete(std::uint16_t Error) {
    // A failure already recorded, an abort, an error answer and a redirection
    // end the session from this side; they keep their own reason.
    if (FRequestDoneError != 0 || FState == THttpState::httpAborting ||
        FStatusCode >= http_errors::kFirstErrorStatus || FRelocationPending)
        return;
    const bool inBody = FState == THttpState::httpWaitingBody;
    if (inBody && (!BodyExpected() || LengthReached()))
        return;
    if (Error != 0)
        SetLocalFailure(Error, ErrorText(Error));
    else if (!inBody && !FinalStatusArrived())
        SetLocalFailure(http_errors::kEmptyReply, "empty reply from server");
    else if (inBody && FContentLength >= 0)
        SetLocalFailure(http_errors::kBodyIncomplete,
                        "incomplete body: " + std::to_string(FAnswer.BodyBytes) + " of " +
                            std::to_string(FContentLength) + " bytes received");
}
