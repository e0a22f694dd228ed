#include <gtest/gtest.h>

#include "http/url.h"

namespace {

struct TUrlCase {
    const char* url;
    const char* proto;
    const char* user;
    const char* pass;
    const char* host;
    const char* port;
    const char* path;
};

class ParseUrlTest : public ::testing::TestWithParam<TUrlCase> {};

TEST_P(ParseUrlTest, SplitsIntoSixParts) {
    const TUrlCase& c = GetParam();
    std::string proto = "x", user = "x", pass = "x", host = "x", port = "x", path = "x";
    ParseURL(c.url, proto, user, pass, host, port, path);
    EXPECT_EQ(proto, c.proto);
    EXPECT_EQ(user, c.user);
    EXPECT_EQ(pass, c.pass);
    EXPECT_EQ(host, c.host);
    EXPECT_EQ(port, c.port);
    EXPECT_EQ(path, c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ParseUrlTest,
    ::testing::Values(
        TUrlCase{"", "", "", "", "", "", ""}, TUrlCase{"host.tld", "", "", "", "host.tld", "", ""},
        TUrlCase{"http://user:pa:ss@host.tld:8080/a/b?x", "http", "user", "pa:ss", "host.tld",
                 "8080", "/a/b?x"},
        TUrlCase{"HTTP://Host.TLD/Dir/", "HTTP", "", "", "Host.TLD", "", "/Dir/"},
        TUrlCase{"/only/path", "http", "", "", "", "", "/only/path"},
        TUrlCase{"//host/x", "http", "", "", "", "", "/host/x"},
        TUrlCase{"/", "http", "", "", "", "", ""},
        TUrlCase{"http:dir/file", "http", "", "", "", "", "dir/file"},
        TUrlCase{"HTTP:/x", "http", "", "", "", "", "/x"},
        TUrlCase{"http://", "http", "", "", "", "", ""},
        TUrlCase{"mailto:someone@example.org", "mailto", "someone", "", "example.org", "", ""},
        TUrlCase{"h:81", "", "", "", "h", "81", ""}, TUrlCase{"a@b", "", "a", "", "b", "", ""},
        TUrlCase{"u@h:81/p", "", "u", "", "h", "81", "/p"},
        TUrlCase{"ftp://a:b@c/d:e@f", "ftp", "a", "b", "c", "", "/d:e@f"},
        TUrlCase{"http://host:/", "http", "", "", "host", "", "/"},
        TUrlCase{"http://u:@host", "http", "u", "", "host", "", ""}));

struct TDocNameCase {
    const char* path;
    const char* docName;
};

class DocNameTest : public ::testing::TestWithParam<TDocNameCase> {};

TEST_P(DocNameTest, GuessesFileNameFromPath) {
    EXPECT_EQ(DocNameFromPath(GetParam().path), GetParam().docName);
}

INSTANTIATE_TEST_SUITE_P(Paths, DocNameTest,
                         ::testing::Values(TDocNameCase{"", "document.htm"},
                                           TDocNameCase{"/", "document.htm"},
                                           TDocNameCase{"/a/b?x", "b"},
                                           TDocNameCase{"/dir/", "dir"}, TDocNameCase{"/dir//", ""},
                                           TDocNameCase{"/index.html", "index.html"},
                                           TDocNameCase{"/cgi/run.exe?a=1", "run.exe"},
                                           TDocNameCase{"relative", "relative"}));

TEST(DocNameTest, KeepsAtMost255CharactersBeforeCuttingTheQuery) {
    const std::string longName(300, 'n');
    EXPECT_EQ(DocNameFromPath("/" + longName), std::string(255, 'n'));
    EXPECT_EQ(DocNameFromPath("/" + std::string(250, 'n') + "?query"), std::string(250, 'n'));
}

TEST(DocNameTest, ExeServedAsHtmlBecomesHtm) {
    EXPECT_EQ(DocNameForContentType("setup.EXE", "text/html"), "setup.htm");
    EXPECT_EQ(DocNameForContentType("setup.exe", "application/octet-stream"), "setup.exe");
    EXPECT_EQ(DocNameForContentType("page.html", "text/html"), "page.html");
    EXPECT_EQ(DocNameForContentType("exe", "text/html"), "exe");
}

} // namespace
