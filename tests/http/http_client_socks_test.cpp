#include <gtest/gtest.h>

#include <string>

#include "http/http_client.h"
#include "net/async_socket.h"
#include "net/resolver.h"
#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

namespace {

using testsupport::TScriptedServer;
using TScript = TScriptedServer::TScript;
using namespace std::string_literals;

const std::string kOffer = "\x05\x01\x00"s;
const std::string kChosen = "\x05\x00"s;
const std::string kGranted = "\x05\x00\x00\x01\x7f\x00\x00\x01\x1f\x90"s;

// The SOCKS 5 connect request for Host:Port (Port < 256 * 256).
std::string ConnectRequest(const std::string& Host, int Port) {
    return "\x05\x01\x00\x03"s + char(Host.size()) + Host + char(Port >> 8) + char(Port & 0xFF);
}

// One hop through the SOCKS server: negotiation, then one HTTP exchange.
TScript Hop(const std::string& Host, int Port, const std::string& Response) {
    return {TScriptedServer::Expect(kOffer),
            TScriptedServer::Send(kChosen),
            TScriptedServer::Expect(ConnectRequest(Host, Port)),
            TScriptedServer::Send(kGranted),
            TScriptedServer::ExpectUntil("\r\n\r\n"),
            TScriptedServer::Send(Response),
            TScriptedServer::Close()};
}

class HttpClientSocksTest : public ::testing::Test {
protected:
    void Through(const TScriptedServer& Proxy) {
        Client.SetSocksServer("127.0.0.1");
        Client.SetSocksPort(Proxy.PortStr());
    }

    THttpClient Client;
};

TEST_F(HttpClientSocksTest, EveryHopOfARedirectionGoesThroughTheSocksServerByName) {
    // Neither host exists: only the SOCKS server may resolve them.
    TScriptedServer Proxy(
        {Hop("a.test", 80, "HTTP/1.0 302 Found\r\nLocation: http://b.test:8080/next\r\n\r\n"),
         Hop("b.test", 8080, "HTTP/1.0 200 OK\r\nServer: far\r\n\r\n")});
    Through(Proxy);
    Client.SetURL("http://a.test/first");
    Client.Head();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return Proxy.Done(); }));
    EXPECT_EQ(Proxy.Failure(), "");
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.ResolvedAddress(), "127.0.0.1");
    const std::string Second = Proxy.Received(1);
    EXPECT_NE(Second.find("HEAD /next HTTP/1.0\r\n"), std::string::npos) << Second;
    EXPECT_NE(Second.find("\r\nHost: b.test:8080\r\n"), std::string::npos) << Second;
}

// Port 80 through the SOCKS server: the request of the example, byte for byte.
TEST_F(HttpClientSocksTest, Port80AddressSendsTheExampleRequest) {
    TScript Script = Hop("a.test", 80, "HTTP/1.0 200 OK\r\n\r\n");
    Script[4] = TScriptedServer::Expect("HEAD /doc.html HTTP/1.0\r\n"
                                        "Accept: image/gif, image/x-xbitmap, image/jpeg, "
                                        "image/pjpeg, */*\r\n"
                                        "User-Agent: Agent/1\r\n"
                                        "Host: a.test\r\n\r\n");
    TScriptedServer Proxy({Script});
    Through(Proxy);
    Client.SetAgent("Agent/1");
    Client.SetURL("http://a.test:80/doc.html");
    Client.Head();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return Proxy.Done(); }));
    EXPECT_EQ(Proxy.Failure(), "");
    EXPECT_EQ(Client.StatusCode(), 200);
}

// Each row: the proxy's scheme and the connect request it gets for
// http://a.test/ (which only this side resolves, to 127.0.0.1).
class SocksKindTest : public HttpClientSocksTest,
                      public ::testing::WithParamInterface<std::pair<std::string, std::string>> {};

TEST_P(SocksKindTest, HostGoesByNameOrByAddressAsTheSchemeSays) {
    const auto& [Scheme, Request] = GetParam();
    const bool Socks5 = Request.front() == '\x05';
    TScript Script{TScriptedServer::Expect(Request),
                   TScriptedServer::Send(Socks5 ? kGranted : "\x00\x5a\x00\x00\x00\x00\x00\x00"s),
                   TScriptedServer::ExpectUntil("\r\n\r\n"),
                   TScriptedServer::Send("HTTP/1.0 200 OK\r\n\r\n"), TScriptedServer::Close()};
    if (Socks5)
        Script.insert(Script.begin(),
                      {TScriptedServer::Expect(kOffer), TScriptedServer::Send(kChosen)});
    TScriptedServer Proxy({Script});
    Client.Socket().Resolver().NameWork = [](const std::string& Name) {
        return TLookupResult{Name == "a.test" || Name == "127.0.0.1" ? 0 : 11001, {"127.0.0.1"}};
    };
    const std::string Value = Scheme + "://127.0.0.1:" + Proxy.PortStr();
    Client.SetProxyConfig(TProxyConfig(
        [&Value](const std::string& Name) { return Name == "all_proxy" ? Value : std::string(); }));
    Client.SetURL("http://a.test/");
    Client.Head();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return Proxy.Done(); }));
    EXPECT_EQ(Proxy.Failure(), "");
    EXPECT_EQ(Client.StatusCode(), 200);
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, SocksKindTest,
    ::testing::Values(std::pair{"socks5h"s, ConnectRequest("a.test", 80)},
                      std::pair{"socks5"s, ConnectRequest("127.0.0.1", 80)},
                      std::pair{"socks4a"s, "\x04\x01\x00\x50\x00\x00\x00\x01\x00"
                                            "a.test\x00"s},
                      std::pair{"socks4"s, "\x04\x01\x00\x50\x7f\x00\x00\x01\x00"s}),
    [](const auto& info) { return info.param.first; });

TEST_F(HttpClientSocksTest, SocksFailuresEndLikeARefusedConnection) {
    std::string UnusedPort;
    {
        const TScriptedServer Gone({});
        UnusedPort = Gone.PortStr();
    }
    const struct {
        const char* Name;
        TScript Script;
        std::string Reason;
    } Cases[] = {
        {"refused by the SOCKS server",
         {TScriptedServer::Expect(kOffer), TScriptedServer::Send(kChosen),
          TScriptedServer::Expect(ConnectRequest("a.test", 80)),
          TScriptedServer::Send("\x05\x05\x00\x01"s)},
         "connection refused (Error #20008)"},
        {"SOCKS server leaves",
         {TScriptedServer::Expect(kOffer), TScriptedServer::Close()},
         "socks server closed the connection (Error #10053)"},
        {"no SOCKS server", {}, "Connection refused (Error #10061)"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TScriptedServer Proxy({C.Script});
        Through(Proxy);
        if (C.Script.empty())
            Client.SetSocksPort(UnusedPort);
        Client.SetURL("http://a.test/");
        try {
            Client.Head();
            ADD_FAILURE() << "did not raise";
        } catch (const EHttpException& E) {
            EXPECT_EQ(E.what(), C.Reason);
        }
        EXPECT_EQ(Client.StatusCode(), 404);
        EXPECT_EQ(Client.ReasonPhrase(), C.Reason);
    }
}

} // namespace
