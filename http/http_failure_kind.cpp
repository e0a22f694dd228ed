#include "http/http_failure_kind.h"

#include "http/http_constants.h"
#include "net/custom_tls_socket.h"
#include "net/socks_types.h"

namespace {

bool IsLookupError(int error) {
    return (error >= wsaerr::HostNotFound && error <= wsaerr::NoData) ||
           error == http_errors::kInvalidHostName;
}

THttpFailureKind KindOfError(std::uint16_t error) {
    switch (error) {
    case http_errors::kAborted:
        return THttpFailureKind::Aborted;
    case http_errors::kTooManyRedirections:
    case http_errors::kInvalidRedirection:
        return THttpFailureKind::Redirects;
    case http_errors::kLineTooLong:
    case http_errors::kHeaderTooLarge:
    case http_errors::kBodyIncomplete:
    case http_errors::kUnsupportedProtocol:
    case http_errors::kEmptyReply:
    case http_errors::kInvalidStatusLine:
        return THttpFailureKind::Protocol;
    case http_errors::kTunnelRefused:
    case http_errors::kInvalidProxy:
        return THttpFailureKind::Proxy;
    case TCustomTlsSocket::kTlsFailure:
        return THttpFailureKind::Tls;
    default:
        break;
    }
    if (IsLookupError(error))
        return THttpFailureKind::Resolve;
    // The SOCKS server refused the negotiation.
    if (error >= socks_errors::kLogicError && error <= socks_errors::kFieldTooLong)
        return THttpFailureKind::Proxy;
    // Socket errors and an invalid port: the server could not be reached.
    return THttpFailureKind::Connect;
}

} // namespace

THttpFailureKind FailureKindOf(std::uint16_t requestError, int statusCode, bool timedOut) {
    if (requestError == 0)
        return statusCode >= http_errors::kFirstErrorStatus ? THttpFailureKind::Http
                                                            : THttpFailureKind::None;
    const THttpFailureKind kind = KindOfError(requestError);
    return kind == THttpFailureKind::Aborted && timedOut ? THttpFailureKind::Timeout : kind;
}

std::string_view FailureKindName(THttpFailureKind kind) {
    switch (kind) {
    case THttpFailureKind::None:
        break;
    case THttpFailureKind::Resolve:
        return "resolve";
    case THttpFailureKind::Connect:
        return "connect";
    case THttpFailureKind::Tls:
        return "tls";
    case THttpFailureKind::Proxy:
        return "proxy";
    case THttpFailureKind::Timeout:
        return "timeout";
    case THttpFailureKind::Aborted:
        return "aborted";
    case THttpFailureKind::Protocol:
        return "protocol";
    case THttpFailureKind::Redirects:
        return "redirects";
    case THttpFailureKind::Http:
        return "http";
    }
    return {};
}
