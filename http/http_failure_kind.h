#pragma once

#include <cstdint>
#include <string_view>

// What ended a query that failed, in the terms a program reading the result
// can act on.
enum class THttpFailureKind {
    None,      // the query succeeded
    Resolve,   // the host name could not be looked up, or there was none
    Connect,   // no connection, or it broke before the answer was complete
    Tls,       // the handshake or the certificate check failed
    Proxy,     // the SOCKS server or the proxy's tunnel refused
    Timeout,   // the caller's time limit ran out
    Aborted,   // the caller (or its user) aborted the request
    Protocol,  // the answer was no usable HTTP answer, or the scheme is not spoken
    Redirects, // too many redirections, or one to an unusable address
    Http       // the server answered with a status of 400 or more
};

// The kind of a query's end from the client's RequestDoneError and
// StatusCode; `timedOut` tells that the caller aborted the request because
// its time ran out. None when the error is 0 and the status below 400.
THttpFailureKind FailureKindOf(std::uint16_t requestError, int statusCode, bool timedOut);

// "resolve", "connect", "tls", "proxy", "timeout", "aborted", "protocol",
// "redirects" or "http"; empty for None.
std::string_view FailureKindName(THttpFailureKind kind);
