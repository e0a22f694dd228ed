#include <gtest/gtest.h>

#include "http/request_header.h"
#include "http/response_parsing.h"

namespace {

using Lines = std::vector<std::string>;

TRequestHeaderFields Fields(const std::string& method) {
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
    TRequestHeaderFields f = Fields("POST");
    f.Path = "http://host.tld:8080/form";
    f.Sender = "me@host";
    f.Reference = "http://ref/";
    f.NoCache = true;
    f.PostSize = 12345;
    f.ModifiedSince = 34644.0 + (8 * 3600 + 49 * 60 + 37) / 86400.0;
    f.Username = "user";
    f.ViaProxy = true;
    f.ProxyUsername = "pu";
    f.ProxyPassword = "pp";
    f.Cookie = "a=b";
    f.ContentRangeBegin = "100";
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
    TRequestHeaderFields f = Fields("GET");
    f.ProxyUsername = "pu"; // no proxy in use: never sent
    f.PostSize = 10;        // not a POST: no length
    f.ContentRangeEnd = "199";
    EXPECT_EQ(
        ComposeRequestLines(f),
        (Lines{"GET / HTTP/1.0", "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*",
               "User-Agent: Agent/1", "Host: host.tld", "Range: bytes=-199"}));
    f = Fields("POST");
    f.Accept.clear();
    f.Agent.clear();
    f.ContentTypePost.clear();
    EXPECT_EQ(ComposeRequestLines(f),
              (Lines{"POST / HTTP/1.0", "Host: host.tld", "Content-Length: 0"}));
}

TEST(ResponseParsingTest, StatusLineGivesCodeAndReason) {
    EXPECT_TRUE(IsStatusLine("HTTP/1.1 404 Not Found"));
    EXPECT_TRUE(IsStatusLine("HTTP/1.0 200 OK"));
    EXPECT_FALSE(IsStatusLine("HTTP/2 200"));
    EXPECT_FALSE(IsStatusLine("http/1.0 200 OK"));
    EXPECT_EQ(StatusCodeOf("HTTP/1.1 404 Not Found"), 404);
    EXPECT_EQ(ReasonPhraseOf("HTTP/1.1 404 Not Found"), "Not Found");
    EXPECT_EQ(StatusCodeOf("HTTP/1.0 200"), 200);
    EXPECT_EQ(ReasonPhraseOf("HTTP/1.0 200"), "");
    EXPECT_EQ(StatusCodeOf("HTTP/1.0 abc Odd"), std::nullopt);
    EXPECT_EQ(StatusCodeOf("HTTP/1.0 2 OK"), std::nullopt);
    EXPECT_EQ(StatusCodeOf("HTTP/1.0"), std::nullopt);
    EXPECT_TRUE(IsHtmlTagLine("<html><head>"));
    EXPECT_FALSE(IsHtmlTagLine("<!DOCTYPE html>"));
    EXPECT_FALSE(IsHtmlTagLine("<htm"));
}

// Each case: a line and its field|value, or "-" when it has no colon.
TEST(ResponseParsingTest, HeaderFieldIsLowerCasedAndValueLosesLeadingBlanks) {
    const std::pair<const char*, const char*> cases[] = {
        {"Content-Type:   Text/HTML; a=b", "content-type|Text/HTML; a=b"},
        {"Location: http://h:81/x", "location|http://h:81/x"},
        {"X-Empty:", "x-empty|"},
        {"X-Blanks:   ", "x-blanks| "}, // the last character stays
        {"no colon here", "-"}};
    for (const auto& [line, expected] : cases) {
        std::string field, value;
        EXPECT_EQ(SplitHeaderField(line, field, value) ? field + "|" + value : "-", expected);
    }
}

TEST(ResponseParsingTest, DecimalNumbersAndContentRange) {
    EXPECT_EQ(ParseDecimal("1234"), 1234);
    EXPECT_EQ(ParseDecimal(" 5000000000 "), 5000000000LL);
    for (const char* bad : {"12abc", "-1", "0x10", "", "99999999999999999999"})
        EXPECT_EQ(ParseDecimal(bad), std::nullopt) << bad;

    std::string begin = "x", end = "x";
    ASSERT_TRUE(ParseContentRange("bytes 100-199/1000", begin, end));
    EXPECT_EQ(begin + "|" + end, "100|199");
    ASSERT_TRUE(ParseContentRange("bytes 0-4", begin, end));
    EXPECT_EQ(begin + "|" + end, "0|4");
    EXPECT_FALSE(ParseContentRange("bytes */1000", begin, end));
    EXPECT_EQ(begin + "|" + end, "0|4");
}

} // namespace
