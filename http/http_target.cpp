#include "http/http_target.h"

#include "http/http_constants.h"
#include "http/text_utils.h"
#include "http/url.h"

namespace {

using http_limits::kDefaultPort;

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

std::string PortOrDefault(const std::string& port) {
    return port.empty() ? std::string(kDefaultPort) : port;
}

std::string Authority(const std::string& host, const std::string& port) {
    return port.empty() ? host : host + ":" + port;
}

void FollowDirect(THttpTarget& t, const std::string& location) {
    if (!location.empty() && location.front() == '/') {
        t.Path = location;
        t.Location = "http://" + t.HostName + t.Path;
        return;
    }
    const TUrlParts v = Split(location);
    t.HostName = v.Host;
    t.Path = v.Path;
    if (!v.Port.empty())
        t.Port = v.Port;
    else if (!v.Proto.empty() && !v.Host.empty())
        t.Port = kDefaultPort; // an absolute address without a port means the default one
    if (!v.Proto.empty() && !t.HostName.empty()) {
        t.TargetHost = t.HostName;
        if (t.Path.empty())
            t.Path = "/";
        t.Location = SchemeOf(v) + t.HostName + (v.Path.empty() ? "" : t.Path);
        t.Scheme = v.Proto;
    } else if (t.Path.empty()) {
        // A bare word names a document on the current host.
        t.Location = SchemeOf(v) + t.TargetHost + "/" + t.HostName;
        t.HostName = t.TargetHost;
        t.Path = t.Location;
    } else if (t.HostName.empty()) {
        t.Location = SchemeOf(v) + t.TargetHost + t.Path;
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
    if (!location.empty() && location.front() == '/') {
        t.Location = SchemeOf(current) + Authority(current.Host, current.Port) + location;
    } else {
        const TUrlParts v = Split(location);
        if (!v.Host.empty() && (!v.Proto.empty() || !v.Path.empty())) {
            t.TargetHost = v.Host;
            t.Location = SchemeOf(v) + Authority(v.Host, v.Port) + v.Path;
            t.Scheme = SchemeName(v);
            t.TargetPort = PortOrDefault(v.Port);
        } else if (v.Path.empty()) {
            t.Location = SchemeOf(v) + currentAuthority + "/" + v.Host;
        } else {
            t.Location = SchemeOf(v) + currentAuthority + v.Path;
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
    t.TargetPort = PortOrDefault(u.Port);
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

void FollowLocation(THttpTarget& target, const std::string& location, bool viaProxy) {
    if (viaProxy)
        FollowViaProxy(target, location);
    else
        FollowDirect(target, location);
}
