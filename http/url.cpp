#include "http/url.h"

#include "base/ascii_text.h"
#include "http/http_constants.h"

namespace {

bool StartsWithNoCase(const std::string& s, const std::string& lowerPrefix) {
    return LowerCase(s.substr(0, lowerPrefix.size())) == lowerPrefix;
}

} // namespace

void ParseURL(const std::string& url, std::string& proto, std::string& user, std::string& pass,
              std::string& host, std::string& port, std::string& path) {
    proto.clear();
    user.clear();
    pass.clear();
    host.clear();
    port.clear();
    path.clear();
    if (url.empty())
        return;

    // `start` is the 0-based index where the authority begins.
    std::string::size_type start = 0;
    const auto scheme = url.find("://");
    if (scheme != std::string::npos) {
        proto = url.substr(0, scheme);
        start = scheme + 3;
    } else if (url[0] == '/') {
        proto = "http";
        if (url.size() > 1 && url[1] != '/') {
            path = url; // a path relative to the current server
            return;
        }
        start = 1;
    } else if (StartsWithNoCase(url, "http:")) {
        proto = "http";
        if (url.size() > 6 && url[6] != '/') {
            path = url.substr(5);
            return;
        }
        start = 6;
    } else if (StartsWithNoCase(url, "mailto:")) {
        proto = "mailto";
        start = url.find(':') + 1;
    }

    std::string rest = start < url.size() ? url.substr(start) : std::string();
    const auto slash = rest.find('/');
    if (slash != std::string::npos) {
        path = rest.substr(slash);
        rest.erase(slash);
    }

    auto colon = rest.rfind(':');
    const auto at = rest.rfind('@');
    // The colons of a host in brackets (an IPv6 literal, "[::1]") separate no port.
    const auto hostBegin = at == std::string::npos ? 0 : at + 1;
    const auto bracket = rest.find(']', hostBegin);
    if (rest.compare(hostBegin, 1, "[") == 0 && bracket != std::string::npos &&
        colon != std::string::npos && colon < bracket)
        colon = std::string::npos;
    if (colon == std::string::npos && at == std::string::npos) {
        host = rest;
        return;
    }
    if (colon != std::string::npos && (at == std::string::npos || colon > at)) {
        // A port follows the host.
        port = rest.substr(colon + 1);
        host = rest.substr(hostBegin, colon - hostBegin);
        if (at == std::string::npos)
            return;
    } else {
        host = rest.substr(at + 1);
    }
    rest.erase(at);

    const auto userEnd = rest.find(':');
    if (userEnd == std::string::npos) {
        user = rest;
    } else {
        user = rest.substr(0, userEnd);
        pass = rest.substr(userEnd + 1);
    }
}

bool IsPortNumber(const std::string& port) {
    constexpr std::size_t kMaxDigits = 5;
    if (port.empty() || port.size() > kMaxDigits)
        return false;
    unsigned number = 0;
    for (const char c : port) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    return number >= 1 && number <= http_limits::kMaxPort;
}

std::string DocNameFromPath(const std::string& path) {
    if (path.empty() || path == "/")
        return "document.htm";
    std::string name = path;
    if (name.back() == '/')
        name.pop_back();
    const auto lastSlash = name.rfind('/');
    if (lastSlash != std::string::npos)
        name.erase(0, lastSlash + 1);
    if (name.size() > http_limits::kMaxDocNameLength)
        name.resize(http_limits::kMaxDocNameLength);
    const auto query = name.find('?');
    if (query != std::string::npos)
        name.erase(query);
    return name;
}

std::string DocNameForContentType(const std::string& docName, const std::string& contentType) {
    const auto dot = docName.rfind('.');
    if (dot == std::string::npos || contentType != "text/html" ||
        LowerCase(docName.substr(dot)) != ".exe")
        return docName;
    return docName.substr(0, dot + 1) + "htm";
}
