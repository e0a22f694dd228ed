#include "http/cookie_jar.h"

#include <arpa/inet.h>

#include <algorithm>
#include <optional>
#include <string_view>

#include "base/ascii_text.h"
#include "http/cookie_date.h"
#include "http/text_utils.h"

namespace {

// Blanks and tabs around names, values and attributes.
std::string_view TrimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Splits "name=value" at its first "="; the value is empty without one.
std::pair<std::string_view, std::string_view> SplitAtEquals(std::string_view s) {
    const auto eq = s.find('=');
    if (eq == std::string_view::npos)
        return {TrimBlanks(s), {}};
    return {TrimBlanks(s.substr(0, eq)), TrimBlanks(s.substr(eq + 1))};
}

bool IsIpAddress(const TUri& uri) {
    in_addr address;
    return uri.IsIpv6Literal || inet_pton(AF_INET, uri.Host.c_str(), &address) == 1;
}

// An IP address matches only itself: "0.0.1" is no domain of "127.0.0.1".
bool DomainMatches(const std::string& host, const std::string& domain, bool hostIsIp) {
    return hostIsIp ? host == domain : IsAtOrBelowDomain(host, domain);
}

bool PathMatches(const std::string& requestPath, const std::string& cookiePath) {
    return requestPath.starts_with(cookiePath) &&
           (requestPath.size() == cookiePath.size() || cookiePath.back() == '/' ||
            requestPath[cookiePath.size()] == '/');
}

std::string RequestPath(const TUri& uri) {
    return uri.Path.empty() ? "/" : uri.Path;
}

// The directory of the request path: what a cookie without Path belongs to.
std::string DefaultPath(const std::string& uriPath) {
    const auto lastSlash = uriPath.rfind('/');
    if (uriPath.empty() || uriPath.front() != '/' || lastSlash == 0)
        return "/";
    return uriPath.substr(0, lastSlash);
}

// "-"? 1*DIGIT in seconds, held within the longest life a cookie gets;
// nothing when the value is not of that form.
std::optional<std::chrono::seconds> ParseMaxAge(std::string_view value) {
    const bool negative = value.starts_with('-');
    if (negative)
        value.remove_prefix(1);
    if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const std::chrono::seconds limit = kMaxCookieLifetime;
    std::chrono::seconds::rep seconds = 0;
    for (const char c : value)
        seconds = std::min<std::chrono::seconds::rep>(seconds * 10 + (c - '0'), limit.count());
    return std::chrono::seconds(negative ? -seconds : seconds);
}

} // namespace

void TCookieJar::Store(const std::string& setCookieValue, const TUri& requestUri, TTime now) {
    if (setCookieValue.size() > kMaxCookieBytes)
        return;
    std::string_view rest = setCookieValue;
    const auto pairEnd = rest.find(';');
    const std::string_view pair = rest.substr(0, pairEnd);
    rest = pairEnd == std::string_view::npos ? std::string_view() : rest.substr(pairEnd + 1);
    if (pair.find('=') == std::string_view::npos)
        return;
    const auto [name, value] = SplitAtEquals(pair);
    // Name and value go back in a request line; the attributes never do.
    if (name.empty() || HoldsControlByte(std::string(name) + std::string(value)))
        return;

    TCookie cookie;
    cookie.Name = name;
    cookie.Value = value;
    cookie.Path = DefaultPath(requestUri.Path);
    std::optional<TTime> maxAgeExpiry, expires;
    std::string domain;
    // Each attribute named again replaces the earlier one.
    while (!rest.empty()) {
        const auto end = rest.find(';');
        const auto [attribute, attributeValue] = SplitAtEquals(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const std::string key = LowerCase(std::string(attribute));
        if (key == "expires") {
            if (const auto date = ParseCookieDate(std::string(attributeValue)))
                expires = *date;
        } else if (key == "max-age") {
            if (const auto age = ParseMaxAge(attributeValue))
                maxAgeExpiry = now + *age;
        } else if (key == "domain" && !attributeValue.empty()) {
            domain = LowerCase(std::string(attributeValue.substr(attributeValue.starts_with('.'))));
        } else if (key == "path") {
            cookie.Path = attributeValue.starts_with('/') ? std::string(attributeValue)
                                                          : DefaultPath(requestUri.Path);
        } else if (key == "secure") {
            cookie.SecureOnly = true;
        }
    }
    cookie.Expiry = std::min(maxAgeExpiry.value_or(expires.value_or(TTime::max())),
                             now + std::chrono::seconds(kMaxCookieLifetime));

    const bool hostIsIp = IsIpAddress(requestUri);
    cookie.Domain = requestUri.Host;
    if (!domain.empty() && domain != requestUri.Host) {
        // One label ("com", "lan") stands in for a public suffix: a cookie for
        // it would follow the query to every other site below it.
        if (domain.find('.') == std::string::npos ||
            !DomainMatches(requestUri.Host, domain, hostIsIp))
            return;
        cookie.HostOnly = false;
        cookie.Domain = domain;
    }
    // Over plain http a Secure cookie could replace one set over https.
    if (cookie.SecureOnly && !UsesTls(requestUri))
        return;
    Insert(std::move(cookie), now);
}

void TCookieJar::Insert(TCookie cookie, TTime now) {
    cookie.Creation = ++FCreations;
    const auto same = std::find_if(FCookies.begin(), FCookies.end(), [&](const TCookie& c) {
        return c.Name == cookie.Name && c.Domain == cookie.Domain && c.Path == cookie.Path;
    });
    if (same != FCookies.end()) {
        cookie.Creation = same->Creation;
        FCookies.erase(same);
    }
    std::erase_if(FCookies, [now](const TCookie& c) { return c.Expiry <= now; });
    if (cookie.Expiry <= now)
        return;
    if (FCookies.size() >= kMaxCookies)
        FCookies.erase(std::min_element(
            FCookies.begin(), FCookies.end(),
            [](const TCookie& a, const TCookie& b) { return a.Creation < b.Creation; }));
    FCookies.push_back(std::move(cookie));
}

std::string TCookieJar::CookieHeader(const TUri& requestUri, TTime now) const {
    const bool hostIsIp = IsIpAddress(requestUri);
    const std::string path = RequestPath(requestUri);
    std::vector<const TCookie*> matching;
    for (const TCookie& c : FCookies) {
        const bool domainMatches = c.HostOnly ? requestUri.Host == c.Domain
                                              : DomainMatches(requestUri.Host, c.Domain, hostIsIp);
        if (c.Expiry > now && domainMatches && PathMatches(path, c.Path) &&
            (!c.SecureOnly || UsesTls(requestUri)))
            matching.push_back(&c);
    }
    std::sort(matching.begin(), matching.end(), [](const TCookie* a, const TCookie* b) {
        if (a->Path.size() != b->Path.size())
            return a->Path.size() > b->Path.size();
        return a->Creation < b->Creation;
    });
    std::string header;
    for (const TCookie* c : matching)
        header += (header.empty() ? "" : "; ") + c->Name + "=" + c->Value;
    return header;
}
