#include <gtest/gtest.h>

#include <map>

#include "http/http_client.h"
#include "net/async_socket.h"
#include "net/resolver.h"
#include "tests/support/apache_server.h"
#include "tests/support/dante_server.h"
#include "tests/support/event_wait.h"
#include "tests/support/tinyproxy_server.h"

namespace {

// A relative "location" as Apache sends an .asis file: exactly as written.
QByteArray Moved(const char* Location) {
    return QByteArray("Status: 302 Found\nLocation: ") + Location + "\n\n";
}

// Apache on a port of its own. Its redirections name the host and port of
// the request's Host line; the .asis files below /sub/ send relative ones.
class ApacheIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (testsupport::TApacheServer::Executable().isEmpty())
            GTEST_SKIP() << "apache2 is not installed (looked in PATH, /usr/sbin and "
                            "/usr/local/sbin); install the Debian package apache2 "
                            "(scripts/deps.sh --test lists it)";
        ASSERT_TRUE(Server.Running()) << "apache2 did not start:\n" << Server.Log();
    }

    testsupport::TApacheServer Server{
        "Redirect 301 /r301 /a.txt\nRedirect 302 /r302 /a.txt\nRedirect 303 /r303 /a.txt\n"
        "Redirect 307 /r307 /a.txt\nRedirect 308 /r308 /a.txt\n",
        {{"a.txt", "aaaa\n"},
         {"x y.txt", "blank\n"},
         {"up.html", "up\n"},
         {"dir/index.html", "index\n"},
         {"sub/sibling.html", "sib\n"},
         {"sub/q.html", "q\n"},
         {"sub/deep/x.txt", "deepx\n"},
         {"sub/deep.asis", Moved("deep/x.txt")},
         {"sub/up.asis", Moved("../up.html")},
         {"sub/sibling.asis", Moved("sibling.html")},
         {"sub/query.asis", Moved("q.html?next=http://other.example/")},
         {"sub/dot.asis", Moved("./deep/x.txt")},
         {"sub/fragment.asis", Moved("/a.txt#top")}}};
    // The proxies of an environment holding `Variables`.
    void SetEnvironment(std::map<std::string, std::string> Variables) {
        Client.SetProxyConfig(TProxyConfig([Variables](const std::string& Name) {
            const auto Value = Variables.find(Name);
            return Value != Variables.end() ? Value->second : std::string();
        }));
    }

    THttpClient Client;
};

// Each row: the path asked for, then where `curl -sIL` ends for it: the
// status of the last answer, its length and the path of the last hop ("" when
// there is no redirection the client sees).
struct TApacheCase {
    const char* Name;
    const char* Path;
    int Status;
    int Length;
    const char* FinalPath;
};

void PrintTo(const TApacheCase& c, std::ostream* os) {
    *os << c.Path;
}

class ApacheRedirectTest : public ApacheIntegrationTest,
                           public ::testing::WithParamInterface<TApacheCase> {};

TEST_P(ApacheRedirectTest, EndsWhereCurlEnds) {
    const TApacheCase& c = GetParam();
    Client.SetURL(Server.Url(c.Path));
    try {
        Client.Head();
    } catch (const EHttpException& e) {
        ADD_FAILURE() << e.what();
    }
    EXPECT_EQ(Client.StatusCode(), c.Status);
    EXPECT_EQ(Client.ContentLength(), c.Length);
    const std::string last = *c.FinalPath != '\0' ? Server.Url(c.FinalPath) : Server.Url(c.Path);
    EXPECT_EQ(Client.Location(), last);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ApacheRedirectTest,
    ::testing::Values(TApacheCase{"Moved301", "/r301", 200, 5, "/a.txt"},
                      TApacheCase{"Found302", "/r302", 200, 5, "/a.txt"},
                      TApacheCase{"SeeOther303", "/r303", 200, 5, "/a.txt"},
                      TApacheCase{"Temporary307", "/r307", 200, 5, "/a.txt"},
                      TApacheCase{"Permanent308", "/r308", 200, 5, "/a.txt"},
                      TApacheCase{"DirectorySlash", "/dir", 200, 6, "/dir/"},
                      TApacheCase{"DeeperPath", "/sub/deep.asis", 200, 6, "/sub/deep/x.txt"},
                      TApacheCase{"ParentFile", "/sub/up.asis", 200, 3, "/up.html"},
                      TApacheCase{"Sibling", "/sub/sibling.asis", 200, 4, "/sub/sibling.html"},
                      TApacheCase{"SchemeInQuery", "/sub/query.asis", 200, 2,
                                  "/sub/q.html?next=http://other.example/"},
                      TApacheCase{"DotSlash", "/sub/dot.asis", 200, 6, "/sub/deep/x.txt"},
                      // Apache follows a local path of an .asis file itself.
                      TApacheCase{"PathWithFragment", "/sub/fragment.asis", 200, 5, ""},
                      // Typed: the fragment stays here, the blank is encoded.
                      TApacheCase{"TypedFragment", "/a.txt#frag", 200, 5, ""},
                      TApacheCase{"TypedBlank", "/x y.txt", 200, 6, ""}),
    [](const auto& info) { return std::string(info.param.Name); });

// Every hop through the proxy the environment names, unless no_proxy exempts
// its host.
TEST_F(ApacheIntegrationTest, HttpProxyOfTheEnvironmentAndItsExceptions) {
    if (testsupport::TTinyproxyServer::Executable().isEmpty())
        GTEST_SKIP() << "tinyproxy is not installed (scripts/deps.sh --test lists it)";
    const testsupport::TTinyproxyServer Proxy;
    ASSERT_TRUE(Proxy.Running()) << Proxy.Log();
    const std::string Through = "http://127.0.0.1:" + std::to_string(Proxy.Port());
    const auto Asked = [&] {
        testsupport::PumpEvents(); // tinyproxy's log is read by the event loop
        return QByteArray::fromStdString(Proxy.Log()).count("HEAD " + Server.Url("/"));
    };
    SetEnvironment({{"http_proxy", Through}, {"no_proxy", "localhost"}});
    Client.SetURL(Server.Url("/r307"));
    Client.Head();
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.Location(), Server.Url("/a.txt"));
    EXPECT_TRUE(testsupport::WaitUntil([&] { return Asked() == 2; })) << Proxy.Log();

    SetEnvironment({{"http_proxy", Through}, {"NO_PROXY", "127.0.0.1"}});
    Client.Head();
    EXPECT_EQ(Client.StatusCode(), 200);
    testsupport::PumpEvents();
    EXPECT_EQ(Asked(), 2) << Proxy.Log();
}

// The name goes to the SOCKS server, which looks it up (socks5h).
TEST_F(ApacheIntegrationTest, Socks5hProxyOfTheEnvironment) {
    if (testsupport::TDanteServer::Executable().isEmpty())
        GTEST_SKIP() << "danted is not installed (scripts/deps.sh --test lists it)";
    const testsupport::TDanteServer Socks;
    ASSERT_TRUE(Socks.Running()) << Socks.Log();
    SetEnvironment({{"all_proxy", "socks5h://" + Socks.HostPort()}});
    bool LookedUpHere = false;
    Client.Socket().Resolver().NameWork = [&LookedUpHere](const std::string& Name) {
        LookedUpHere = LookedUpHere || Name == "localhost";
        return TLookupResult{0, {"127.0.0.1"}};
    };
    const std::string Url = "http://localhost:" + std::to_string(Server.Port());
    Client.SetURL(Url + "/dir");
    Client.Head();
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.Location(), Url + "/dir/");
    EXPECT_FALSE(LookedUpHere);
    EXPECT_TRUE(testsupport::WaitUntil([&] { return Socks.Connections() == 2; })) << Socks.Log();
}

} // namespace
