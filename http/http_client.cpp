#include "http/http_client.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QIODevice>

#include <cstring>

#include "http/http_notifier.h"
#include "http/request_header.h"
#include "http/response_parsing.h"
#include "http/text_utils.h"
#include "http/url.h"
#include "net/async_socket.h"
#include "net/custom_tls_socket.h"
#include "net/socket_errors.h"

namespace {

constexpr char kHttpVersion[] = "1.0";
// The status class of a proxy's answer that opens a tunnel.
constexpr int kSuccessClass = 2;
constexpr int kStatusClassSize = 100;

std::string ErrorText(int Error, const std::string& Text) {
    return Text + " (Error #" + std::to_string(Error) + ")";
}

std::string ErrorText(int Error) {
    return ErrorText(Error, SocketErrorDesc(Error));
}

} // namespace

THttpClient::THttpClient(QObject* Owner) : QObject(Owner) {
    FNotifier = std::make_unique<THttpNotifier>([this](const THttpNotifier::TMessage& M) {
        Dispatch(M.Kind, M.Request, M.RqType, M.Error);
    });
    FSocket = std::make_unique<TAsyncSocket>();
    FSocket->OnDnsLookupDone = [this](TCustomAsyncSocket*, std::uint16_t Error) {
        SocketDNSLookupDone(Error);
    };
    FSocket->OnSessionConnected = [this](TCustomAsyncSocket*, std::uint16_t Error) {
        SocketSessionConnected(Error);
    };
    FSocket->OnDataAvailable = [this](TCustomAsyncSocket*, std::uint16_t Error) {
        SocketDataAvailable(Error);
    };
    FSocket->OnDataSent = [this](TCustomAsyncSocket*, std::uint16_t Error) {
        SocketDataSent(Error);
    };
    FSocket->OnSocksError = [this](TCustomAsyncSocket*, std::int32_t Error,
                                   const std::string& Msg) {
        FSocksError = Error;
        FSocksErrorText = Msg;
    };
    AttachSessionClosed(&THttpClient::SocketSessionClosed);
}

THttpClient::~THttpClient() {
    // The socket goes first: closing it while it is destroyed raises no event,
    // and nothing it still had queued can reach this object afterwards.
    FSocket.reset();
    FNotifier.reset();
}

void THttpClient::SetMultiThreaded(bool Value) {
    FMultiThreaded = Value;
    FSocket->SetMultiThreaded(Value);
}

void THttpClient::AttachSessionClosed(void (THttpClient::*Handler)()) {
    FSocket->OnSessionClosed = [this, Handler](TCustomAsyncSocket*, std::uint16_t Error) {
        CheckAnswerComplete(Error);
        (this->*Handler)();
    };
}

// --- requests ----------------------------------------------------------------

void THttpClient::DoRequestAsync(THttpRequest Rq) {
    if (FState != THttpState::httpReady)
        throw EHttpException("HTTP component is busy", http_errors::kBusy);
    if (Rq == THttpRequest::httpPOST && FSendStream == nullptr)
        throw EHttpException("HTTP component has nothing to post", http_errors::kNothingToPost);
    ResetRequest(Rq);
    Login();
}

void THttpClient::ResetRequest(THttpRequest Rq) {
    FReceivedHeader.clear();
    FRequestType = Rq;
    FRequestDoneError = 0;
    ++FRequestSerial;
    AttachSessionClosed(&THttpClient::SocketSessionClosed);
    StateChange(THttpState::httpNotConnected);

    FStatusCode = 0;
    FReasonPhrase.clear();
    FReceivedCount = 0;
    FSentCount = 0;
    StartResponse();
    FSendingBody = false;
    // Leftovers of an aborted request must not leak into this one.
    FReceiveLength = 0;
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
    FHeaderLineCount = 0;
    FHeaderBytes = 0;
    FBodyLineCount = 0;
    FContentLength = -1;
    FContentType.clear();
}

void THttpClient::DoRequestSync(THttpRequest Rq) {
    DoRequestAsync(Rq);
    // Sleep in the event loop until an event arrives; every end of a request
    // comes from an event handler, so the state is checked after each batch.
    while (FState != THttpState::httpReady)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (FStatusCode >= http_errors::kFirstErrorStatus)
        throw EHttpException(FReasonPhrase, static_cast<std::uint16_t>(FStatusCode));
}

void THttpClient::Abort() {
    if (FState == THttpState::httpReady) {
        if (FSocket->State() != wsClosed)
            FSocket->Close();
        return;
    }
    const THttpState oldState = FState;
    StateChange(THttpState::httpAborting);
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
    StateChange(THttpState::httpReady);
}

void THttpClient::Login() {
    FResolvedAddress.clear();
    StateChange(THttpState::httpDnsLookup);
    if (!IsSupportedScheme(FTarget.Scheme)) {
        EndWithLocalFailure(http_errors::kUnsupportedProtocol, "unsupported protocol");
        return;
    }
    // An address without a host (a bare path) cannot be looked up; it ends
    // like a failed lookup instead of leaving the client busy.
    if (FTarget.HostName.empty() || FTarget.TargetHost.empty()) {
        SocketDNSLookupDone(http_errors::kInvalidHostName);
        return;
    }
    // The socket would take a port out of range modulo 65536, which is
    // another server than the one named.
    if (!IsPortNumber(FTarget.Port) || !IsPortNumber(FTarget.TargetPort)) {
        EndWithLocalFailure(http_errors::kInvalidPort, "invalid port number");
        return;
    }
    try {
        FSocket->DnsLookup(FSocksServer.empty() ? FTarget.HostName : FSocksServer);
    } catch (const std::exception&) {
        const int error = FSocket->LastError();
        SocketDNSLookupDone(
            static_cast<std::uint16_t>(error != 0 ? error : http_errors::kInvalidHostName));
    }
}

void THttpClient::Logout() {
    FSocket->Close();
    FConnected = false;
}

void THttpClient::StateChange(THttpState NewState) {
    if (NewState == FState)
        return;
    FState = NewState;
    TriggerStateChange();
    if (NewState == THttpState::httpReady)
        FNotifier->Post(
            {THttpNotifier::WM_HTTP_REQUEST_DONE, FRequestSerial, FRequestType, FRequestDoneError});
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
    FReceiveLength = 0;
    FRelocationPending = false;
    if (FSocket->State() != wsClosed)
        Logout(); // the close ends the request through SocketSessionClosed
    else
        SocketSessionClosed();
}

// --- socket events -------------------------------------------------------------

void THttpClient::SocketDNSLookupDone(std::uint16_t Error) {
    if (Error != 0) {
        if (FState != THttpState::httpAborting) {
            SetLocalFailure(Error, "can't resolve hostname to IP address");
            SocketSessionClosed();
        }
        return;
    }
    FResolvedAddress = FSocket->DnsResult();
    StateChange(THttpState::httpDnsLookupDone);
    try {
        ConnectSocket();
    } catch (const std::exception&) {
        // A refusal without an error number (such as a port that cannot be
        // resolved) must still be reported as a failure.
        int error = FSocket->LastError();
        if (error == 0)
            error = http_errors::kInvalidHostName;
        SetLocalFailure(static_cast<std::uint16_t>(error), "can't connect: " + ErrorText(error));
        FSocket->Close();
        SocketSessionClosed();
    }
}

void THttpClient::ConnectSocket() {
    // Through SOCKS the address looked up is the SOCKS server's, and the host
    // goes to it as it is; the socket forgets these settings at every close.
    const bool viaSocks = !FSocksServer.empty();
    FSocket->SetAddr(viaSocks ? FTarget.HostName : FResolvedAddress);
    FSocket->SetPort(FTarget.Port);
    FSocket->SetProto("tcp");
    // Also cleared here: settings left by a connect that failed before its close.
    FSocket->SetSocksServer(viaSocks ? FResolvedAddress : std::string());
    if (viaSocks) {
        FSocket->SetSocksPort(FSocksPort);
        FSocket->SetSocksLevel(FSocksLevel);
        FSocket->SetSocksUsercode(FSocksUsercode);
        FSocket->SetSocksPassword(FSocksPassword);
        FSocket->SetSocksAuthentication(FSocksAuthentication);
    }
    // TLS runs over the SOCKS connection as it stands, but through an HTTP
    // proxy only inside the tunnel the proxy opens first.
    const bool tls = UsesTls(FTarget);
    FTunnelPending = tls && FViaProxy;
    FSocket->SetSslEnable(tls && !FTunnelPending);
    FSocket->SetSslHostName(FTarget.TargetHost);
    FSocket->SetSslVerify(FSslVerify);
    FSocket->SetSslCAFile(FSslCAFile);
    FSslPeerInfo.reset();
    FSocksError = 0;
    FSocksErrorText.clear();
    FSocket->Connect();
}

void THttpClient::SendTunnelRequest() {
    FTunnelStatus = 0;
    FTunnelReason.clear();
    FHeaderLineCount = 0;
    FHeaderBytes = 0;
    FLineHandler = &THttpClient::GetTunnelLineNext;
    FRequestBuffer.clear();
    for (const std::string& line :
         ComposeTunnelLines(FTarget.TargetHost, FTarget.TargetPort, FProxyUsername, FProxyPassword))
        SendCommand(line);
    SendCommand("");
    FSocket->Send(FRequestBuffer.data(), static_cast<int>(FRequestBuffer.size()));
    FRequestBuffer.clear();
}

std::string THttpClient::ConnectErrorText(std::uint16_t Error) const {
    if (FSocksError == Error && !FSocksErrorText.empty())
        return ErrorText(Error, FSocksErrorText);
    if (Error == TCustomTlsSocket::kTlsFailure && !FSocket->SslErrorText().empty())
        return ErrorText(Error, FSocket->SslErrorText());
    return ErrorText(Error);
}

void THttpClient::SocketSessionConnected(std::uint16_t Error) {
    if (Error != 0) {
        SetLocalFailure(Error, ConnectErrorText(Error));
        SocketSessionClosed();
        return;
    }
    if (FTunnelPending) {
        try {
            SendTunnelRequest();
        } catch (const std::exception&) {
            Logout();
        }
        return;
    }
    if (FSocket->SslEstablished())
        FSslPeerInfo = FSocket->SslPeerInfo();
    FConnected = true;
    StateChange(THttpState::httpConnected);
    TriggerSessionConnected();
    FLineHandler = &THttpClient::GetHeaderLineNext;
    StateChange(THttpState::httpWaitingHeader);
    try {
        switch (FRequestType) {
        case THttpRequest::httpGET:
            SendRequest("GET", kHttpVersion);
            break;
        case THttpRequest::httpPOST:
            SendRequest("POST", kHttpVersion);
            TriggerSendBegin();
            FSendingBody = true;
            SocketDataSent(0);
            break;
        case THttpRequest::httpHEAD:
            SendRequest("HEAD", kHttpVersion);
            break;
        case THttpRequest::httpAbort:
            break;
        }
    } catch (const std::exception&) {
        // The close ends the request through SocketSessionClosed.
        Logout();
    }
}

void THttpClient::SocketDataSent(std::uint16_t) {
    if (!FSendingBody)
        return;
    try {
        if (FSendBuffer.empty())
            FSendBuffer.resize(http_limits::kSendChunkSize);
        const qint64 n =
            FSendStream != nullptr
                ? FSendStream->read(FSendBuffer.data(), static_cast<qint64>(FSendBuffer.size()))
                : 0;
        if (n <= 0) {
            FSendingBody = false;
            TriggerSendEnd();
            return;
        }
        FSentCount += n;
        TriggerSendData(FSendBuffer.data(), static_cast<std::int32_t>(n));
        FSocket->Send(FSendBuffer.data(), static_cast<int>(n));
    } catch (const std::exception&) {
        FSendingBody = false;
        Logout();
    }
}

void THttpClient::SocketDataAvailable(std::uint16_t Error) {
    ReceiveAvailable(Error);
    // An error answer ends at once, but only after the bytes of this receive:
    // header lines and body bytes that came with its status line are still
    // handled, and the close then ends the document they began.
    if (FStatusCode >= http_errors::kFirstErrorStatus && FSocket->State() != wsClosed)
        FSocket->Close();
}

void THttpClient::ReceiveAvailable(std::uint16_t Error) {
    if (FState == THttpState::httpWaitingBody && FReceiveLength == 0) {
        ReceiveBody();
        return;
    }
    char* held = FReceiveBuffer.data();
    const int room = static_cast<int>(FReceiveBuffer.size() - FReceiveLength);
    const int n = FSocket->Receive(held + FReceiveLength, room);
    if (FRequestType == THttpRequest::httpAbort || n <= 0)
        return;
    FReceiveLength += static_cast<std::size_t>(n);

    if (FState == THttpState::httpWaitingBody) {
        DeliverHeldBytesAsBody();
        return;
    }
    while (FReceiveLength > 0) {
        const char* lineFeed = static_cast<const char*>(std::memchr(held, '\n', FReceiveLength));
        if (lineFeed == nullptr)
            break;
        const std::size_t lineLength = static_cast<std::size_t>(lineFeed - held);
        const std::size_t textLength =
            lineLength > 0 && held[lineLength - 1] == '\r' ? lineLength - 1 : lineLength;
        FCurrentLine.assign(held, textLength);
        FCurrentLineEnd.assign(held + textLength, lineLength + 1 - textLength);
        FReceiveLength -= lineLength + 1;
        std::memmove(held, lineFeed + 1, FReceiveLength);
        if (FState == THttpState::httpWaitingHeader || FState == THttpState::httpWaitingBody ||
            FTunnelPending)
            RunLineHandler();
        else
            TriggerDataAvailable(Error);
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
    if (FReceiveLength >= FReceiveBuffer.size() &&
        (FState == THttpState::httpWaitingHeader || FTunnelPending))
        EndWithLocalFailure(http_errors::kLineTooLong, "HTTP line too long");
}

void THttpClient::CheckAnswerComplete(std::uint16_t Error) {
    // A failure already recorded, an abort and an error answer end the
    // session from this side; they keep their own reason.
    if (FRequestDoneError != 0 || FState == THttpState::httpAborting ||
        FStatusCode >= http_errors::kFirstErrorStatus)
        return;
    const bool inBody = FState == THttpState::httpWaitingBody;
    const bool hasBody = FRequestType != THttpRequest::httpHEAD && StatusHasBody(FStatusCode);
    const bool lengthReached = FContentLength >= 0 && FReceivedCount >= FContentLength;
    if (inBody && (!hasBody || lengthReached))
        return;
    if (Error != 0)
        SetLocalFailure(Error, ErrorText(Error));
    else if (inBody && FContentLength >= 0)
        SetLocalFailure(http_errors::kBodyIncomplete,
                        "incomplete body: " + std::to_string(FReceivedCount) + " of " +
                            std::to_string(FContentLength) + " bytes received");
}

void THttpClient::RunLineHandler() {
    if (FLineHandler != nullptr)
        (this->*FLineHandler)();
    else
        SetReady();
}

void THttpClient::SocketSessionClosed() {
    FConnected = false;
    if (FBodyLineCount > 0)
        TriggerDocEnd();
    SetReady();
}

void THttpClient::LocationSessionClosed() {
    FConnected = false;
    FRelocationPending = false;
    AttachSessionClosed(&THttpClient::SocketSessionClosed);
    TriggerLocationChange();
    FNotifier->Post({THttpNotifier::WM_HTTP_LOGIN, FRequestSerial});
}

// --- request -------------------------------------------------------------------

void THttpClient::SendRequest(const std::string& Method, const std::string& Version) {
    FRequestBuffer.clear();
    TriggerRequestHeaderBegin();

    // Inside a tunnel the request goes to the server itself, as if direct:
    // the proxy's credentials stay with the proxy.
    const bool viaProxy = FViaProxy && !UsesTls(FTarget);
    TRequestHeaderFields fields;
    fields.Method = Method;
    fields.Path = FViaProxy && !viaProxy ? TunnelPath(FTarget) : FTarget.Path;
    fields.Version = Version;
    fields.Sender = FSender;
    fields.Accept = FAccept;
    fields.Reference = FReference;
    fields.ContentTypePost = FContentTypePost;
    fields.Agent = FAgent;
    fields.TargetHost = FTarget.TargetHost;
    fields.NoCache = FNoCache;
    fields.PostSize = Method == "POST" ? RewindBody() : 0;
    fields.ModifiedSince = FModifiedSince;
    // Credentials are for the server asked for, not for where it redirects to.
    const bool askedForServer = Origin(FTarget) == FRequestOrigin;
    fields.Username = askedForServer ? FRequestUsername : std::string();
    fields.Password = askedForServer ? FRequestPassword : std::string();
    fields.ViaProxy = viaProxy;
    fields.ProxyUsername = FProxyUsername;
    fields.ProxyPassword = FProxyPassword;
    fields.Cookie = FCookie;
    fields.ContentRangeBegin = FContentRangeBegin;
    fields.ContentRangeEnd = FContentRangeEnd;
    FContentRangeBegin.clear();
    FContentRangeEnd.clear();

    for (const std::string& line : ComposeRequestLines(fields))
        SendCommand(line);
    FAcceptRanges.clear();
    TriggerRequestHeaderEnd();
    SendCommand("");

    FSocket->Send(FRequestBuffer.data(), static_cast<int>(FRequestBuffer.size()));
    FRequestBuffer.clear();
}

std::int64_t THttpClient::RewindBody() {
    if (FSendStream == nullptr)
        return 0;
    if (FSendStream->isSequential())
        return FSendStream->bytesAvailable();
    // Every hop of a redirected POST sends the same body, and the length
    // announced is the length sent.
    FSendStream->seek(FSendStreamStart);
    return FSendStream->size() - FSendStreamStart;
}

void THttpClient::SendCommand(const std::string& Line) {
    std::string copy = Line;
    TriggerCommand(copy);
    FRequestBuffer += copy;
    FRequestBuffer += "\r\n";
}

// --- response ------------------------------------------------------------------

void THttpClient::GetTunnelLineNext() {
    ++FHeaderLineCount;
    if (FHeaderLineCount == 1 && IsStatusLine(FCurrentLine)) {
        FTunnelStatus = StatusCodeOf(FCurrentLine).value_or(0);
        FTunnelReason = std::to_string(FTunnelStatus) + " " + ReasonPhraseOf(FCurrentLine);
    }
    if (!FCurrentLine.empty()) {
        FHeaderBytes += FCurrentLine.size();
        if (FHeaderLineCount > http_limits::kMaxHeaderLines ||
            FHeaderBytes > http_limits::kMaxHeaderBytes)
            EndWithLocalFailure(http_errors::kHeaderTooLarge, "HTTP header too large");
        return;
    }
    // The proxy's answer ends here; nothing of the server comes before the
    // handshake asks for it.
    FTunnelPending = false;
    FReceiveLength = 0;
    FLineHandler = nullptr;
    if (FTunnelStatus / kStatusClassSize != kSuccessClass) {
        EndWithLocalFailure(http_errors::kTunnelRefused,
                            FTunnelReason.empty() ? std::string("proxy refused the tunnel")
                                                  : "proxy refused the tunnel: " + FTunnelReason);
        return;
    }
    try {
        FSocket->StartSsl(); // OnSessionConnected follows with the handshake's end
    } catch (const std::exception&) {
        Logout();
    }
}

void THttpClient::GetHeaderLineNext() {
    if (FHeaderLineCount == 0)
        TriggerHeaderBegin();
    ++FHeaderLineCount;

    if (IsHtmlTagLine(FCurrentLine)) {
        // A response without a header: this line is the first piece of the body.
        if (FContentType.empty())
            FContentType = "text/html";
        StateChange(THttpState::httpWaitingBody);
        FLineHandler = &THttpClient::GetBodyLineNext;
        TriggerHeaderEnd();
        FCurrentLine += FCurrentLineEnd; // a saved document must hold the bytes sent
        GetBodyLineNext();
        return;
    }
    if (FCurrentLine.empty()) {
        HeaderEnded();
        return;
    }
    FHeaderBytes += FCurrentLine.size();
    if (FHeaderLineCount > http_limits::kMaxHeaderLines ||
        FHeaderBytes > http_limits::kMaxHeaderBytes) {
        EndWithLocalFailure(http_errors::kHeaderTooLarge, "HTTP header too large");
        return;
    }
    FReceivedHeader.push_back(FCurrentLine);
    if (IsStatusLine(FCurrentLine)) {
        // A code that is not a number leaves the status as it was.
        if (const auto code = StatusCodeOf(FCurrentLine)) {
            FStatusCode = *code;
            FReasonPhrase = ReasonPhraseOf(FCurrentLine);
        }
    } else {
        HeaderField(FCurrentLine);
    }
    TriggerHeaderData();
}

void THttpClient::HeaderField(const std::string& Line) {
    std::string field, value;
    if (!SplitHeaderField(Line, field, value))
        return;
    if (field == "location") {
        if (FStatusCode >= http_errors::kFirstErrorStatus)
            return; // an error answer ends the request, wherever it points
        const auto target = RedirectionTarget(value);
        if (!target) {
            EndWithLocalFailure(http_errors::kInvalidRedirection, "invalid redirection target");
            return;
        }
        FRelocationPending = true;
        FollowLocation(FTarget, *target, FViaProxy);
    } else if (field == "content-length") {
        if (const auto length = ParseDecimal(value))
            FContentLength = *length;
    } else if (field == "content-range") {
        ParseContentRange(value, FContentRangeBegin, FContentRangeEnd);
    } else if (field == "accept-ranges") {
        FAcceptRanges = value;
    } else if (field == "content-type") {
        FContentType = LowerCase(value);
    } else if (field == "www-authenticate") {
        FAuthenticateValues.push_back(value);
    } else if (field == "set-cookie") {
        bool accept = true;
        TriggerCookie(value, accept);
    }
}

void THttpClient::HeaderEnded() {
    if (FRelocationPending) {
        TriggerHeaderEnd();
        if (FRedirections >= http_limits::kMaxRedirections) {
            // A server that keeps redirecting would otherwise hold the client forever.
            EndWithLocalFailure(http_errors::kTooManyRedirections, "too many redirections");
            return;
        }
        ++FRedirections;
        FReceiveLength = 0; // the rest of this answer belongs to a document not asked for
        StartResponse();
        AttachSessionClosed(&THttpClient::LocationSessionClosed);
        FSocket->Close();
        return;
    }
    FTarget.DocName = DocNameForContentType(FTarget.DocName, FContentType);
    StateChange(THttpState::httpWaitingBody);
    FLineHandler = &THttpClient::GetBodyLineNext;
    TriggerHeaderEnd();
    DeliverHeldBytesAsBody();
}

void THttpClient::DeliverHeldBytesAsBody() {
    const std::size_t held = FReceiveLength;
    FReceiveLength = 0;
    if (held > 0)
        DeliverBody(FReceiveBuffer.data(), held);
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
    if (FBodyLineCount == 0)
        TriggerDocBegin();
    ++FBodyLineCount;
    FReceivedCount += static_cast<std::int64_t>(Len);
    if (FReceiveStream != nullptr)
        FReceiveStream->write(Data, static_cast<qint64>(Len));
    TriggerDocData(Data, static_cast<std::int32_t>(Len));
}

// --- triggers ------------------------------------------------------------------

void THttpClient::TriggerCookie(const std::string& Data, bool& Accept) {
    if (OnCookie)
        OnCookie(this, Data, Accept);
}

void THttpClient::TriggerSessionConnected() {
    if (OnSessionConnected)
        OnSessionConnected(this);
}

void THttpClient::TriggerRequestHeaderBegin() {
    if (OnRequestHeaderBegin)
        OnRequestHeaderBegin(this);
}

void THttpClient::TriggerRequestHeaderEnd() {
    if (OnRequestHeaderEnd)
        OnRequestHeaderEnd(this);
}

void THttpClient::TriggerHeaderBegin() {
    if (OnHeaderBegin)
        OnHeaderBegin(this);
}

void THttpClient::TriggerHeaderEnd() {
    if (OnHeaderEnd)
        OnHeaderEnd(this);
}

void THttpClient::TriggerDocBegin() {
    if (OnDocBegin)
        OnDocBegin(this);
}

void THttpClient::TriggerDocData(const void* Buffer, std::int32_t Len) {
    if (OnDocData)
        OnDocData(this, Buffer, Len);
}

void THttpClient::TriggerDocEnd() {
    if (OnDocEnd)
        OnDocEnd(this);
}

void THttpClient::TriggerSendBegin() {
    if (OnSendBegin)
        OnSendBegin(this);
}

void THttpClient::TriggerSendData(const void* Buffer, std::int32_t Len) {
    if (OnSendData)
        OnSendData(this, Buffer, Len);
}

void THttpClient::TriggerSendEnd() {
    if (OnSendEnd)
        OnSendEnd(this);
}

void THttpClient::TriggerCommand(std::string& Line) {
    if (OnCommand)
        OnCommand(this, Line);
}

void THttpClient::TriggerHeaderData() {
    if (OnHeaderData)
        OnHeaderData(this);
}

void THttpClient::TriggerStateChange() {
    if (OnStateChange)
        OnStateChange(this);
}

void THttpClient::TriggerLocationChange() {
    if (OnLocationChange)
        OnLocationChange(this);
}

void THttpClient::TriggerRequestDone(THttpRequest RqType, std::uint16_t Error) {
    if (OnRequestDone)
        OnRequestDone(this, RqType, Error);
}

void THttpClient::TriggerDataAvailable(std::uint16_t Error) {
    if (OnDataAvailable)
        OnDataAvailable(this, Error);
}
