#include "http/request_header.h"

#include "http/encoding.h"

namespace {

std::string BasicCredentials(const std::string& user, const std::string& password) {
    return "Basic " + EncodeStr(THttpEncoding::encBase64, user + ":" + password);
}

} // namespace

std::vector<std::string> ComposeRequestLines(const TRequestHeaderFields& f) {
    const bool post = f.Method == "POST";
    std::vector<std::string> lines;
    auto addIf = [&lines](bool condition, const std::string& line) {
        if (condition)
            lines.push_back(line);
    };
    lines.push_back(f.Method + " " + f.Path + " HTTP/" + f.Version);
    addIf(!f.Sender.empty(), "From: " + f.Sender);
    addIf(!f.Accept.empty(), "Accept: " + f.Accept);
    addIf(!f.Reference.empty(), "Referer: " + f.Reference);
    addIf(post && !f.ContentTypePost.empty(), "Content-Type: " + f.ContentTypePost);
    addIf(!f.Agent.empty(), "User-Agent: " + f.Agent);
    lines.push_back("Host: " + f.Host);
    addIf(f.KeepAlive, "Connection: keep-alive");
    addIf(f.NoCache, "Pragma: no-cache");
    addIf(post, "Content-Length: " + std::to_string(f.PostSize));
    addIf(f.ModifiedSince != 0, "If-Modified-Since: " + RFC1123_Date(f.ModifiedSince) + " GMT");
    addIf(!f.Username.empty(), "Authorization: " + BasicCredentials(f.Username, f.Password));
    addIf(f.ViaProxy && !f.ProxyUsername.empty(),
          "Proxy-Authorization: " + BasicCredentials(f.ProxyUsername, f.ProxyPassword));
    addIf(!f.Cookie.empty(), "Cookie: " + f.Cookie);
    addIf(!f.ContentRangeBegin.empty() || !f.ContentRangeEnd.empty(),
          "Range: bytes=" + f.ContentRangeBegin + "-" + f.ContentRangeEnd);
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
