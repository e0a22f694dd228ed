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

// OnSocksError: a negotiation failure with its number (20001..20018, or the
// socket error that ended the negotiation) and its text.
using TSocksErrorEvent =
    std::function<void(TCustomAsyncSocket* Sender, std::int32_t Error, const std::string& Msg)>;
using TSocksAuthStateEvent =
    std::function<void(TCustomAsyncSocket* Sender, TSocksAuthState AuthState)>;

// Numbers of the negotiation failures. None of them is a socket error, so
// SocketErrorDesc calls each "Not a WinSock error".
namespace socks_errors {
constexpr int LogicError = 20001;
constexpr int VersionError = 20002;
constexpr int MethodNotAcceptable = 20003;
constexpr int GeneralFailure = 20004;
constexpr int NotAllowed = 20005;
constexpr int NetworkUnreachable = 20006;
constexpr int HostUnreachable = 20007;
constexpr int ConnectionRefused = 20008;
constexpr int TtlExpired = 20009;
constexpr int CommandNotSupported = 20010;
constexpr int AddressTypeNotSupported = 20011;
constexpr int Unassigned = 20012;
constexpr int InternalError = 20013;
constexpr int AuthenticationFailed = 20015;
constexpr int RequestRejected = 20016;
constexpr int HostResolution = 20017;
constexpr int FieldTooLong = 20018;
} // namespace socks_errors
