#include "net/socks_protocol.h"

#include "net/socks_types.h"

namespace socks_protocol {

namespace {

struct TReplyError {
    int Code;
    int Number;
    const char* Text;
};

constexpr TReplyError Socks5ReplyErrors[] = {
    {1, socks_errors::GeneralFailure, "general SOCKS server failure"},
    {2, socks_errors::NotAllowed, "connection not allowed by ruleset"},
    {3, socks_errors::NetworkUnreachable, "network unreachable"},
    {4, socks_errors::HostUnreachable, "host unreachable"},
    {5, socks_errors::ConnectionRefused, "connection refused"},
    {6, socks_errors::TtlExpired, "time to live expired"},
    {7, socks_errors::CommandNotSupported, "command not supported"},
    {8, socks_errors::AddressTypeNotSupported, "address type not supported"},
};

constexpr TReplyError Socks4ReplyErrors[] = {
    {91, socks_errors::RequestRejected, "request rejected or failed"},
    {92, socks_errors::ConnectionRefused, "connection refused"},
    {93, socks_errors::AuthenticationFailed, "authentification failed"},
};

template <std::size_t N> TFailure ReplyFailure(const TReplyError (&Table)[N], int Code) {
    for (const TReplyError& Entry : Table)
        if (Entry.Code == Code)
            return {Entry.Number, Entry.Text};
    return {socks_errors::Unassigned, "unassigned error #" + std::to_string(Code)};
}

} // namespace

TFailure Socks5ReplyFailure(int Code) {
    return ReplyFailure(Socks5ReplyErrors, Code);
}

TFailure Socks4ReplyFailure(int Code) {
    return ReplyFailure(Socks4ReplyErrors, Code);
}

} // namespace socks_protocol
