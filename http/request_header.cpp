#include "http/request_header.h"

#include "http/encoding.h"

namespace {

std::string BasicCredentials(const std::string& user, const std::string& password) {
    return "Basic " + EncodeStr(THttpEncoding::encBase64, user + ":" + password);
}

} // namespace

std::vector<std::string> ComposeRequestLines(const TRequestHeaderFields& f) {
    // The request line and every field line below.
    constexpr std::size_t kMostLines = 15;
    const bool post = f.Method == "POST";
    std::vector<std::string> lines;
    lines.reserve(kMostLines);
    // Each line is built only when it is sent: a request has few of them.
    lines.push_back(f.Method + " " + f.Path + " HTTP/" + f.Version);
    if (!f.Sender.empty())
        lines.push_back("From: " + f.Sender);
    if (!f.Accept.empty())
        lines.push_back("Accept: " + f.Accept);
    if (!f.Reference.empty())
        lines.push_back("Referer: " + f.Reference);
    if (post && !f.ContentTypePost.empty())
        lines.push_back("Content-Type: " + f.ContentTypePost);
    if (!f.Agent.empty())
        lines.push_back("User-Agent: " + f.Agent);
    lines.push_back("Host: " + f.Host);
    if (f.KeepAlive)
        lines.emplace_back("Connection: keep-alive");
    if (f.NoCache)
        lines.emplace_back("Pragma: no-cache");
    if (post)
        lines.push_back("Content-Length: " + std::to_string(f.PostSize));
    if (f.ModifiedSince != 0)
        lines.push_back("If-Modified-Since: " + RFC1123_Date(f.ModifiedSince) + " GMT");
    if (!f.Username.empty())
        lines.push_back("Authorization: " + BasicCredentials(f.Username, f.Password));
    if (f.ViaProxy && !f.ProxyUsername.empty())
        lines.push_back("Proxy-Authorization: " +
                        BasicCredentials(f.ProxyUsername, f.ProxyPassword));
    if (!f.Cookie.empty())
        lines.push_back("Cookie: " + f.Cookie);
    if (!f.ContentRangeBegin.empty() || !f.ContentRangeEnd.empty())
        lines.push_back("Range: bytes=" + f.ContentRangeBegin + "-" + f.ContentRangeEnd);
    return lines;
}

std::vector<std::string> ComposeTunnelLines(const std::string& host, const std::string& port,
                                            const std::string& proxyUsername,
                                            const std::string& proxyPassword) {
    std::vector<std::string> lines{"CONNECT " + host + ":" + port + " HTTP/1.0"};
    if (!proxyUsername.empty())
        lines.push_back("Proxy-Authorization: " + BasicCredentials(proxyUsername, proxyPassword));
    return lines;
}
