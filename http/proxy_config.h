#pragma once

#include <functional>
#include <optional>
#include <string>

#include "http/uri.h"

// How a request reaches its server.
enum class TProxyKind {
    None,    // directly
    Http,    // an HTTP proxy: absolute request targets, https through CONNECT
    Socks4,  // SOCKS 4: the name is resolved here and the address sent
    Socks4a, // SOCKS 4A: the name is sent and the proxy resolves it
    Socks5,  // SOCKS 5: the name is resolved here and the address sent
    Socks5h, // SOCKS 5: the name is sent and the proxy resolves it
};

struct TProxy {
    TProxyKind Kind = TProxyKind::None;
    std::string Host;     // as written (an IPv6 literal without brackets)
    std::string Port;     // always set: 80 for http, 1080 for SOCKS when the value names none
    std::string User;     // percent-decoded
    std::string Password; // percent-decoded
};

struct TProxyChoice {
    TProxy Proxy;
    std::string Error; // why the proxy value cannot be used; Proxy.Kind is None then
};

// A proxy value as the environment and "--proxy" give it: "host[:port]" (an
// HTTP proxy) or "scheme://[user:password@]host[:port][/]" with the schemes
// http, socks4, socks4a, socks5 and socks5h. Anything after the host and port
// is ignored.
TProxyChoice ParseProxyValue(const std::string& value);

// Whether a no_proxy list exempts `host` (a URI's host, an IPv6 literal
// without brackets): the list is separated by commas or blanks; "*" exempts
// every host; a name exempts itself and the names below it ("example.org" and
// ".example.org" both exempt "www.example.org"); an IP address exempts the
// same address. Letters compare without regard to case; no port is compared.
bool NoProxyMatches(const std::string& list, const std::string& host);

// The value of one environment variable; "" when it is unset or empty.
using TEnvironmentLookup = std::function<std::string(const std::string& name)>;

// The value of a variable of this process's environment.
std::string ProcessEnvironment(const std::string& name);

// The proxies a query uses, read from the environment as curl reads it, and
// replaced by the command line's "--proxy" and "--noproxy" where given.
class TProxyConfig {
public:
    // Reads http_proxy (lower case only: a CGI program gets HTTP_PROXY from a
    // request's "Proxy:" field), https_proxy or HTTPS_PROXY, all_proxy or
    // ALL_PROXY (for a scheme whose own variable is unset), and no_proxy or
    // NO_PROXY; the lower-case name wins.
    explicit TProxyConfig(const TEnvironmentLookup& lookup);

    // "--proxy VALUE": the proxy of every scheme; "" means none.
    void SetExplicitProxy(const std::string& value);
    // "--noproxy LIST": replaces no_proxy.
    void SetNoProxy(const std::string& list);

    // The proxy of a request to `uri`; none when no_proxy exempts its host.
    // A value that cannot be read gives an Error.
    TProxyChoice ProxyFor(const TUri& uri) const;

private:
    std::string FHttpProxy;
    std::string FHttpsProxy;
    std::string FAllProxy;
    std::string FNoProxy;
    std::optional<std::string> FExplicitProxy;
};
