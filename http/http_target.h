#pragma once

#include <string>

// Where one hop of a request goes: the connection (`HostName`, `Port`; the
// proxy when one is used) and what is asked for there.
struct THttpTarget {
    std::string HostName;    // host resolved and connected to
    std::string Port;        // port connected to, as text
    std::string TargetHost;  // host of the requested address, the "Host: " value
    std::string Path;        // request target: a path, or the absolute address through a proxy
    std::string DocName;     // file-name guess for the document
    std::string Location;    // current absolute address, as OnLocationChange reports it
    std::string Scheme;      // of the requested address, "http" when it names none
    std::string TargetPort;  // of the requested address, the default port when it names none
    std::string UrlUsername; // credentials written into the address (empty when none)
    std::string UrlPassword;
};

// The first hop for `url`, directly or through `proxy` (whose port defaults
// to `proxyPort`). A direct connection defaults to path "/" and to port 80,
// or 443 for "https".
THttpTarget TargetForRequest(const std::string& url, const std::string& proxy,
                             const std::string& proxyPort);

// "scheme://host:port" of the requested address, lower-cased: requests with
// the same origin go to the same server.
std::string Origin(const THttpTarget& target);

// True for the schemes the client speaks: "http" and "https", in any case.
bool IsSupportedScheme(const std::string& scheme);

// True when the hop's server is asked over TLS ("https").
bool UsesTls(const THttpTarget& target);

// The request target inside a tunnel through a proxy: the path of the
// absolute target, "/" when it has none.
std::string TunnelPath(const THttpTarget& target);

// Moves `target` to the address of a "location" header value: absolute, a
// path on the same host ("/x"), or a bare word taken as a path on the current
// host. A location without a scheme keeps the hop's, and an absolute one
// without a port means its scheme's default port. Without a proxy the rebuilt
// Location never shows the port; through a proxy the port stays in the
// absolute request target, and the connection to the proxy is kept.
void FollowLocation(THttpTarget& target, const std::string& location, bool viaProxy);
