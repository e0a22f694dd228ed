#pragma once

#include <cstdint>
#include <functional>
#include <string>

class TCustomAsyncSocket;

// Negotiation state of the SOCKS layer, in this order.
enum TSocksState {
    socksData,             // no negotiation: data flows to the application
    socksNegociateMethods, // SOCKS 5 method offer sent (or the proxy connection pending)
    socksAuthenticate,     // user name and password sent
    socksConnect           // connect request sent
};

// Progress of the SOCKS 5 user name and password authentication, in this order.
enum TSocksAuthState { socksAuthStart, socksAuthSuccess, socksAuthFailure, socksAuthNotRequired };

enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };

// OnSocksError: a negotiation failure with its number (20001..20019, or the
// socket error that ended the negotiation) and its text.
using TSocksErrorEvent =
    std::function<void(TCustomAsyncSocket* Sender, std::int32_t Error, const std::string& Msg)>;
using TSocksAuthStateEvent =
    std::function<void(TCustomAsyncSocket* Sender, TSocksAuthState AuthState)>;

// Numbers of the negotiation failures. None of them is a socket error, so
// SocketErrorDesc calls each "Not a WinSock error".
namespace socks_errors {
constexpr int kLogicError = 20001;
constexpr int kVersionError = 20002;
constexpr int kMethodNotAcceptable = 20003;
constexpr int kGeneralFailure = 20004;
constexpr int kNotAllowed = 20005;
constexpr int kNetworkUnreachable = 20006;
constexpr int kHostUnreachable = 20007;
constexpr int kConnectionRefused = 20008;
constexpr int kTtlExpired = 20009;
constexpr int kCommandNotSupported = 20010;
constexpr int kAddressTypeNotSupported = 20011;
constexpr int kUnassigned = 20012;
constexpr int kInternalError = 20013;
constexpr int kAuthenticationFailed = 20015;
constexpr int kRequestRejected = 20016;
constexpr int kHostResolution = 20017;
constexpr int kFieldTooLong = 20018;
// An IPv6 target asked of a SOCKS 4 or 4A proxy, whose requests carry IPv4
// addresses only.
constexpr int kAddressNotSendable = 20019;
} // namespace socks_errors
