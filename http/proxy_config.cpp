#include "http/proxy_config.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "base/ascii_text.h"
#include "http/http_constants.h"
#include "http/text_utils.h"

namespace {

constexpr std::array<std::pair<std::string_view, TProxyKind>, 5> kProxySchemes = {{
    {"http", TProxyKind::Http},
    {"socks4", TProxyKind::Socks4},
    {"socks4a", TProxyKind::Socks4a},
    {"socks5", TProxyKind::Socks5},
    {"socks5h", TProxyKind::Socks5h},
}};

std::string FirstSet(const TEnvironmentLookup& lookup, const char* lower, const char* upper) {
    const std::string value = lookup(lower);
    return value.empty() ? lookup(upper) : value;
}

TProxyChoice Refused(std::string reason) {
    return {{}, std::move(reason)};
}

// The 16 bytes of an IPv6 address or the 4 of an IPv4 address; empty for a name.
std::string AddressBytes(const std::string& text) {
    std::array<char, sizeof(in6_addr)> bytes;
    if (inet_pton(AF_INET6, text.c_str(), bytes.data()) == 1)
        return std::string(bytes.data(), sizeof(in6_addr));
    if (inet_pton(AF_INET, text.c_str(), bytes.data()) == 1)
        return std::string(bytes.data(), sizeof(in_addr));
    return {};
}

std::string WithoutTrailingDot(std::string name) {
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    return name;
}

bool EntryExempts(std::string entry, const std::string& host, const std::string& hostAddress) {
    if (entry.size() >= 2 && entry.front() == '[' && entry.back() == ']')
        entry = entry.substr(1, entry.size() - 2);
    if (!hostAddress.empty())
        return AddressBytes(entry) == hostAddress;
    if (entry.starts_with('.'))
        entry.erase(0, 1);
    entry = WithoutTrailingDot(LowerCase(entry));
    return !entry.empty() && IsAtOrBelowDomain(host, entry);
}

} // namespace

TProxyChoice ParseProxyValue(const std::string& value) {
    if (HoldsControlByte(value))
        return Refused("proxy address holds a control character");
    const TUriParse parsed = ParseTypedAddress(value);
    const TUri& uri = parsed.Uri;
    const auto scheme = std::find_if(kProxySchemes.begin(), kProxySchemes.end(),
                                     [&](const auto& entry) { return entry.first == uri.Scheme; });
    if (scheme == kProxySchemes.end())
        return Refused("unsupported proxy scheme \"" + uri.Scheme + "\"");
    if (parsed.Error == TUriError::InvalidPort)
        return Refused("invalid proxy port number");
    if (parsed.Error != TUriError::None || uri.Host.empty())
        return Refused("invalid proxy host name");
    TProxyChoice choice;
    choice.Proxy.Kind = scheme->second;
    choice.Proxy.Host = uri.Host;
    choice.Proxy.Port = !uri.Port.empty()                    ? uri.Port
                        : scheme->second == TProxyKind::Http ? http_limits::kDefaultPort
                                                             : http_limits::kDefaultSocksPort;
    choice.Proxy.User = PercentDecode(uri.User);
    choice.Proxy.Password = PercentDecode(uri.Password);
    return choice;
}

bool NoProxyMatches(const std::string& list, const std::string& host) {
    const std::string name = WithoutTrailingDot(LowerCase(host));
    const std::string address = AddressBytes(host);
    std::string_view rest = list;
    while (!rest.empty()) {
        const auto start = rest.find_first_not_of(", \t");
        if (start == std::string_view::npos)
            break;
        rest.remove_prefix(start);
        const auto end = rest.find_first_of(", \t");
        const std::string entry(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
        if (entry == "*" || EntryExempts(entry, name, address))
            return true;
    }
    return false;
}

std::string ProcessEnvironment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? value : "";
}

TProxyConfig::TProxyConfig(const TEnvironmentLookup& lookup)
    : FHttpProxy(lookup("http_proxy")), FHttpsProxy(FirstSet(lookup, "https_proxy", "HTTPS_PROXY")),
      FAllProxy(FirstSet(lookup, "all_proxy", "ALL_PROXY")),
      FNoProxy(FirstSet(lookup, "no_proxy", "NO_PROXY")) {}

void TProxyConfig::SetExplicitProxy(const std::string& value) {
    FExplicitProxy = value;
}

void TProxyConfig::SetNoProxy(const std::string& list) {
    FNoProxy = list;
}

TProxyChoice TProxyConfig::ProxyFor(const TUri& uri) const {
    if (NoProxyMatches(FNoProxy, uri.Host))
        return {};
    std::string value = UsesTls(uri) ? FHttpsProxy : FHttpProxy;
    if (value.empty())
        value = FAllProxy;
    if (FExplicitProxy)
        value = *FExplicitProxy;
    return value.empty() ? TProxyChoice{} : ParseProxyValue(value);
}
