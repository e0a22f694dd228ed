#include <gtest/gtest.h>

#include "http/http_target.h"
#include "http/url.h"

namespace {

// Each case: an address and its parts proto|user|pass|host|port|path.
TEST(ParseUrlTest, SplitsIntoSixParts) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "|||||"},
        {"host.tld", "|||host.tld||"},
        {"http://user:pa:ss@host.tld:8080/a/b?x", "http|user|pa:ss|host.tld|8080|/a/b?x"},
        {"HTTP://Host.TLD/Dir/", "HTTP|||Host.TLD||/Dir/"},
        {"/only/path", "http|||||/only/path"},
        {"//host/x", "http|||||/host/x"},
        {"/", "http|||||"},
        {"http:dir/file", "http|||||dir/file"},
        {"HTTP:/x", "http|||||/x"},
        {"http://", "http|||||"},
        {"mailto:someone@example.org", "mailto|someone||example.org||"},
        {"h:81", "|||h|81|"},
        {"a@b", "|a||b||"},
        {"u@h:81/p", "|u||h|81|/p"},
        {"ftp://a:b@c/d:e@f", "ftp|a|b|c||/d:e@f"},
        {"http://host:/", "http|||host||/"},
        {"http://u:@host", "http|u||host||"}};
    for (const auto& [url, parts] : cases) {
        std::string proto = "x", user = "x", pass = "x", host = "x", port = "x", path = "x";
        ParseURL(url, proto, user, pass, host, port, path);
        EXPECT_EQ(proto + "|" + user + "|" + pass + "|" + host + "|" + port + "|" + path, parts)
            << url;
    }
}

TEST(DocNameTest, GuessesFileNameFromPathAndContentType) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "document.htm"},
        {"/", "document.htm"},
        {"/a/b?x", "b"},
        {"/dir/", "dir"},
        {"/dir//", ""},
        {"/index.html", "index.html"},
        {"/cgi/run.exe?a=1", "run.exe"},
        {"relative", "relative"},
        {"/" + std::string(300, 'n'), std::string(255, 'n')},
        // The name is cut to 255 characters before the query goes.
        {"/" + std::string(250, 'n') + "?query", std::string(250, 'n')}};
    for (const auto& [path, docName] : cases)
        EXPECT_EQ(DocNameFromPath(path), docName) << path;
    EXPECT_EQ(DocNameForContentType("setup.EXE", "text/html"), "setup.htm");
    EXPECT_EQ(DocNameForContentType("setup.exe", "application/octet-stream"), "setup.exe");
    EXPECT_EQ(DocNameForContentType("page.html", "text/html"), "page.html");
    EXPECT_EQ(DocNameForContentType("exe", "text/html"), "exe");
}

// HostName|Port|TargetHost|Path|Location of a hop.
std::string Parts(const THttpTarget& t) {
    return t.HostName + "|" + t.Port + "|" + t.TargetHost + "|" + t.Path + "|" + t.Location;
}

TEST(HttpTargetTest, FirstHopDirectOrThroughProxy) {
    THttpTarget t = TargetForRequest("host.tld", "", "80");
    EXPECT_EQ(Parts(t), "host.tld|80|host.tld|/|host.tld");
    EXPECT_EQ(t.DocName, "document.htm");
    t = TargetForRequest("http://u:p@h:8080/a/b?x", "", "80");
    EXPECT_EQ(Parts(t), "h|8080|h|/a/b?x|http://u:p@h:8080/a/b?x");
    EXPECT_EQ(t.DocName + "|" + t.UrlUsername + "|" + t.UrlPassword, "b|u|p");
    t = TargetForRequest("h:8080/a", "proxy.lan", "3128");
    EXPECT_EQ(Parts(t), "proxy.lan|3128|h|http://h:8080/a|h:8080/a");
    EXPECT_EQ(t.DocName, "a");
    EXPECT_EQ(Parts(TargetForRequest("https://h", "proxy.lan:8000", "3128")),
              "proxy.lan|8000|h|https://h|https://h");
}

// An address holding a control byte would end or split the request line (or
// the "Host: " line): it leads to no host, so the request ends before any
// byte is sent.
TEST(HttpTargetTest, AddressWithControlByteLeadsNowhere) {
    using namespace std::string_literals;
    for (const std::string& url : {"http://h/a\r\nX-Injected: 1"s, "h/a\nb"s, "http://h\0x/"s,
                                   "http://h\r/"s, "h/\x7f"s, "\th"s}) {
        for (const char* proxy : {"", "proxy.lan:3128"}) {
            const THttpTarget t = TargetForRequest(url, proxy, "80");
            EXPECT_TRUE(t.TargetHost.empty()) << url << " via " << proxy;
            EXPECT_EQ(t.Path.find_first_of("\r\n\0"s), std::string::npos) << url;
            if (*proxy == '\0') {
                EXPECT_TRUE(t.HostName.empty()) << url;
            }
        }
    }
}

// Each case: a "location" followed from http://origin:8080/start, directly
// (the shown location never has the port) or through proxy:3128.
TEST(HttpTargetTest, FollowsLocation) {
    const std::tuple<bool, const char*, const char*> cases[] = {
        {false, "/x", "origin|8080|origin|/x|http://origin/x"},
        {false, "http://other:81/y", "other|81|other|/y|http://other/y"},
        {false, "http://other", "other|80|other|/|http://other"},
        {false, "word", "origin|8080|origin|http://origin/word|http://origin/word"},
        {false, "0", "origin|8080|origin|http://origin/0|http://origin/0"},
        {false, "//same/z", "origin|8080|origin|//same/z|http://origin//same/z"},
        {false, "http:///z", "origin|8080|origin|/z|http://origin/z"},
        {false, "elsewhere/doc", "elsewhere|8080|elsewhere|/doc|http://origin:8080/start"},
        {false, "https://other/y", "other|443|other|/y|https://other/y"},
        {true, "/x", "proxy|3128|origin|http://origin:8080/x|http://origin:8080/x"},
        {true, "http://other:81/y", "proxy|3128|other|http://other:81/y|http://other:81/y"},
        {true, "http://other/y", "proxy|3128|other|http://other/y|http://other/y"},
        {true, "word", "proxy|3128|origin|http://origin:8080/word|http://origin:8080/word"},
        {true, "http:///z", "proxy|3128|origin|http://origin:8080/z|http://origin:8080/z"}};
    for (const auto& [viaProxy, location, parts] : cases) {
        THttpTarget t =
            TargetForRequest("http://origin:8080/start", viaProxy ? "proxy:3128" : "", "80");
        FollowLocation(t, location, viaProxy);
        EXPECT_EQ(Parts(t), parts) << location << (viaProxy ? " via proxy" : "");
    }
}

// The scheme decides the default port and TLS; a location without a scheme
// keeps the hop's, directly or through proxy:3128.
TEST(HttpTargetTest, HttpsHopsAndTheirLocations) {
    THttpTarget t = TargetForRequest("HTTPS://h/x", "", "80");
    EXPECT_EQ(Parts(t), "h|443|h|/x|HTTPS://h/x");
    EXPECT_TRUE(UsesTls(t));
    t = TargetForRequest("https://h:8443/a?b", "proxy", "3128");
    EXPECT_EQ(t.TargetPort + "|" + TunnelPath(t), "8443|/a?b");
    EXPECT_EQ(TunnelPath(TargetForRequest("https://h", "proxy", "3128")), "/");
    EXPECT_FALSE(UsesTls(TargetForRequest("h/x", "", "80")));

    const std::tuple<bool, const char*, const char*, const char*> cases[] = {
        {false, "/x", "origin|443|origin|/x|https://origin/x", "443"},
        {false, "word", "origin|443|origin|https://origin/word|https://origin/word", "443"},
        {false, "http:///z", "origin|443|origin|/z|https://origin/z", "443"},
        {false, "http://other/y", "other|80|other|/y|http://other/y", "80"},
        {true, "/x", "proxy|3128|origin|https://origin/x|https://origin/x", "443"},
        {true, "word", "proxy|3128|origin|https://origin/word|https://origin/word", "443"},
        {true, "other/y", "proxy|3128|other|https://other/y|https://other/y", "443"},
        {true, "http://other/y", "proxy|3128|other|http://other/y|http://other/y", "80"}};
    for (const auto& [viaProxy, location, parts, targetPort] : cases) {
        THttpTarget hop =
            TargetForRequest("https://origin/start", viaProxy ? "proxy:3128" : "", "80");
        FollowLocation(hop, location, viaProxy);
        EXPECT_EQ(Parts(hop), parts) << location << (viaProxy ? " via proxy" : "");
        EXPECT_EQ(hop.TargetPort, targetPort) << location << (viaProxy ? " via proxy" : "");
    }
    EXPECT_TRUE(IsSupportedScheme("hTTp") && IsSupportedScheme("HTTPS"));
    EXPECT_FALSE(IsSupportedScheme("ftp") || IsSupportedScheme("mailto"));
}

} // namespace
