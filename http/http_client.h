#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/life_token.h"
#include "http/cookie_jar.h"
#include "http/hop_recorder.h"
#include "http/http_answer_state.h"
#include "http/http_constants.h"
#include "http/http_events.h"
#include "http/http_exception.h"
#include "http/http_request_watch.h"
#include "http/http_target.h"
#include "http/http_types.h"
#include "http/line_reader.h"
#include "http/proxy_config.h"
#include "http/response_parsing.h"
#include "http/rfc1123_date.h"
#include "net/socket_address.h"
#include "net/socks_types.h"
#include "net/tls_peer_info.h"

class QIODevice;
class TAsyncSocket;
class THttpNotifier;

// A non-blocking HTTP/1.0 client (a HEAD goes out as HTTP/1.1 when its
// connection may be kept, see KeepAlive): one request at a time over one
// socket it owns, reported through events on the thread that created it
// (which must run a Qt event loop).
//
// A request starts with GetASync/HeadASync/PostASync (return at once) or
// Get/Head/Post (block on the event loop until the request has ended, then
// raise EHttpException for a status of 400 or more). It ends when the answer
// is complete (the client then closes the connection itself, unless it keeps
// it for the next request), when the server closes the connection, on a
// local failure (lookup, connect, invalid port, too many redirections,
// invalid redirection target, over-long header line, header too large, empty
// reply, invalid status line, invalid proxy, reset connection, body shorter
// than its length: StatusCode 404 and an English ReasonPhrase) or by Abort;
// in every case State returns to httpReady and OnRequestDone follows from
// the event loop. An interim answer (1xx but 101) before the final one raises
// OnHeaderData for each of its lines (after OnHeaderBegin when it comes
// first) and nothing at its end.
// URL is read by RFC 3986 ("http" when it names no scheme); a host with
// other than ASCII letters goes out as its IDNA A-label, and a name IDNA
// refuses ends like a failed lookup, with the reason added. The request
// target never carries the fragment and is percent-encoded from UTF-8;
// "Host: " names the port unless it is the scheme's default.
// "https" addresses (default port 443) go over TLS; through an HTTP proxy
// inside a tunnel ("CONNECT host:port"), through a SOCKS server over its
// connection. Every hop decides from its own scheme; other schemes than
// "http" and "https" end as a local failure ("unsupported protocol"), and so
// does a failed handshake or certificate check (the TLS layer's text).
// The first "location" of an answer from 300 to 399 (not 304) is followed,
// resolved against the hop's address, at most http_limits::kMaxRedirections
// times per request; Username and Password (or those written into the URL)
// go only to the scheme, host and port of URL. Cookies set by any hop go back
// on the later hops of the same request they match, and are forgotten with it.
//
// SendStream and ReceiveStream belong to the caller and must outlive the request.
//
// Handlers run on the client's thread, each through a copy of itself. A handler
// may clear or replace its own event or any other. It may delete the client:
// nothing of it runs after that handler returns, queued messages are dropped,
// and a Get, Head or Post waiting for the request returns without raising. It
// may call Abort: the request ends there and no further step of it runs (lines
// already received then arrive as OnDataAvailable); OnRequestDone still
// follows. It may start a new request once State is httpReady, that is from
// OnRequestDone or on OnStateChange's change to httpReady; OnRequestDone of the
// request that ended follows all the same. Anywhere else the start raises
// "HTTP component is busy".
class THttpClient : public QObject {
public:
    explicit THttpClient(QObject* Owner = nullptr);
    ~THttpClient() override;
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    // --- configuration -------------------------------------------------------
    // The address to request, UTF-8.
    const std::string& URL() const { return FURL; }
    void SetURL(const std::string& Value) { FURL = Value; }
    // Non-empty: every request goes through this proxy, written as
    // ParseProxyValue reads it ("host[:port]", "socks5h://host" ...).
    const std::string& Proxy() const { return FProxy; }
    void SetProxy(const std::string& Value) { FProxy = Value; }
    // Port of the proxy when Proxy names none.
    const std::string& ProxyPort() const { return FProxyPort; }
    void SetProxyPort(const std::string& Value) { FProxyPort = Value; }
    // Non-empty: every connection, each hop of a redirection too, goes through
    // this SOCKS server, unless the hop's proxy is a SOCKS server of its own.
    // SOCKS 4A and 5 hand the host name to the server; for SOCKS 4 the client
    // looks the host up first and hands over its address.
    const std::string& SocksServer() const { return FSocksServer; }
    void SetSocksServer(const std::string& Value) { FSocksServer = Value; }
    const std::string& SocksPort() const { return FSocksPort; }
    void SetSocksPort(const std::string& Value) { FSocksPort = Value; }
    // "4", "4A" or "5".
    const std::string& SocksLevel() const { return FSocksLevel; }
    void SetSocksLevel(const std::string& Value) { FSocksLevel = Value; }
    const std::string& SocksUsercode() const { return FSocksUsercode; }
    void SetSocksUsercode(const std::string& Value) { FSocksUsercode = Value; }
    const std::string& SocksPassword() const { return FSocksPassword; }
    void SetSocksPassword(const std::string& Value) { FSocksPassword = Value; }
    TSocksAuthentication SocksAuthentication() const { return FSocksAuthentication; }
    void SetSocksAuthentication(TSocksAuthentication Value) { FSocksAuthentication = Value; }
    const std::string& Sender() const { return FSender; }
    void SetSender(const std::string& Value) { FSender = Value; }
    const std::string& Agent() const { return FAgent; }
    void SetAgent(const std::string& Value) { FAgent = Value; }
    const std::string& Accept() const { return FAccept; }
    void SetAccept(const std::string& Value) { FAccept = Value; }
    const std::string& Reference() const { return FReference; }
    void SetReference(const std::string& Value) { FReference = Value; }
    // Certificates are checked against the system's trust store, host name
    // included; SslCAFile (PEM) adds a trust anchor, and SslVerify false
    // accepts any certificate.
    bool SslVerify() const { return FSslVerify; }
    void SetSslVerify(bool Value) { FSslVerify = Value; }
    const std::string& SslCAFile() const { return FSslCAFile; }
    void SetSslCAFile(const std::string& Value) { FSslCAFile = Value; }
    // Credentials for "Authorization: Basic"; a user name written into the
    // URL takes their place for that request.
    const std::string& Username() const { return FUsername; }
    void SetUsername(const std::string& Value) { FUsername = Value; }
    const std::string& Password() const { return FPassword; }
    void SetPassword(const std::string& Value) { FPassword = Value; }
    const std::string& ProxyUsername() const { return FProxyUsername; }
    void SetProxyUsername(const std::string& Value) { FProxyUsername = Value; }
    const std::string& ProxyPassword() const { return FProxyPassword; }
    void SetProxyPassword(const std::string& Value) { FProxyPassword = Value; }
    bool NoCache() const { return FNoCache; }
    void SetNoCache(bool Value) { FNoCache = Value; }
    // 0 sends no "If-Modified-Since".
    TDateTime ModifiedSince() const { return FModifiedSince; }
    void SetModifiedSince(TDateTime Value) { FModifiedSince = Value; }
    // Sent on every hop, first in the "Cookie: " line, before the cookies the
    // request's earlier hops set ("own=1; set=2").
    const std::string& Cookie() const { return FCookie; }
    void SetCookie(const std::string& Value) { FCookie = Value; }
    const std::string& ContentTypePost() const { return FContentTypePost; }
    void SetContentTypePost(const std::string& Value) { FContentTypePost = Value; }
    // Bounds of the next "Range: bytes=" line; cleared once sent, filled by a
    // received "content-range".
    const std::string& ContentRangeBegin() const { return FContentRangeBegin; }
    void SetContentRangeBegin(const std::string& Value) { FContentRangeBegin = Value; }
    const std::string& ContentRangeEnd() const { return FContentRangeEnd; }
    void SetContentRangeEnd(const std::string& Value) { FContentRangeEnd = Value; }
    // Last received "accept-ranges"; cleared whenever a request header is built.
    const std::string& AcceptRanges() const { return FAcceptRanges; }
    // --- proxies per hop and the refused HEAD --------------------------------
    // Set: each hop without Proxy takes the proxy this configuration names
    // for its address (the environment's, as curl reads it).
    const std::optional<TProxyConfig>& ProxyConfig() const { return FProxyConfig; }
    void SetProxyConfig(std::optional<TProxyConfig> Value) { FProxyConfig = std::move(Value); }
    // True: a HEAD whose final answer is 405 or 501 is asked once more as a
    // GET of which only the header is read (the connection is closed at its
    // end, no body is delivered); its answer is the request's result.
    bool HeadFallback() const { return FHeadFallback; }
    void SetHeadFallback(bool Value) { FHeadFallback = Value; }
    // The last request's result came from that GET.
    bool HeadRefused() const { return FHeadRefused; }
    // --- kept connections ----------------------------------------------------
    // True: a direct hop asks its server to keep the connection, and the next
    // hop to the same scheme, host and port goes over it without lookup and
    // connect. The rules and the events of such a hop: http_client_keep.cpp.
    bool KeepAlive() const { return FKeepAlive; }
    void SetKeepAlive(bool Value) { FKeepAlive = Value; }

    // For a client living on a worker thread; the wait always runs the event
    // loop of the calling thread. Also set on the socket.
    bool MultiThreaded() const { return FMultiThreaded; }
    void SetMultiThreaded(bool Value);
    // The POST body (from its position at the request start to its end, sent
    // again from there after a redirection) and the receiver of body bytes.
    // Not owned.
    QIODevice* SendStream() const { return FSendStream; }
    void SetSendStream(QIODevice* Value) { FSendStream = Value; }
    QIODevice* ReceiveStream() const { return FReceiveStream; }
    void SetReceiveStream(QIODevice* Value) { FReceiveStream = Value; }

    // --- results ---------------------------------------------------------------
    THttpState State() const { return FState; }
    THttpRequest RequestType() const { return FRequestType; }
    std::uint16_t RequestDoneError() const { return FRequestDoneError; }
    // 0 at request start; 404 for local failures.
    int StatusCode() const { return FStatusCode; }
    const std::string& ReasonPhrase() const { return FReasonPhrase; }
    // Of the last response: -1 until a "content-length" with a decimal number arrives.
    std::int64_t ContentLength() const { return FContentLength; }
    const std::string& ContentType() const { return FContentType; }
    // Every header line received, across all hops of a redirection chain.
    const std::vector<std::string>& ReceivedHeader() const { return FReceivedHeader; }
    // Index in ReceivedHeader of the last response's first line (its size
    // while no line of that response has arrived).
    std::size_t ResponseHeaderStart() const { return FResponseHeaderStart; }
    // Every "www-authenticate" value ever received.
    const std::vector<std::string>& AuthenticateValues() const { return FAuthenticateValues; }
    std::int64_t ReceivedCount() const { return FReceivedCount; }
    std::int64_t SentCount() const { return FSentCount; }
    bool Connected() const { return FConnected; }
    // The TLS session of the current hop's connection; empty for a plain one.
    const std::optional<TTlsPeerInfo>& SslPeerInfo() const { return FSslPeerInfo; }
    // One record per hop of the last request, in order; cleared at its start.
    const std::vector<THttpHop>& Hops() const { return FHops.Hops(); }
    // The current hop: read by OnLocationChange handlers and tests.
    const std::string& Location() const { return FTarget.Location; }
    const std::string& DocName() const { return FTarget.DocName; }
    const std::string& HostName() const { return FTarget.HostName; }
    const std::string& Port() const { return FTarget.Port; }
    const std::string& TargetHost() const { return FTarget.TargetHost; }
    const std::string& Path() const { return FTarget.Path; }
    const std::string& ResolvedAddress() const { return FResolvedAddress; }
    // Its events, OnChangeState too, are the client's.
    TAsyncSocket& Socket() { return *FSocket; }

    // --- requests --------------------------------------------------------------
    // Raise EHttpException "HTTP component is busy" (1) unless State is
    // httpReady, and for POST "HTTP component has nothing to post" (2)
    // without SendStream; the state is then unchanged.
    void GetASync() { DoRequestAsync(THttpRequest::httpGET); }
    void HeadASync() { DoRequestAsync(THttpRequest::httpHEAD); }
    void PostASync() { DoRequestAsync(THttpRequest::httpPOST); }
    void Get() { DoRequestSync(THttpRequest::httpGET); }
    void Head() { DoRequestSync(THttpRequest::httpHEAD); }
    void Post() { DoRequestSync(THttpRequest::httpPOST); }
    // Ends the running request at once as "Connection aborted on request"
    // (StatusCode 404, error 3); when ready, only closes a socket left open.
    void Abort();

    // --- events ----------------------------------------------------------------
    THttpNotifyEvent OnTrace; // kept for handlers written against it; never raised
    THttpNotifyEvent OnSessionConnected;
    THttpNotifyEvent OnHeaderData;
    THttpNotifyEvent OnHeaderBegin;
    THttpNotifyEvent OnHeaderEnd;
    THttpNotifyEvent OnRequestHeaderBegin;
    THttpNotifyEvent OnRequestHeaderEnd;
    THttpNotifyEvent OnDocBegin;
    THttpNotifyEvent OnDocEnd;
    THttpNotifyEvent OnSendBegin;
    THttpNotifyEvent OnSendEnd;
    THttpNotifyEvent OnStateChange;
    THttpNotifyEvent OnLocationChange;
    // Each request line before it is buffered; the handler may change or
    // empty it (an emptied line still ends with CR LF, ending the header).
    TOnCommand OnCommand;
    TDocDataEvent OnDocData;
    TDocDataEvent OnSendData;
    // Each "set-cookie" value; a handler that clears Accept keeps the cookie
    // from the later hops.
    TCookieRcvdEvent OnCookie;
    THttpRequestDone OnRequestDone;
    // Lines that arrive while neither header nor body is expected.
    THttpDataAvailable OnDataAvailable;

protected:
    virtual void SendCommand(const std::string& Line);
    // Resolves HostName; the connection and request follow from the lookup.
    virtual void Login();
    virtual void Logout();
    // Ends a hop with a "location": the next hop starts from the event loop.
    virtual void LocationSessionClosed();

    // Trigger operations: the single place where each event is raised.
    virtual void TriggerCookie(const std::string& Data, bool& Accept);
    virtual void TriggerSessionConnected();
    virtual void TriggerRequestHeaderBegin();
    virtual void TriggerRequestHeaderEnd();
    virtual void TriggerHeaderBegin();
    virtual void TriggerHeaderEnd();
    virtual void TriggerDocBegin();
    virtual void TriggerDocData(const void* Buffer, std::int32_t Len);
    virtual void TriggerDocEnd();
    virtual void TriggerSendBegin();
    virtual void TriggerSendData(const void* Buffer, std::int32_t Len);
    virtual void TriggerSendEnd();
    virtual void TriggerCommand(std::string& Line);
    virtual void TriggerHeaderData();
    virtual void TriggerStateChange();
    virtual void TriggerLocationChange();
    virtual void TriggerRequestDone(THttpRequest RqType, std::uint16_t Error);
    virtual void TriggerDataAvailable(std::uint16_t Error);

    // Composes the request header, hands it to the socket in one Send.
    void SendRequest(const std::string& Method, const std::string& Version);
    void StateChange(THttpState NewState);

private:
    using TLineHandler = void (THttpClient::*)();

    friend class THttpRequestWatch;

    void DoRequestAsync(THttpRequest Rq);
    void DoRequestSync(THttpRequest Rq);
    void ResetRequest(THttpRequest Rq);
    void SetReady();
    void Dispatch(int Kind, std::uint64_t Request, THttpRequest RqType, std::uint16_t Error);
    void AttachSessionClosed(void (THttpClient::*Handler)());
    // Records a failure on this side: the error, StatusCode 404 and the reason.
    void SetLocalFailure(std::uint16_t Error, const std::string& Reason);
    void EndWithLocalFailure(std::uint16_t Error, const std::string& Reason);
    // A session that ends before its answer is complete is a failure.
    void CheckAnswerComplete(std::uint16_t Error);
    // Per-response values start again for the answer of a new hop.
    void StartResponse();

    void ConnectSocket();
    // The connection stands: the request goes out on it.
    void StartRequest();
    // The hop's session is over (closed, or kept for the next hop).
    void HopEnded();
    // Leaves for the "location" of the hop that ended.
    void FollowLocation();
    // The connection stands, or a connect failed (no peer): for the hop's record.
    void NoteConnection();
    std::optional<TSocketAddress> PeerAddress() const;
    // "HEAD", "GET" (also after a refused HEAD) or "POST".
    std::string RequestMethod() const;
    // Asks the proxy for the tunnel that the hop's TLS session runs in.
    void SendTunnelRequest();
    // The text of a failed connection: the SOCKS server's, the TLS layer's or
    // the socket error's.
    std::string ConnectErrorText(std::uint16_t Error) const;
    void SocketDNSLookupDone(std::uint16_t Error);
    void SocketSessionConnected(std::uint16_t Error);
    void SocketDataAvailable(std::uint16_t Error);
    void ReceiveAvailable(std::uint16_t Error);
    void SocketDataSent(std::uint16_t Error);
    void SocketSessionClosed();

    void GetTunnelLineNext();
    void GetHeaderLineNext();
    void GetBodyLineNext();
    void ReceiveBody();
    void DeliverBody(const char* Data, std::size_t Len);
    void HeaderEnded();
    // The header ends and the body begins: the state, the line handler, then
    // OnHeaderEnd. False when the request stopped meanwhile.
    bool BeginBody();
    void HeaderField(const std::string& Line);
    void RunLineHandler();
    // The header budget, one for the proxy's answer and the server's header:
    // counts the current line's text, and ends the request once the header
    // is too large.
    bool HeaderLineFits();
    void DeliverHeldBytesAsBody();
    // Buffers each line through SendCommand; false when the request stopped
    // meanwhile.
    bool SendCommands(const std::vector<std::string>& Lines);
    // Puts SendStream back to where the body starts; returns the body's length.
    std::int64_t RewindBody();

    // --- reading an answer: its status line, folded lines and its end --------
    // The first line of an answer, or of the answer after an interim one.
    void GetStatusLine();
    // Gives the last header line its meaning once no continuation can follow;
    // false when the request stopped meanwhile.
    bool ApplyPendingField();
    // The status line of the final answer has come (or a first "<HTML>" line).
    bool FinalStatusArrived() const;
    // The answer carries a body: not for HEAD, nor for 1xx, 204 and 304.
    bool BodyExpected() const;
    // The body has as many bytes as the answer's "content-length" announced.
    bool LengthReached() const;
    // The answer is complete: the client closes the connection, or keeps
    // it, and the request ends as if the server had closed it.
    void EndCompleteAnswer();

    // --- kept connections (http_client_keep.cpp) --------------------------------
    std::string ConnectionKey() const;
    bool MayKeepConnection() const;
    void KeepConnection();
    void ReuseKeptConnection();
    bool KeptConnectionClosed();
    THttpAnswerState FAnswer;

    // Cleared first thing in the destructor: tells a step that raised an
    // event whether the client outlived its handler.
    TLifeToken FLifeToken;
    std::unique_ptr<THttpNotifier> FNotifier;
    std::unique_ptr<TAsyncSocket> FSocket;

    std::string FURL;
    std::string FProxy;
    std::string FProxyPort = http_limits::kDefaultPort;
    std::string FSocksServer;
    std::string FSocksPort = http_limits::kDefaultSocksPort;
    std::string FSocksLevel = "5";
    std::string FSocksUsercode;
    std::string FSocksPassword;
    TSocksAuthentication FSocksAuthentication = socksNoAuthentication;
    std::string FSender;
    std::string FAgent = "Mozilla/3.0 (compatible)";
    std::string FAccept = http_limits::kDefaultAccept;
    std::string FReference;
    std::string FUsername;
    std::string FPassword;
    std::string FProxyUsername;
    std::string FProxyPassword;
    bool FNoCache = false;
    TDateTime FModifiedSince = 0;
    std::string FCookie;
    std::string FContentTypePost = "application/x-www-form-urlencoded";
    std::string FContentRangeBegin;
    std::string FContentRangeEnd;
    std::string FAcceptRanges;
    bool FMultiThreaded = false;
    QIODevice* FSendStream = nullptr;
    QIODevice* FReceiveStream = nullptr;
    bool FSslVerify = true;
    std::string FSslCAFile;

    THttpState FState = THttpState::httpReady;
    THttpRequest FRequestType = THttpRequest::httpAbort;
    std::uint64_t FRequestSerial = 0;
    std::uint16_t FRequestDoneError = 0;
    int FStatusCode = 0;
    std::string FReasonPhrase;
    std::int64_t FContentLength = -1;
    std::string FContentType;
    std::vector<std::string> FReceivedHeader;
    std::size_t FResponseHeaderStart = 0;
    std::vector<std::string> FAuthenticateValues;
    std::int64_t FReceivedCount = 0;
    std::int64_t FSentCount = 0;
    bool FConnected = false;
    std::optional<TTlsPeerInfo> FSslPeerInfo;

    THttpTarget FTarget;
    std::optional<THttpTarget> FTypedTarget; // the last address read, for the next request
    // Waiting for the proxy's answer to CONNECT; its status code.
    bool FTunnelPending = false;
    int FTunnelStatus = 0;
    std::string FTunnelReason;
    std::string FRequestUsername;
    std::string FRequestPassword;
    std::string FRequestOrigin; // the only origin the credentials go to
    std::string FResolvedAddress;
    // The SOCKS server's last failure: its number and text.
    std::int32_t FSocksError = 0;
    std::string FSocksErrorText;
    int FRedirections = 0;
    bool FRelocationPending = false;

    bool FKeepAlive = false;
    std::string FConnectionKey; // the current hop's ConnectionKey
    std::string FKeptKey;       // the kept connection's; empty: none is kept
    bool FRetryOnClose = false; // the hop runs on a reused connection, no answer yet

    std::string FRequestBuffer;
    // The held bytes of the proxy's answer and of the header, and their budget.
    TLineReader FLineReader;
    std::string FCurrentLine;
    // The body's receive area (kBodyReceiveSize), made at the first body.
    std::vector<char> FBodyBuffer;
    std::string FCurrentLineEnd; // the line feed, with a carriage return before it
    TLineHandler FLineHandler = nullptr;
    int FBodyLineCount = 0;
    // The POST body's send area (kSendChunkSize), made at the first body.
    std::vector<char> FSendBuffer;
    bool FSendingBody = false;
    qint64 FSendStreamStart = 0; // where the body starts in SendStream

    // --- addresses, proxies, cookies and the refused HEAD ---------------------
    // The proxy of a hop: Proxy, else the configuration's; credentials the
    // value does not name come from the properties.
    TProxyChoice ProxyFor(const TUri& Uri) const;
    TSocksRoute SocksRoute() const;
    // Looks up what the hop connects to: the host or proxy, or the SOCKS
    // server (after the host when the address goes to it).
    void LookUp(const std::string& Host);
    // Notes the first "location" of an answer that is followed; one that is
    // no address ends the request.
    void NoteLocation(const std::string& Value);
    void StoreCookie(const std::string& Value);
    // The "Cookie: " value: the Cookie property, then the cookies set along
    // this request that match the hop.
    std::string CookieLine() const;
    // At the end of a HEAD refused with 405 or 501: asks again with GET.
    bool RepeatHeadAsGet();

    std::optional<TProxyConfig> FProxyConfig;
    bool FHeadFallback = false;
    bool FHeadRefused = false;
    TSocksRoute FSocksRoute;
    bool FLookingUpHost = false; // before the SOCKS server, for ResolveHere
    std::string FHostAddress;    // that lookup's result
    TUri FLocation;              // where the current answer leads, while FRelocationPending
    TCookieJar FCookieJar;
    THopRecorder FHops;
};
