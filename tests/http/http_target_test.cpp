#include <gtest/gtest.h>

#include "http/http_target.h"

namespace {

TEST(HttpTargetTest, DirectRequestDefaultsPortAndPath) {
    const THttpTarget t = TargetForRequest("host.tld", "", "80");
    EXPECT_EQ(t.HostName, "host.tld");
    EXPECT_EQ(t.Port, "80");
    EXPECT_EQ(t.TargetHost, "host.tld");
    EXPECT_EQ(t.Path, "/");
    EXPECT_EQ(t.DocName, "document.htm");
    EXPECT_EQ(t.Location, "host.tld");
}

TEST(HttpTargetTest, FullFormKeepsCredentialsPortAndPath) {
    const THttpTarget t = TargetForRequest("http://u:p@h:8080/a/b?x", "", "80");
    EXPECT_EQ(t.HostName, "h");
    EXPECT_EQ(t.Port, "8080");
    EXPECT_EQ(t.Path, "/a/b?x");
    EXPECT_EQ(t.DocName, "b");
    EXPECT_EQ(t.UrlUsername, "u");
    EXPECT_EQ(t.UrlPassword, "p");
}

TEST(HttpTargetTest, ProxyGetsAbsoluteTargetAndConnection) {
    const THttpTarget t = TargetForRequest("h:8080/a", "proxy.lan", "3128");
    EXPECT_EQ(t.HostName, "proxy.lan");
    EXPECT_EQ(t.Port, "3128");
    EXPECT_EQ(t.TargetHost, "h");
    EXPECT_EQ(t.Path, "http://h:8080/a");
    EXPECT_EQ(t.DocName, "a");
    const THttpTarget p = TargetForRequest("https://h", "proxy.lan:8000", "3128");
    EXPECT_EQ(p.Port, "8000");
    EXPECT_EQ(p.Path, "https://h");
}

struct TLocationCase {
    const char* location;
    const char* hostName;
    const char* port;
    const char* targetHost;
    const char* path;
    const char* newLocation;
};

class DirectLocationTest : public ::testing::TestWithParam<TLocationCase> {};

// Starting point: http://origin:8080/start without proxy.
TEST_P(DirectLocationTest, MovesTarget) {
    THttpTarget t = TargetForRequest("http://origin:8080/start", "", "80");
    const TLocationCase& c = GetParam();
    FollowLocation(t, c.location, false);
    EXPECT_EQ(t.HostName, c.hostName);
    EXPECT_EQ(t.Port, c.port);
    EXPECT_EQ(t.TargetHost, c.targetHost);
    EXPECT_EQ(t.Path, c.path);
    EXPECT_EQ(t.Location, c.newLocation);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DirectLocationTest,
    ::testing::Values(
        // A path on the same server: the shown location never has the port.
        TLocationCase{"/x", "origin", "8080", "origin", "/x", "http://origin/x"},
        TLocationCase{"http://other:81/y", "other", "81", "other", "/y", "http://other/y"},
        TLocationCase{"http://other", "other", "80", "other", "/", "http://other"},
        TLocationCase{"word", "origin", "8080", "origin", "http://origin/word",
                      "http://origin/word"},
        TLocationCase{"0", "origin", "8080", "origin", "http://origin/0", "http://origin/0"},
        TLocationCase{"//same/z", "origin", "8080", "origin", "//same/z", "http://origin//same/z"},
        TLocationCase{"http:///z", "origin", "8080", "origin", "/z", "http://origin/z"},
        TLocationCase{"elsewhere/doc", "elsewhere", "8080", "elsewhere", "/doc",
                      "http://origin:8080/start"}));

class ProxyLocationTest : public ::testing::TestWithParam<TLocationCase> {};

// Starting point: http://origin:8080/start through proxy:3128.
TEST_P(ProxyLocationTest, KeepsProxyConnection) {
    THttpTarget t = TargetForRequest("http://origin:8080/start", "proxy:3128", "80");
    const TLocationCase& c = GetParam();
    FollowLocation(t, c.location, true);
    EXPECT_EQ(t.HostName, c.hostName);
    EXPECT_EQ(t.Port, c.port);
    EXPECT_EQ(t.TargetHost, c.targetHost);
    EXPECT_EQ(t.Path, c.path);
    EXPECT_EQ(t.Location, c.newLocation);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ProxyLocationTest,
    ::testing::Values(TLocationCase{"/x", "proxy", "3128", "origin", "http://origin:8080/x",
                                    "http://origin:8080/x"},
                      TLocationCase{"http://other:81/y", "proxy", "3128", "other",
                                    "http://other:81/y", "http://other:81/y"},
                      TLocationCase{"http://other/y", "proxy", "3128", "other", "http://other/y",
                                    "http://other/y"},
                      TLocationCase{"word", "proxy", "3128", "origin", "http://origin:8080/word",
                                    "http://origin:8080/word"},
                      TLocationCase{"http:///z", "proxy", "3128", "origin", "http://origin:8080/z",
                                    "http://origin:8080/z"}));

} // namespace
