#include "net/socks_protocol.h"

#include "net/socks_types.h"

namespace socks_protocol {

namespace {

struct TReplyError {
    int Code;
    int Number;
    const char* Text;
};

constexpr TReplyError kSocks5ReplyErrors[] = {
    {1, socks_errors::kGeneralFailure, "general SOCKS server failure"},
    {2, socks_errors::kNotAllowed, "connection not allowed by ruleset"},
    {3, socks_errors::kNetworkUnreachable, "network unreachable"},
    {4, socks_errors::kHostUnreachable, "host unreachable"},
    {5, socks_errors::kConnectionRefused, "connection refused"},
    {6, socks_errors::kTtlExpired, "time to live expired"},
    {7, socks_errors::kCommandNotSupported, "command not supported"},
    {8, socks_errors::kAddressTypeNotSupported, "address type not supported"},
};

constexpr TReplyError kSocks4ReplyErrors[] = {
    {91, socks_errors::kRequestRejected, "request rejected or failed"},
    {92, socks_errors::kConnectionRefused, "connection refused"},
    {93, socks_errors::kAuthenticationFailed, "authentification failed"},
};

template <std::size_t N> TFailure ReplyFailure(const TReplyError (&Table)[N], int Code) {
    for (const TReplyError& entry : Table)
        if (entry.Code == Code)
            return {entry.Number, entry.Text};
    return {socks_errors::kUnassigned, "unassigned error #" + std::to_string(Code)};
}

} // namespace

TFailure Socks5ReplyFailure(int Code) {
    return ReplyFailure(kSocks5ReplyErrors, Code);
}

TFailure Socks4ReplyFailure(int Code) {
    return ReplyFailure(kSocks4ReplyErrors, Code);
}

} // namespace socks_protocol
