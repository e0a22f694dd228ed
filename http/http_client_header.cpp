// THttpClient: the response header. Its lines, the fields the client keeps,
// and its end, where the body begins or a redirection goes on.

#include "http/http_client.h"

#include "base/ascii_text.h"
#include "http/response_parsing.h"
#include "http/url.h"
#include "net/async_socket.h"

void THttpClient::GetHeaderLineNext() {
    const THttpRequestWatch watch(*this);
    const bool firstLine = FAnswer.AwaitingStatus && !IsInterimStatus(FStatusCode);
    if (firstLine) {
        TriggerHeaderBegin();
        if (!watch.Runs())
            return;
    }
    FLineReader.CountHeaderLine();

    if (firstLine && IsHtmlTagLine(FCurrentLine)) {
        // A response without a header: this line is the first piece of the body.
        FAnswer.AwaitingStatus = false;
        FStatusCode = 0; // nor the status of an earlier hop
        FReasonPhrase.clear();
        if (FContentType.empty())
            FContentType = "text/html";
        if (!BeginBody())
            return;
        FCurrentLine += FCurrentLineEnd; // a saved document must hold the bytes sent
        GetBodyLineNext();
        return;
    }
    if (FAnswer.AwaitingStatus) {
        GetStatusLine();
        return;
    }
    if (FCurrentLine.empty()) {
        if (!ApplyPendingField())
            return;
        if (IsInterimStatus(FStatusCode)) {
            // The final answer follows; the report starts at its first line.
            FAnswer.AwaitingStatus = true;
            FResponseHeaderStart = FReceivedHeader.size();
            return;
        }
        HeaderEnded();
        return;
    }
    if (!HeaderLineFits())
        return;
    if (FAnswer.FieldPending && IsContinuationLine(FCurrentLine)) {
        FReceivedHeader.back() = JoinFoldedLine(FReceivedHeader.back(), FCurrentLine);
    } else {
        if (!ApplyPendingField())
            return;
        FReceivedHeader.push_back(FCurrentLine);
        FAnswer.FieldPending = true;
    }
    TriggerHeaderData();
}

void THttpClient::GetStatusLine() {
    if (!FCurrentLine.empty()) {
        const THttpRequestWatch watch(*this);
        if (!HeaderLineFits())
            return;
        FReceivedHeader.push_back(FCurrentLine);
        if (const auto status = ParseStatusLine(FCurrentLine)) {
            FAnswer.AwaitingStatus = false;
            FStatusCode = status->Code;
            FReasonPhrase = status->Reason;
            FAnswer.Version = FCurrentLine.substr(0, FCurrentLine.find(' '));
            FHops.Status(FCurrentLine, status->Code, status->Reason);
        }
        TriggerHeaderData();
        if (!watch.Runs() || !FAnswer.AwaitingStatus)
            return;
    }
    EndWithLocalFailure(http_errors::kInvalidStatusLine, "invalid status line");
}

bool THttpClient::ApplyPendingField() {
    if (!FAnswer.FieldPending)
        return true;
    FAnswer.FieldPending = false;
    // An interim answer's fields say nothing about the final answer.
    if (IsInterimStatus(FStatusCode))
        return true;
    const THttpRequestWatch watch(*this);
    HeaderField(FReceivedHeader.back());
    return watch.Runs();
}

void THttpClient::HeaderField(const std::string& Line) {
    std::string field, value;
    if (!SplitHeaderField(Line, field, value))
        return;
    if (field == "location") {
        NoteLocation(value);
    } else if (field == "content-length") {
        if (const auto length = ParseDecimal(value))
            FContentLength = *length;
    } else if (field == "content-range") {
        ParseContentRange(value, FContentRangeBegin, FContentRangeEnd);
    } else if (field == "accept-ranges") {
        FAcceptRanges = value;
    } else if (field == "content-type") {
        FContentType = LowerCase(value);
    } else if (field == "connection") {
        AddConnectionTokens(value, FAnswer.Connection);
    } else if (field == "www-authenticate") {
        FAuthenticateValues.push_back(value);
    } else if (field == "set-cookie") {
        bool accept = true;
        const THttpRequestWatch watch(*this);
        TriggerCookie(value, accept);
        if (accept && watch.Runs())
            StoreCookie(value);
    }
}

void THttpClient::HeaderEnded() {
    FHops.HeaderEnded();
    const THttpRequestWatch watch(*this);
    if (FRelocationPending) {
        TriggerHeaderEnd();
        if (!watch.Runs())
            return;
        if (FRedirections >= http_limits::kMaxRedirections) {
            // A server that keeps redirecting would otherwise hold the client forever.
            EndWithLocalFailure(http_errors::kTooManyRedirections, "too many redirections");
            return;
        }
        ++FRedirections;
        const bool keep = MayKeepConnection();
        FLineReader.Clear(); // the rest of this answer belongs to a document not asked for
        StartResponse();
        if (keep) {
            KeepConnection();
            FollowLocation();
            return;
        }
        AttachSessionClosed(&THttpClient::LocationSessionClosed);
        FSocket->Close();
        return;
    }
    FTarget.DocName = DocNameForContentType(FTarget.DocName, FContentType);
    if (!BeginBody())
        return;
    if (!BodyExpected() || LengthReached())
        EndCompleteAnswer();
    else
        DeliverHeldBytesAsBody();
}

bool THttpClient::BeginBody() {
    const THttpRequestWatch watch(*this);
    StateChange(THttpState::httpWaitingBody);
    if (!watch.Runs())
        return false;
    FLineHandler = &THttpClient::GetBodyLineNext;
    TriggerHeaderEnd();
    return watch.Runs();
}
