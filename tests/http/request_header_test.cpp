#include <gtest/gtest.h>

#include "http/request_header.h"

namespace {

using Lines = std::vector<std::string>;

TRequestHeaderFields QueryDefaults(const std::string& method) {
    TRequestHeaderFields f;
    f.Method = method;
    f.Path = "/";
    f.Version = "1.0";
    f.Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
    f.ContentTypePost = "application/x-www-form-urlencoded";
    f.Agent = "Agent/1";
    f.TargetHost = "host.tld";
    return f;
}

TEST(RequestHeaderTest, EveryOptionalLineInItsPlace) {
    TRequestHeaderFields f = QueryDefaults("POST");
    f.Path = "http://host.tld:8080/form";
    f.Sender = "me@host";
    f.Reference = "http://ref/";
    f.NoCache = true;
    f.PostSize = 12345;
    f.ModifiedSince = 34644.0 + (8 * 3600 + 49 * 60 + 37) / 86400.0;
    f.Username = "user";
    f.Password = "";
    f.ViaProxy = true;
    f.ProxyUsername = "pu";
    f.ProxyPassword = "pp";
    f.Cookie = "a=b";
    f.ContentRangeBegin = "100";
    f.ContentRangeEnd = "";
    EXPECT_EQ(
        ComposeRequestLines(f),
        (Lines{"POST http://host.tld:8080/form HTTP/1.0", "From: me@host",
               "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*",
               "Referer: http://ref/", "Content-Type: application/x-www-form-urlencoded",
               "User-Agent: Agent/1", "Host: host.tld", "Pragma: no-cache", "Content-Length: 12345",
               "If-Modified-Since: Sun, 06 Nov 1994 08:49:37 GMT", "Authorization: Basic dXNlcjo=",
               "Proxy-Authorization: Basic cHU6cHA=", "Cookie: a=b", "Range: bytes=100-"}));
}

TEST(RequestHeaderTest, PostOnlyLinesAndProxyCredentialsNeedTheirCondition) {
    TRequestHeaderFields f = QueryDefaults("GET");
    f.ProxyUsername = "pu"; // no proxy in use: never sent
    f.PostSize = 10;        // not a POST: no length
    f.ContentRangeEnd = "199";
    const Lines lines = ComposeRequestLines(f);
    EXPECT_EQ(lines.front(), "GET / HTTP/1.0");
    EXPECT_EQ(lines.back(), "Range: bytes=-199");
    for (const auto& line : lines) {
        EXPECT_EQ(line.rfind("Content-", 0), std::string::npos) << line;
        EXPECT_EQ(line.rfind("Proxy-", 0), std::string::npos) << line;
    }
    TRequestHeaderFields empty = QueryDefaults("POST");
    empty.Accept.clear();
    empty.Agent.clear();
    empty.ContentTypePost.clear();
    EXPECT_EQ(ComposeRequestLines(empty),
              (Lines{"POST / HTTP/1.0", "Host: host.tld", "Content-Length: 0"}));
}

} // namespace
