#include "http/uri.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <optional>
#include <string_view>

#include "base/ascii_text.h"
#include "http/http_constants.h"
#include "http/text_utils.h"
#include "http/url.h"

namespace {

constexpr char kTlsScheme[] = "https";
constexpr char kHexDigits[] = "0123456789ABCDEF";
// Schemes that count in a typed address even without a "/" after them:
// "http:dir/file" names no host "http", "mailto:x@y" no user "mailto".
constexpr std::string_view kSchemesWithoutSlash[] = {"http", "https", "mailto"};
// Printable bytes that may not stand in a request target as they are.
constexpr std::string_view kTargetUnsafe = "\"<>\\^`{|}";

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The byte of the "%" and two hex digits at `pos`; nothing for another "%".
std::optional<unsigned char> EscapedByte(std::string_view s, std::size_t pos) {
    if (s[pos] != '%' || pos + 2 >= s.size())
        return std::nullopt;
    const char* first = s.data() + pos + 1;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(first, first + 2, value, 16);
    if (error != std::errc() || end != first + 2)
        return std::nullopt;
    return static_cast<unsigned char>(value);
}

// ALPHA *( ALPHA / DIGIT / "+" / "-" / "." )
bool IsScheme(std::string_view s) {
    if (s.empty() || !IsAlpha(s.front()))
        return false;
    for (const char c : s)
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.')
            return false;
    return true;
}

bool IsIpv6Address(const std::string& text) {
    in6_addr address;
    return inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

// host [":" port] or "[" IPv6 "]" [":" port], after any user information.
TUriError ParseHostPort(std::string_view hostPort, TUri& uri) {
    std::string_view port;
    if (!hostPort.empty() && hostPort.front() == '[') {
        const auto close = hostPort.find(']');
        if (close == std::string_view::npos)
            return TUriError::InvalidHost;
        const std::string literal(hostPort.substr(1, close - 1));
        const std::string_view after = hostPort.substr(close + 1);
        if (!IsIpv6Address(literal) || (!after.empty() && after.front() != ':'))
            return TUriError::InvalidHost;
        uri.Host = LowerCase(literal);
        uri.IsIpv6Literal = true;
        port = after.substr(after.empty() ? 0 : 1);
    } else {
        const auto colon = hostPort.find(':');
        uri.Host = LowerCase(std::string(hostPort.substr(0, colon)));
        if (colon != std::string_view::npos)
            port = hostPort.substr(colon + 1);
    }
    // "host:" names no port, as "host" does.
    if (port.empty())
        return TUriError::None;
    if (!IsPortNumber(std::string(port)))
        return TUriError::InvalidPort;
    uri.Port = std::to_string(std::stoul(std::string(port)));
    return TUriError::None;
}

// The user information ends at the authority's last "@": a password may hold one.
TUriError ParseAuthority(std::string_view authority, TUri& uri) {
    uri.HasAuthority = true;
    const auto at = authority.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        const auto colon = userInfo.find(':');
        uri.User = std::string(userInfo.substr(0, colon));
        if (colon != std::string_view::npos)
            uri.Password = std::string(userInfo.substr(colon + 1));
        authority.remove_prefix(at + 1);
    }
    return ParseHostPort(authority, uri);
}

// path [ "?" query ] [ "#" fragment ]
void ParsePathQueryFragment(std::string_view rest, TUri& uri) {
    const auto hash = rest.find('#');
    if (hash != std::string_view::npos) {
        uri.HasFragment = true;
        uri.Fragment = std::string(rest.substr(hash + 1));
        rest = rest.substr(0, hash);
    }
    const auto question = rest.find('?');
    if (question != std::string_view::npos) {
        uri.HasQuery = true;
        uri.Query = std::string(rest.substr(question + 1));
        rest = rest.substr(0, question);
    }
    uri.Path = std::string(rest);
}

// What follows the scheme: an authority when `withAuthority`, then path,
// query and fragment.
void ParseAfterScheme(std::string_view rest, bool withAuthority, TUriParse& parsed) {
    if (withAuthority) {
        const auto end = rest.find_first_of("/?#");
        parsed.Error = ParseAuthority(rest.substr(0, end), parsed.Uri);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    }
    ParsePathQueryFragment(rest, parsed.Uri);
}

// "//" and an authority, or a path without one.
void ParseHierarchy(std::string_view rest, TUriParse& parsed) {
    const bool withAuthority = rest.starts_with("//");
    ParseAfterScheme(withAuthority ? rest.substr(2) : rest, withAuthority, parsed);
}

// Removes "." and ".." segments, each ".." with the segment before it.
std::string RemoveDotSegments(std::string_view input) {
    std::string output;
    const auto dropLastSegment = [&output] {
        const auto slash = output.rfind('/');
        output.erase(slash == std::string::npos ? 0 : slash);
    };
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./") || input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../")) {
            input.remove_prefix(3);
            dropLastSegment();
        } else if (input == "/..") {
            input = "/";
            dropLastSegment();
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const auto end = input.find('/', 1);
            output += input.substr(0, end);
            input = end == std::string_view::npos ? std::string_view() : input.substr(end);
        }
    }
    return output;
}

// A relative path seen from the base's directory.
std::string MergePaths(const TUri& base, const std::string& relative) {
    if (base.HasAuthority && base.Path.empty())
        return "/" + relative;
    const auto slash = base.Path.rfind('/');
    return slash == std::string::npos ? relative : base.Path.substr(0, slash + 1) + relative;
}

void CopyAuthority(const TUri& from, TUri& to) {
    to.HasAuthority = from.HasAuthority;
    to.User = from.User;
    to.Password = from.Password;
    to.Host = from.Host;
    to.Port = from.Port;
    to.IsIpv6Literal = from.IsIpv6Literal;
}

const char* DefaultPortOf(const std::string& scheme) {
    return scheme == kTlsScheme ? http_limits::kDefaultTlsPort : http_limits::kDefaultPort;
}

std::string PercentEncodeTarget(const std::string& text) {
    std::string encoded;
    encoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (text[i] == '%' && !EscapedByte(text, i)) {
            encoded += "%25";
        } else if (byte <= ' ' || byte >= 0x7F ||
                   kTargetUnsafe.find(text[i]) != std::string::npos) {
            encoded += '%';
            encoded += kHexDigits[byte >> 4];
            encoded += kHexDigits[byte & 0xF];
        } else {
            encoded += text[i];
        }
    }
    return encoded;
}

} // namespace

TUriParse ParseTypedAddress(const std::string& text) {
    TUriParse parsed;
    const std::string_view all = text;
    const auto colon = all.find(':');
    const std::string scheme = LowerCase(text.substr(0, colon));
    const bool knownScheme =
        std::find(std::begin(kSchemesWithoutSlash), std::end(kSchemesWithoutSlash), scheme) !=
        std::end(kSchemesWithoutSlash);
    if (colon != std::string_view::npos &&
        (all.substr(colon + 1).starts_with("/") || knownScheme) && IsScheme(all.substr(0, colon))) {
        parsed.Uri.Scheme = LowerCase(text.substr(0, colon));
        ParseHierarchy(all.substr(colon + 1), parsed);
        return parsed;
    }
    // Without a scheme the text starts with the authority.
    parsed.Uri.Scheme = "http";
    ParseAfterScheme(all.starts_with("//") ? all.substr(2) : all, true, parsed);
    return parsed;
}

TUriParse ParseReference(const std::string& text) {
    TUriParse parsed;
    std::string_view rest = text;
    const auto colon = rest.find(':');
    if (colon != std::string_view::npos && colon < rest.find_first_of("/?#") &&
        IsScheme(rest.substr(0, colon))) {
        parsed.Uri.Scheme = LowerCase(text.substr(0, colon));
        rest.remove_prefix(colon + 1);
    }
    ParseHierarchy(rest, parsed);
    return parsed;
}

TUri Resolve(const TUri& base, const TUri& reference) {
    TUri target;
    const bool ownScheme =
        !reference.Scheme.empty() && (reference.Scheme != base.Scheme || reference.HasAuthority);
    if (ownScheme || reference.HasAuthority) {
        CopyAuthority(reference, target);
        target.Path = RemoveDotSegments(reference.Path);
        target.HasQuery = reference.HasQuery;
        target.Query = reference.Query;
    } else {
        CopyAuthority(base, target);
        if (reference.Path.empty()) {
            target.Path = base.Path;
            const TUri& queryFrom = reference.HasQuery ? reference : base;
            target.HasQuery = queryFrom.HasQuery;
            target.Query = queryFrom.Query;
        } else {
            target.Path = RemoveDotSegments(
                reference.Path.front() == '/' ? reference.Path : MergePaths(base, reference.Path));
            target.HasQuery = reference.HasQuery;
            target.Query = reference.Query;
        }
    }
    target.Scheme = ownScheme ? reference.Scheme : base.Scheme;
    target.HasFragment = reference.HasFragment;
    target.Fragment = reference.Fragment;
    return target;
}

std::string EffectivePort(const TUri& uri) {
    return uri.Port.empty() ? DefaultPortOf(uri.Scheme) : uri.Port;
}

bool UsesTls(const TUri& uri) {
    return uri.Scheme == kTlsScheme;
}

std::string HostForUri(const TUri& uri) {
    return uri.IsIpv6Literal ? "[" + uri.Host + "]" : uri.Host;
}

std::string RequestTarget(const TUri& uri) {
    std::string target = uri.Path.empty() ? "/" : uri.Path;
    if (uri.HasQuery)
        target += "?" + uri.Query;
    return PercentEncodeTarget(target);
}

std::string AbsoluteRequestTarget(const TUri& uri) {
    return uri.Scheme + "://" + HostHeaderValue(uri) + RequestTarget(uri);
}

std::string HostHeaderValue(const TUri& uri) {
    const std::string port = EffectivePort(uri);
    return port == DefaultPortOf(uri.Scheme) ? HostForUri(uri) : HostForUri(uri) + ":" + port;
}

std::string UriText(const TUri& uri) {
    std::string text;
    if (!uri.Scheme.empty())
        text += uri.Scheme + ":";
    if (uri.HasAuthority) {
        text += "//";
        if (!uri.User.empty() || !uri.Password.empty())
            text += uri.User + (uri.Password.empty() ? "" : ":" + uri.Password) + "@";
        text += HostForUri(uri);
        if (!uri.Port.empty())
            text += ":" + uri.Port;
    }
    text += uri.Path;
    if (uri.HasQuery)
        text += "?" + uri.Query;
    if (uri.HasFragment)
        text += "#" + uri.Fragment;
    return text;
}

bool IsAtOrBelowDomain(const std::string& host, const std::string& domain) {
    return host == domain || (host.size() > domain.size() && host.ends_with(domain) &&
                              host[host.size() - domain.size() - 1] == '.');
}

std::string PercentDecode(const std::string& text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const auto byte = EscapedByte(text, i)) {
            decoded += static_cast<char>(*byte);
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}
