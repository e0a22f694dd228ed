#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "http/proxy_config.h"
#include "http/uri.h"

// Where one hop of a request goes: the address asked for, the connection
// (`HostName`, `Port`: the HTTP proxy's when one is used) and the request
// target written there.
struct THttpTarget {
    TUri Uri;               // the address asked for, its host in A-label form
    std::string HostName;   // host looked up and connected to
    std::string Port;       // port connected to, as text
    std::string TargetHost; // the host of Uri: SNI, the certificate check, the tunnel
    std::string Path;       // request target: path and query, or the absolute form to an HTTP proxy
    std::string DocName;    // file-name guess for the document
    std::string Location;   // this hop's address, as OnLocationChange reports it
    TProxy Proxy;           // this hop's proxy; Kind None: none
    // Why the hop cannot be asked for (0: it can), in the client's error
    // numbers, and the reason as ReasonPhrase shows it.
    std::uint16_t FailureCode = 0;
    std::string FailureReason;
};

// The proxy of a request to an address.
using TProxyChooser = std::function<TProxyChoice(const TUri& uri)>;

// The first hop for an address as typed (UTF-8), read by ParseTypedAddress:
// "http" when it names no scheme; a request target "/" when it names no path.
// An address holding a control byte leads to no host.
THttpTarget TargetForAddress(const std::string& url, const TProxyChooser& proxyFor);
// Its two steps, for a client that asks the same address again and again:
// the address read (`Location`, `Uri`, `DocName`, or the failure), which
// depends on `url` alone, and such a reading routed in place.
THttpTarget ReadTypedAddress(const std::string& url);
void RouteTypedAddress(THttpTarget& read, const TProxyChooser& proxyFor);

// The hop a "location" value leads to from `from`: `reference` resolved
// against `from`'s address (RFC 3986 section 5). The document name stays.
THttpTarget TargetForLocation(const THttpTarget& from, const TUri& reference,
                              const TProxyChooser& proxyFor);

// Whether the "location" of an answer with this status is followed: 300 to
// 399, except "304 Not Modified".
bool FollowsLocation(int status);

// "scheme://host:port" of an address: requests with the same origin go to
// the same server.
std::string Origin(const TUri& uri);

// True for the schemes the client speaks: "http" and "https".
bool IsSupportedScheme(const std::string& scheme);
