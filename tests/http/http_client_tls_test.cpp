#include <gtest/gtest.h>

#include <chrono>

#include "http/http_client.h"
#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

namespace {

using namespace std::chrono_literals;
using testsupport::TScriptedServer;
using testsupport::WaitUntil;

constexpr double kCpuBudgetMs = 50.0;
// The first bytes of a TLS ClientHello: a handshake record.
constexpr std::size_t kRecordHeaderSize = 5;

class HttpClientTlsTest : public ::testing::Test {
protected:
    HttpClientTlsTest() {
        Client.OnRequestDone = [this](THttpClient*, THttpRequest, std::uint16_t Error) {
            ++DoneCount;
            DoneError = Error;
        };
    }

    void Start(const std::string& Url) {
        Client.SetURL(Url);
        Client.HeadASync();
    }

    bool WaitDone() {
        return WaitUntil([this] { return DoneCount > 0; });
    }

    static std::string TlsUrl(const TScriptedServer& Server, const std::string& Path = "/") {
        return "https://127.0.0.1:" + Server.PortStr() + Path;
    }

    THttpClient Client;
    int DoneCount = 0;
    std::uint16_t DoneError = 0;
};

struct TPeerCase {
    const char* Name;
    TScriptedServer::TScript Script;
    const char* ReasonStart;
};

class HttpClientTlsPeerTest : public HttpClientTlsTest,
                              public testing::WithParamInterface<TPeerCase> {};

TEST_P(HttpClientTlsPeerTest, EndsLikeARefusedConnectionWithTheTlsReason) {
    TScriptedServer Server({GetParam().Script});
    Start(TlsUrl(Server));
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Client.StatusCode(), 404);
    EXPECT_EQ(DoneError, 20100);
    const std::string& Reason = Client.ReasonPhrase();
    EXPECT_EQ(Reason.rfind(GetParam().ReasonStart, 0), 0u) << Reason;
    EXPECT_TRUE(Reason.ends_with(" (Error #20100)")) << Reason;
    EXPECT_FALSE(Client.SslPeerInfo().has_value());
    // The hop was connected; its handshake failed.
    ASSERT_EQ(Client.Hops().size(), 1u);
    const THttpHop& Hop = Client.Hops()[0];
    EXPECT_EQ(Hop.Failure, Reason);
    EXPECT_EQ(Hop.Address, "127.0.0.1");
    EXPECT_EQ(Hop.Port, Server.Port());
    EXPECT_TRUE(Hop.Times.Connected && Hop.Times.Ended);
    EXPECT_FALSE(Hop.Tls || Hop.Times.TlsDone || Hop.Times.RequestSent);
    EXPECT_EQ(Hop.Status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Tls, HttpClientTlsPeerTest,
    testing::Values(
        TPeerCase{"garbage",
                  {TScriptedServer::ExpectCount(kRecordHeaderSize),
                   TScriptedServer::Send("HTTP/1.0 200 OK\r\n\r\n"), TScriptedServer::Drain()},
                  "TLS handshake failed: wrong version number"},
        TPeerCase{"reset",
                  {TScriptedServer::ExpectCount(kRecordHeaderSize), TScriptedServer::Reset()},
                  "TLS handshake failed: "}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(HttpClientTlsTest, AHandshakeThatNeverEndsWaitsWithoutCpuUntilAborted) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    Start(TlsUrl(Server));
    ASSERT_TRUE(WaitUntil([&] { return Server.Received(0).size() >= kRecordHeaderSize; }));
    const double Before = testsupport::ProcessCpuMs();
    EXPECT_FALSE(WaitUntil([&] { return DoneCount > 0; }, 2s));
    const double Used = testsupport::ProcessCpuMs() - Before;
    RecordProperty("cpu_ms", std::to_string(Used));
    EXPECT_LT(Used, kCpuBudgetMs);
    Client.Abort();
    EXPECT_EQ(Client.State(), THttpState::httpReady);
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Client.ReasonPhrase(), "Connection aborted on request");
}

TEST_F(HttpClientTlsTest, OtherSchemesEndAsUnsupportedProtocolAlsoAfterARedirection) {
    TScriptedServer Server(
        {testsupport::Answer("HTTP/1.0 302 Found\r\nLocation: ftp://127.0.0.1/f\r\n\r\n")});
    for (const std::string& Url :
         std::vector<std::string>{"ftp://127.0.0.1:" + Server.PortStr() + "/f",
                                  "mailto:someone@127.0.0.1", Server.Url("/")}) {
        DoneCount = 0;
        Start(Url);
        ASSERT_TRUE(WaitDone()) << Url;
        EXPECT_EQ(Client.StatusCode(), 404) << Url;
        EXPECT_EQ(Client.ReasonPhrase(), "unsupported protocol") << Url;
        EXPECT_EQ(DoneError, http_errors::kUnsupportedProtocol);
    }
    EXPECT_EQ(Server.Accepted(), 1u); // only the plain address was asked
}

TEST_F(HttpClientTlsTest, TheProxyIsAskedForATunnelAndItsRefusalEndsTheRequest) {
    TScriptedServer Proxy({{TScriptedServer::Expect("CONNECT h.test:8443 HTTP/1.0\r\n"
                                                    "Proxy-Authorization: Basic dTpw\r\n\r\n"),
                            TScriptedServer::Send("HTTP/1.0 407 Proxy Authentication Required\r\n"
                                                  "Proxy-Authenticate: Basic\r\n\r\n"),
                            TScriptedServer::Drain()}});
    Client.SetProxy("127.0.0.1:" + Proxy.PortStr());
    Client.SetProxyUsername("u");
    Client.SetProxyPassword("p");
    Start("HTTPS://h.test:8443/doc");
    ASSERT_TRUE(WaitDone());
    EXPECT_TRUE(WaitUntil([&] { return Proxy.Done(); }));
    EXPECT_EQ(Proxy.Failure(), "");
    EXPECT_EQ(Client.StatusCode(), 404);
    EXPECT_EQ(Client.ReasonPhrase(), "proxy refused the tunnel: 407 Proxy Authentication Required");
    EXPECT_EQ(DoneError, http_errors::kTunnelRefused);
    EXPECT_TRUE(Client.ReceivedHeader().empty()); // the proxy's answer is no response
}

} // namespace
