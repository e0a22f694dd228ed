// THttpClient: requests and state. A request starts, changes state, ends on
// a local failure or an abort, and returns to httpReady through a posted
// message; the end of each session is checked for a complete answer. Between
// sessions it moves to the next hop (a redirection, or the GET after a
// refused HEAD), and it keeps the cookies its hops set.

#include "http/http_client.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QIODevice>

#include <chrono>
#include <utility>

#include "http/error_text.h"
#include "http/http_notifier.h"
#include "http/http_target.h"
#include "http/response_parsing.h"
#include "net/async_socket.h"

namespace {

TCookieJar::TTime CookieClock() {
    return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
}

} // namespace

void THttpClient::DoRequestAsync(THttpRequest Rq) {
    if (FState != THttpState::httpReady)
        throw EHttpException("HTTP component is busy", http_errors::kBusy);
    if (Rq == THttpRequest::httpPOST && FSendStream == nullptr)
        throw EHttpException("HTTP component has nothing to post", http_errors::kNothingToPost);
    ++FRequestSerial;
    const THttpRequestWatch watch(*this);
    ResetRequest(Rq);
    if (!watch.Runs())
        return;
    Login();
}

void THttpClient::ResetRequest(THttpRequest Rq) {
    FReceivedHeader.clear();
    FHops.Clear();
    FRequestType = Rq;
    FRequestDoneError = 0;
    AttachSessionClosed(&THttpClient::SocketSessionClosed);
    const THttpRequestWatch watch(*this);
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
    FRetryOnClose = false;
    FSslPeerInfo.reset();
    FSendStreamStart = FSendStream != nullptr ? FSendStream->pos() : 0;

    FHeadRefused = false;
    FCookieJar = {};
    // The address is read again only when it changed; the proxy settings
    // may have, so the route is chosen anew.
    if (!FTypedTarget || FTypedTarget->Location != FURL)
        FTypedTarget = ReadTypedAddress(FURL);
    FTarget = *FTypedTarget; // a copy into the last target's storage
    RouteTypedAddress(FTarget, [this](const TUri& Uri) { return ProxyFor(Uri); });
    // Credentials written into the URL serve this request only, so that they
    // never go to the host of a later request.
    const bool urlCredentials = !FTarget.Uri.User.empty();
    FRequestUsername = urlCredentials ? PercentDecode(FTarget.Uri.User) : FUsername;
    FRequestPassword = urlCredentials ? PercentDecode(FTarget.Uri.Password) : FPassword;
    FRequestOrigin = Origin(FTarget.Uri);
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
    FHops.Fail(Reason);
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
    HopEnded();
}

void THttpClient::HopEnded() {
    FHops.End(FReceivedHeader);
    if (FBodyLineCount > 0) {
        const TLifeToken::TWatch watch = FLifeToken.Watch();
        TriggerDocEnd();
        if (!watch.Alive())
            return;
    }
    if (!RepeatHeadAsGet())
        SetReady();
}

void THttpClient::LocationSessionClosed() {
    FConnected = false;
    FollowLocation();
}

void THttpClient::FollowLocation() {
    FRelocationPending = false;
    FHops.End(FReceivedHeader);
    AttachSessionClosed(&THttpClient::SocketSessionClosed);
    FTarget =
        TargetForLocation(FTarget, FLocation, [this](const TUri& Uri) { return ProxyFor(Uri); });
    FHops.Followed(FTarget);
    const TLifeToken::TWatch watch = FLifeToken.Watch();
    TriggerLocationChange();
    if (watch.Alive())
        FNotifier->Post({THttpNotifier::WM_HTTP_LOGIN, FRequestSerial});
}

void THttpClient::NoteLocation(const std::string& Value) {
    // Only a redirection is followed, and only to its first "location".
    if (!FollowsLocation(FStatusCode) || FRelocationPending)
        return;
    FHops.Location(Value);
    const auto text = RedirectionTarget(Value);
    const TUriParse reference = text ? ParseReference(*text) : TUriParse{};
    if (!text || reference.Error == TUriError::InvalidHost) {
        EndWithLocalFailure(http_errors::kInvalidRedirection, "invalid redirection target");
        return;
    }
    if (reference.Error == TUriError::InvalidPort) {
        EndWithLocalFailure(http_errors::kInvalidPort, "invalid port number");
        return;
    }
    FRelocationPending = true;
    FLocation = reference.Uri;
}

bool THttpClient::RepeatHeadAsGet() {
    constexpr int kMethodNotAllowed = 405, kNotImplemented = 501;
    const bool refused = FStatusCode == kMethodNotAllowed || FStatusCode == kNotImplemented;
    if (!FHeadFallback || FHeadRefused || FRequestType != THttpRequest::httpHEAD || !refused ||
        FRequestDoneError != 0 || FState == THttpState::httpAborting ||
        FState == THttpState::httpReady)
        return false;
    // The same address once more; a status left from the refusal would end
    // the new answer at its first bytes.
    FHeadRefused = true;
    FStatusCode = 0;
    FReasonPhrase.clear();
    FLineReader.Clear();
    StartResponse();
    FNotifier->Post({THttpNotifier::WM_HTTP_LOGIN, FRequestSerial});
    return true;
}

std::string THttpClient::RequestMethod() const {
    switch (FRequestType) {
    case THttpRequest::httpPOST:
        return "POST";
    case THttpRequest::httpHEAD:
        // A server that refused HEAD is asked for the header of a GET.
        return FHeadRefused ? "GET" : "HEAD";
    default:
        return "GET";
    }
}

void THttpClient::StoreCookie(const std::string& Value) {
    FCookieJar.Store(Value, FTarget.Uri, CookieClock());
}

std::string THttpClient::CookieLine() const {
    const std::string set = FCookieJar.CookieHeader(FTarget.Uri, CookieClock());
    return FCookie.empty() || set.empty() ? FCookie + set : FCookie + "; " + set;
}
