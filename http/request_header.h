#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "http/rfc1123_date.h"

// Everything that decides the bytes of one request header.
struct TRequestHeaderFields {
    std::string Method;  // "GET", "POST" or "HEAD"
    std::string Path;    // request target: a path, or an absolute URL through a proxy
    std::string Version; // "1.0" or "1.1"
    std::string Sender;
    std::string Accept;
    std::string Reference;
    std::string ContentTypePost;
    std::string Agent;
    std::string Host;       // the "Host: " value: the host, and the port unless the default
    bool KeepAlive = false; // asks the server to keep the connection open after its answer
    bool NoCache = false;
    std::int64_t PostSize = 0; // whole size of the body, sent with POST only
    TDateTime ModifiedSince = 0;
    std::string Username;
    std::string Password;
    bool ViaProxy = false;
    std::string ProxyUsername;
    std::string ProxyPassword;
    std::string Cookie;
    std::string ContentRangeBegin;
    std::string ContentRangeEnd;
};

// The header lines of a request in the order they are sent, without line ends
// and without the empty line that ends the header. Optional lines appear only
// when their value is set.
std::vector<std::string> ComposeRequestLines(const TRequestHeaderFields& fields);

// The request that asks a proxy for a tunnel to `host`:`port`, in the same
// form: "CONNECT host:port HTTP/1.0", then "Proxy-Authorization" when a proxy
// user name is set.
std::vector<std::string> ComposeTunnelLines(const std::string& host, const std::string& port,
                                            const std::string& proxyUsername,
                                            const std::string& proxyPassword);
