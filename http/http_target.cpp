#include "http/http_target.h"

#include "base/ascii_text.h"
#include "http/http_constants.h"
#include "http/text_utils.h"
#include "http/url.h"

namespace {

using http_limits::kDefaultPort;

constexpr char kTlsScheme[] = "https";

struct TUrlParts {
    std::string Proto, User, Pass, Host, Port, Path;
};

TUrlParts Split(const std::string& url) {
    TUrlParts p;
    ParseURL(url, p.Proto, p.User, p.Pass, p.Host, p.Port, p.Path);
    return p;
}

std::string SchemeName(const TUrlParts& p) {
    return p.Proto.empty() ? std::string("http") : p.Proto;
}

std::string SchemeOf(const TUrlParts& p) {
    return SchemeName(p) + "://";
}

bool IsTlsScheme(const std::string& scheme) {
    return LowerCase(scheme) == kTlsScheme;
}

std::string PortOrDefault(const std::string& port, const std::string& scheme) {
    if (!port.empty())
        return port;
    return IsTlsScheme(scheme) ? http_limits::kDefaultTlsPort : kDefaultPort;
}

std::string Authority(const std::string& host, const std::string& port) {
    return port.empty() ? host : host + ":" + port;
}

void FollowDirect(THttpTarget& t, const std::string& location) {
    // Locations without a scheme of their own stay with the hop's.
    const std::string hopScheme = t.Scheme + "://";
    if (!location.empty() && location.front() == '/') {
        t.Path = location;
        t.Location = hopScheme + t.HostName + t.Path;
        return;
    }
    const TUrlParts v = Split(location);
    const bool absolute = !v.Proto.empty() && !v.Host.empty();
    t.HostName = v.Host;
    t.Path = v.Path;
    if (!v.Port.empty())
        t.Port = v.Port;
    else if (absolute)
        t.Port =
            PortOrDefault("", v.Proto); // an absolute address without a port means the default one
    if (absolute) {
        t.TargetHost = t.HostName;
        if (t.Path.empty())
            t.Path = "/";
        t.Location = SchemeOf(v) + t.HostName + (v.Path.empty() ? "" : t.Path);
        t.Scheme = v.Proto;
    } else if (t.Path.empty()) {
        // A bare word names a document on the current host.
        t.Location = hopScheme + t.TargetHost + "/" + t.HostName;
        t.HostName = t.TargetHost;
        t.Path = t.Location;
    } else if (t.HostName.empty()) {
        t.Location = hopScheme + t.TargetHost + t.Path;
        t.HostName = t.TargetHost;
    } else {
        t.TargetHost = t.HostName;
    }
    t.TargetPort = t.Port; // even a relative location may name a port
}

// Through a proxy the request target is always absolute; the connection stays
// with the proxy, so any port belongs into that target.
void FollowViaProxy(THttpTarget& t, const std::string& location) {
    const TUrlParts current = Split(t.Path);
    const std::string currentAuthority = Authority(t.TargetHost, current.Port);
    const std::string hopScheme = SchemeOf(current);
    if (!location.empty() && location.front() == '/') {
        t.Location = hopScheme + Authority(current.Host, current.Port) + location;
    } else {
        const TUrlParts v = Split(location);
        if (!v.Host.empty() && (!v.Proto.empty() || !v.Path.empty())) {
            t.TargetHost = v.Host;
            t.Scheme = v.Proto.empty() ? SchemeName(current) : v.Proto;
            t.Location = t.Scheme + "://" + Authority(v.Host, v.Port) + v.Path;
            t.TargetPort = PortOrDefault(v.Port, t.Scheme);
        } else if (v.Path.empty()) {
            t.Location = hopScheme + currentAuthority + "/" + v.Host;
        } else {
            t.Location = hopScheme + currentAuthority + v.Path;
        }
    }
    t.Path = t.Location;
}

} // namespace

THttpTarget TargetForRequest(const std::string& url, const std::string& proxy,
                             const std::string& proxyPort) {
    THttpTarget t;
    t.Location = url;
    t.Scheme = "http";
    t.TargetPort = kDefaultPort;
    // Such an address could end or split the request line: it leads to no
    // host, and the request ends like one whose host cannot be looked up.
    if (HoldsControlByte(url))
        return t;
    TUrlParts u = Split(url);
    t.TargetHost = u.Host;
    t.DocName = DocNameFromPath(u.Path);
    t.UrlUsername = u.User;
    t.UrlPassword = u.Pass;
    t.Scheme = SchemeName(u);
    t.TargetPort = PortOrDefault(u.Port, t.Scheme);
    if (proxy.empty()) {
        t.HostName = u.Host;
        t.Port = t.TargetPort;
        t.Path = u.Path.empty() ? std::string("/") : u.Path;
    } else {
        t.Path = SchemeOf(u) + Authority(u.Host, u.Port) + u.Path;
        const TUrlParts p = Split(proxy);
        t.HostName = p.Host;
        t.Port = p.Port.empty() ? proxyPort : p.Port;
    }
    return t;
}

std::string Origin(const THttpTarget& target) {
    return LowerCase(target.Scheme + "://" + target.TargetHost + ":" + target.TargetPort);
}

bool IsSupportedScheme(const std::string& scheme) {
    return LowerCase(scheme) == "http" || IsTlsScheme(scheme);
}

bool UsesTls(const THttpTarget& target) {
    return IsTlsScheme(target.Scheme);
}

std::string TunnelPath(const THttpTarget& target) {
    const TUrlParts p = Split(target.Path);
    return p.Path.empty() ? std::string("/") : p.Path;
}

void FollowLocation(THttpTarget& target, const std::string& location, bool viaProxy) {
    if (viaProxy)
        FollowViaProxy(target, location);
    else
        FollowDirect(target, location);
}
