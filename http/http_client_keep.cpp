// THttpClient: kept connections (KeepAlive). A hop to a server asked
// directly (no HTTP proxy, no SOCKS server; plain or TLS) asks it to keep the
// connection ("Connection: keep-alive", over HTTP/1.1 for a HEAD and the GET
// after a refused one; a request whose body is read stays HTTP/1.0, as a body
// of an HTTP/1.1 answer may come in chunks). The connection is kept when the
// answer is complete, nothing of it is left unread (a HEAD, an answer without
// a body, or a body read to its "content-length"), its status is 200 or more
// and it allows it: HTTP/1.1 without "Connection: close", HTTP/1.0 only with
// "Connection: keep-alive". At most one connection is kept. The next hop, of
// this request or a later one, to the same scheme, host and port (with the
// same SslVerify and SslCAFile) is sent over it; any other hop closes it
// first. The server closing it while it waits, or sending anything, drops it
// silently; one it closes (or resets) before the first byte of the answer to
// a HEAD or GET sent over it is asked again, once, over a new connection.
// Abort while ready, the destructor and turning KeepAlive off (at the next
// hop) close it; so does a proxy or SOCKS server set since, at the next hop.
//
// The events of a hop over a kept connection: no lookup, connect and
// connected states and no OnSessionConnected; the request begins at
// httpWaitingHeader (after httpNotConnected for a new request; a
// redirection's next hop raises no state before its request header). A
// request that ends on a kept connection ends with the same events as one
// whose connection closes, and Connected stays true. An attempt asked again
// repeats the events from the lookup on, request header included. The hop's
// record has no lookup, connect or TLS times; its address, port and TLS
// summary are those of the kept connection.

#include "http/http_client.h"

#include "http/http_notifier.h"
#include "http/uri.h"
#include "net/async_socket.h"

#include <utility>

// What a connection for the current hop may be kept for (the origin and the
// certificate check); empty when it may not.
std::string THttpClient::ConnectionKey() const {
    if (!FKeepAlive || FTarget.FailureCode != 0 || FTarget.Proxy.Kind != TProxyKind::None ||
        !FSocksRoute.Server.empty())
        return {};
    // A TLS session serves only hops that would check its certificate alike.
    return Origin(FTarget.Uri) + '\n' + (FSslVerify ? "verify" : "any") + '\n' + FSslCAFile;
}

// The complete answer leaves a connection that can carry the next request.
bool THttpClient::MayKeepConnection() const {
    // A 101 hands the connection to another protocol.
    constexpr int kFirstHttpFinalStatus = 200;
    const bool nothingLeft =
        RequestMethod() == "HEAD" || !StatusHasBody(FStatusCode) || LengthReached();
    return !FConnectionKey.empty() && FStatusCode >= kFirstHttpFinalStatus && nothingLeft &&
           !FAnswer.Overrun && FLineReader.HeldCount() == 0 &&
           ConnectionPersists(FAnswer.Version, FAnswer.Connection) &&
           FSocket->State() == wsConnected;
}

void THttpClient::KeepConnection() {
    FLineReader.Clear();
    FKeptKey = FConnectionKey;
    FRetryOnClose = false;
}

// The next hop goes out over the kept connection.
void THttpClient::ReuseKeptConnection() {
    FKeptKey.clear();
    FRetryOnClose = true;
    FHops.Begin(FTarget, FSocksRoute, RequestMethod(), FReceivedHeader.size());
    if (FSocket->SslEstablished())
        FSslPeerInfo = FSocket->SslPeerInfo();
    if (const auto peer = PeerAddress())
        FHops.Reused(peer->Text(), std::to_string(peer->Port()), FSslPeerInfo);
    StartRequest();
}

// A close of the kept connection while it waits, or of a reused one before
// its answer (then asked again), which ends no request; false for any other
// close.
bool THttpClient::KeptConnectionClosed() {
    if (!FKeptKey.empty()) {
        FKeptKey.clear();
        FConnected = false;
        return true;
    }
    // The server may have closed the connection while the request was on its
    // way: a request without a body to send is asked again, once.
    if (!std::exchange(FRetryOnClose, false) || FRequestDoneError != 0 ||
        FState == THttpState::httpAborting || FRequestType == THttpRequest::httpPOST)
        return false;
    FConnected = false;
    FLineReader.Clear();
    FHops.Restart();
    FNotifier->Post({THttpNotifier::WM_HTTP_LOGIN, FRequestSerial});
    return true;
}
