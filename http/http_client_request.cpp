// THttpClient: requests and state. A request starts, changes state, ends on
// a local failure or an abort, and returns to httpReady through a posted
// message.

#include "http/http_client.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QIODevice>

#include "http/http_notifier.h"
#include "net/async_socket.h"

void THttpClient::DoRequestAsync(THttpRequest Rq) {
    if (FState != THttpState::httpReady)
        throw EHttpException("HTTP component is busy", http_errors::kBusy);
    if (Rq == THttpRequest::httpPOST && FSendStream == nullptr)
        throw EHttpException("HTTP component has nothing to post", http_errors::kNothingToPost);
    ++FRequestSerial;
    const TRequestWatch watch(*this);
    ResetRequest(Rq);
    if (!watch.Runs())
        return;
    Login();
}

void THttpClient::ResetRequest(THttpRequest Rq) {
    FReceivedHeader.clear();
    FRequestType = Rq;
    FRequestDoneError = 0;
    AttachSessionClosed(&THttpClient::SocketSessionClosed);
    const TRequestWatch watch(*this);
    StateChange(THttpState::httpNotConnected);
    if (!watch.Runs())
        return;

    FStatusCode = 0;
    FReasonPhrase.clear();
    FReceivedCount = 0;
    FSentCount = 0;
    StartResponse();
    FSendingBody = false;
    // Leftovers of an aborted request must not leak into this one.
    FLineReader.Clear();
    FRelocationPending = false;
    FRedirections = 0;
    FTunnelPending = false;
    FSslPeerInfo.reset();
    FSendStreamStart = FSendStream != nullptr ? FSendStream->pos() : 0;

    FViaProxy = !FProxy.empty();
    FTarget = TargetForRequest(FURL, FProxy, FProxyPort);
    // Credentials written into the URL serve this request only, so that they
    // never go to the host of a later request.
    const bool urlCredentials = !FTarget.UrlUsername.empty();
    FRequestUsername = urlCredentials ? FTarget.UrlUsername : FUsername;
    FRequestPassword = urlCredentials ? FTarget.UrlPassword : FPassword;
    FRequestOrigin = Origin(FTarget);
}

void THttpClient::StartResponse() {
    FResponseHeaderStart = FReceivedHeader.size();
    FAnswer = {};
    FLineReader.StartHeader();
    FBodyLineCount = 0;
    FContentLength = -1;
    FContentType.clear();
}

void THttpClient::DoRequestSync(THttpRequest Rq) {
    const TLifeToken::TWatch watch = FLifeToken.Watch();
    DoRequestAsync(Rq);
    // Sleep in the event loop until an event arrives; every end of a request
    // comes from an event handler, so the state is checked after each batch.
    while (watch.Alive() && FState != THttpState::httpReady)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (!watch.Alive())
        return;
    if (FStatusCode >= http_errors::kFirstErrorStatus)
        throw EHttpException(FReasonPhrase, static_cast<std::uint16_t>(FStatusCode));
}

void THttpClient::Abort() {
    if (FState == THttpState::httpReady) {
        if (FSocket->State() != wsClosed)
            FSocket->Close();
        return;
    }
    const TLifeToken::TWatch watch = FLifeToken.Watch();
    const THttpState oldState = FState;
    StateChange(THttpState::httpAborting);
    if (!watch.Alive())
        return;
    if (oldState == THttpState::httpDnsLookup) {
        try {
            FSocket->CancelDnsLookup();
        } catch (const std::exception&) {
            // The lookup is forgotten either way; its result is ignored while aborting.
        }
    }
    SetLocalFailure(http_errors::kAborted, "Connection aborted on request");
    if (oldState == THttpState::httpDnsLookup)
        SocketSessionClosed();
    else
        FSocket->Close();
    if (!watch.Alive())
        return;
    StateChange(THttpState::httpReady);
}

void THttpClient::StateChange(THttpState NewState) {
    if (NewState == FState)
        return;
    FState = NewState;
    // Taken before the event: a handler may start the next request once ready.
    const THttpNotifier::TMessage done{THttpNotifier::WM_HTTP_REQUEST_DONE, FRequestSerial,
                                       FRequestType, FRequestDoneError};
    const TLifeToken::TWatch watch = FLifeToken.Watch();
    TriggerStateChange();
    if (watch.Alive() && NewState == THttpState::httpReady)
        FNotifier->Post(done);
}

void THttpClient::SetReady() {
    FNotifier->Post({THttpNotifier::WM_HTTP_SET_READY, FRequestSerial});
}

void THttpClient::Dispatch(int Kind, std::uint64_t Request, THttpRequest RqType,
                           std::uint16_t Error) {
    // Nothing may leave a Qt event handler; failures inside the client's own
    // steps are already turned into results.
    try {
        const bool current = Request == FRequestSerial;
        switch (Kind) {
        case THttpNotifier::WM_HTTP_REQUEST_DONE:
            TriggerRequestDone(RqType, Error);
            break;
        case THttpNotifier::WM_HTTP_SET_READY:
            if (current)
                StateChange(THttpState::httpReady);
            break;
        case THttpNotifier::WM_HTTP_LOGIN:
            if (current && FState != THttpState::httpReady && FState != THttpState::httpAborting)
                Login();
            break;
        default:
            break;
        }
    } catch (const std::exception&) {
        // An application handler failed; the request itself goes on.
    }
}

void THttpClient::SetLocalFailure(std::uint16_t Error, const std::string& Reason) {
    FRequestDoneError = Error;
    FStatusCode = http_errors::kLocalFailureStatus;
    FReasonPhrase = Reason;
}

void THttpClient::EndWithLocalFailure(std::uint16_t Error, const std::string& Reason) {
    SetLocalFailure(Error, Reason);
    FLineReader.Clear();
    FRelocationPending = false;
    if (FSocket->State() != wsClosed)
        Logout(); // the close ends the request through SocketSessionClosed
    else
        SocketSessionClosed();
}

void THttpClient::SocketSessionClosed() {
    FConnected = false;
    if (FBodyLineCount > 0) {
        const TLifeToken::TWatch watch = FLifeToken.Watch();
        TriggerDocEnd();
        if (!watch.Alive())
            return;
    }
    SetReady();
}

void THttpClient::LocationSessionClosed() {
    FConnected = false;
    FRelocationPending = false;
    AttachSessionClosed(&THttpClient::SocketSessionClosed);
    const TLifeToken::TWatch watch = FLifeToken.Watch();
    TriggerLocationChange();
    if (watch.Alive())
        FNotifier->Post({THttpNotifier::WM_HTTP_LOGIN, FRequestSerial});
}
