#include "http/http_target.h"

#include <string_view>

#include "base/ascii_text.h"
#include "http/http_constants.h"
#include "http/idna.h"
#include "http/text_utils.h"
#include "http/url.h"

namespace {

constexpr char kNoHostReason[] = "can't resolve hostname to IP address";
// Bytes a host name may hold besides letters and digits (RFC 3986 reg-name):
// anything else, a blank above all, would break the request line to a proxy.
constexpr std::string_view kHostSigns = "-._~!$&'()*+,;=%";

bool IsHostText(const std::string& host) {
    for (const char c : host) {
        const bool alphanumeric =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alphanumeric && kHostSigns.find(c) == std::string_view::npos)
            return false;
    }
    return !host.empty();
}

void Fail(THttpTarget& t, std::uint16_t code, std::string reason) {
    t.FailureCode = code;
    t.FailureReason = std::move(reason);
}

// Fills the connection and the request target of `t` for its address, or
// the reason why there is none.
void Route(THttpTarget& t, const TProxyChooser& proxyFor) {
    if (!IsSupportedScheme(t.Uri.Scheme))
        return Fail(t, http_errors::kUnsupportedProtocol, "unsupported protocol");
    if (t.Uri.Host.empty())
        return Fail(t, http_errors::kInvalidHostName, kNoHostReason);
    if (!t.Uri.IsIpv6Literal) {
        const TAsciiHost ascii = HostToAscii(t.Uri.Host);
        if (!ascii.Error.empty())
            return Fail(t, http_errors::kInvalidHostName, kNoHostReason + (": " + ascii.Error));
        t.Uri.Host = ascii.Host;
        if (!IsHostText(t.Uri.Host))
            return Fail(t, http_errors::kInvalidHostName, kNoHostReason);
    }
    t.TargetHost = t.Uri.Host;
    const TProxyChoice choice = proxyFor ? proxyFor(t.Uri) : TProxyChoice{};
    if (!choice.Error.empty())
        return Fail(t, http_errors::kInvalidProxy, choice.Error);
    t.Proxy = choice.Proxy;
    // Through an HTTP proxy a plain request names the whole address; one
    // over TLS goes through a tunnel and reads as if direct.
    const bool httpProxy = t.Proxy.Kind == TProxyKind::Http;
    t.HostName = httpProxy ? t.Proxy.Host : t.TargetHost;
    t.Port = httpProxy ? t.Proxy.Port : EffectivePort(t.Uri);
    t.Path = httpProxy && !UsesTls(t.Uri) ? AbsoluteRequestTarget(t.Uri) : RequestTarget(t.Uri);
}

} // namespace

THttpTarget ReadTypedAddress(const std::string& url) {
    THttpTarget t;
    t.Location = url;
    t.DocName = DocNameFromPath({});
    // Such an address could end or split a request line: it leads nowhere.
    if (HoldsControlByte(url)) {
        Fail(t, http_errors::kInvalidHostName, kNoHostReason);
        return t;
    }
    const TUriParse parsed = ParseTypedAddress(url);
    t.Uri = parsed.Uri;
    t.DocName = DocNameFromPath(t.Uri.Path);
    if (parsed.Error == TUriError::InvalidPort)
        Fail(t, http_errors::kInvalidPort, "invalid port number");
    else if (parsed.Error != TUriError::None)
        Fail(t, http_errors::kInvalidHostName, kNoHostReason);
    return t;
}

void RouteTypedAddress(THttpTarget& read, const TProxyChooser& proxyFor) {
    if (read.FailureCode == 0)
        Route(read, proxyFor);
}

THttpTarget TargetForAddress(const std::string& url, const TProxyChooser& proxyFor) {
    THttpTarget t = ReadTypedAddress(url);
    RouteTypedAddress(t, proxyFor);
    return t;
}

THttpTarget TargetForLocation(const THttpTarget& from, const TUri& reference,
                              const TProxyChooser& proxyFor) {
    THttpTarget t;
    t.Uri = Resolve(from.Uri, reference);
    t.DocName = from.DocName;
    Route(t, proxyFor);
    t.Location = UriText(t.Uri);
    return t;
}

bool FollowsLocation(int status) {
    constexpr int kFirst = 300, kLast = 399, kNotModified = 304;
    return status >= kFirst && status <= kLast && status != kNotModified;
}

std::string Origin(const TUri& uri) {
    return uri.Scheme + "://" + HostForUri(uri) + ":" + EffectivePort(uri);
}

bool IsSupportedScheme(const std::string& scheme) {
    const std::string lower = LowerCase(scheme);
    return lower == "http" || lower == "https";
}
