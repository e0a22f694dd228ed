#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>

#include <memory>

#include "http/http_client.h"
#include "tests/support/dante_server.h"
#include "tests/support/event_wait.h"
#include "tests/support/hop_records.h"
#include "tests/support/nginx_server.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/tinyproxy_server.h"

namespace {

constexpr qint64 kLargeFileSize = 50LL << 20;
constexpr qint64 kChunkSize = 1 << 20;

const testsupport::TTestCertificates& Certificates() {
    static const testsupport::TTestCertificates Made;
    return Made;
}

// nginx with a plain port (%2) and a TLS port (%3) serving the same folder;
// each redirects to the other: /to-tls on the plain port, /to-plain on the TLS one.
QString ServerBlocks(const QString& Kind) {
    return QString("  server { listen 127.0.0.1:%2; root %1/www;\n"
                   "    location = /to-tls { return 301 https://localhost:%3/file.txt; } }\n"
                   "  server { listen 127.0.0.1:%3 ssl; root %1/www; %4\n"
                   "    location = /to-plain { return 302 http://localhost:%2/file.txt; } }\n")
        .replace("%4", Certificates().NginxDirectives(Kind));
}

class HttpsIntegrationTest : public ::testing::Test {
protected:
    // `Extra` goes before the server blocks.
    void Serve(const QString& Kind = "good", const QString& Extra = {}) {
        ASSERT_EQ(Certificates().Failure(), "");
        Server = std::make_unique<testsupport::TNginxServer>(Extra + ServerBlocks(Kind));
        ASSERT_EQ(Server->Failure(), "");
        QFile File(Server->FilePath("www/file.txt"));
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        File.write(Content.data(), static_cast<qint64>(Content.size()));
    }

    std::string PlainUrl(const std::string& Path) const {
        return "http://localhost:" + std::to_string(Server->Port()) + Path;
    }
    std::string TlsUrl(const std::string& Path) const {
        return "https://localhost:" + std::to_string(Server->SecondPort()) + Path;
    }

    // Head of `Url`; the reason of a raised failure, empty when none.
    std::string Head(const std::string& Url) {
        Client.SetURL(Url);
        try {
            Client.Head();
        } catch (const EHttpException& E) {
            return E.what();
        }
        return {};
    }

    const std::string Content = std::string(4321, 't');
    std::unique_ptr<testsupport::TNginxServer> Server;
    THttpClient Client;
};

// The session of the final hop is the one described.
TEST_F(HttpsIntegrationTest, RedirectionsBetweenThePlainAndTheTlsPortAreFollowed) {
    Serve();
    // The system's trust store, as OpenSSL finds it.
    qputenv("SSL_CERT_FILE", Certificates().CaFile().toLocal8Bit());
    for (const auto& [Url, FinalOverTls] :
         {std::pair{TlsUrl("/to-plain"), false}, std::pair{PlainUrl("/to-tls"), true}}) {
        EXPECT_EQ(Head(Url), "") << Url;
        EXPECT_EQ(Client.StatusCode(), 200) << Url;
        EXPECT_EQ(Client.ContentLength(), static_cast<std::int64_t>(Content.size())) << Url;
        ASSERT_EQ(Client.SslPeerInfo().has_value(), FinalOverTls) << Url;
    }
    qunsetenv("SSL_CERT_FILE");
    ASSERT_TRUE(Client.SslPeerInfo().has_value());
    EXPECT_EQ(Client.SslPeerInfo()->Protocol, "TLSv1.3");
    EXPECT_EQ(Client.SslPeerInfo()->Subject, "localhost");
    EXPECT_EQ(Client.SslPeerInfo()->Issuer, "Quorvik Test CA");
}

// A plain hop sends the client on to a TLS one: the second record holds the
// session, its handshake between the connection and the first byte.
TEST_F(HttpsIntegrationTest, PlainHopToATlsHopLeavesBothRecords) {
    Serve();
    const testsupport::TScriptedServer Plain({testsupport::Answer(
        "HTTP/1.0 302 Found\r\nLocation: " + TlsUrl("/file.txt") + "\r\n\r\n")});
    Client.SetSslCAFile(Certificates().CaFile().toStdString());
    EXPECT_EQ(Head(Plain.Url("/start")), "");
    const std::vector<THttpHop>& hops = Client.Hops();
    ASSERT_EQ(hops.size(), 2u);
    EXPECT_EQ(hops[0].Url, Plain.Url("/start"));
    EXPECT_EQ(hops[0].Port, Plain.Port());
    EXPECT_EQ(hops[0].Status, 302);
    EXPECT_EQ(hops[0].Version, "HTTP/1.0");
    EXPECT_EQ(hops[0].Location, TlsUrl("/file.txt"));
    EXPECT_EQ(hops[0].Target, TlsUrl("/file.txt"));
    EXPECT_FALSE(hops[0].Tls);
    EXPECT_FALSE(hops[0].Times.TlsDone);

    const THttpHop& tls = hops[1];
    EXPECT_EQ(tls.Url, TlsUrl("/file.txt"));
    EXPECT_EQ(tls.Address, "127.0.0.1");
    EXPECT_EQ(tls.Port, Server->SecondPort());
    EXPECT_EQ(tls.Status, 200);
    EXPECT_FALSE(tls.Target);
    ASSERT_TRUE(tls.Tls);
    EXPECT_EQ(tls.Tls->Subject, "localhost");
    EXPECT_EQ(tls.Tls->Issuer, "Quorvik Test CA");
    // localhost is a name, looked up.
    for (const auto& time : {tls.Times.LookupDone, tls.Times.Connected, tls.Times.TlsDone,
                             tls.Times.FirstByte, tls.Times.Ended})
        EXPECT_TRUE(time);
    for (const THttpHop& hop : hops)
        EXPECT_EQ(testsupport::TimesOutOfOrder(hop.Times), "") << hop.Url;
}

// With keep-alive the requests to one origin share a connection (nginx
// numbers its connections in every answer), a GET read to its length
// included; the other port gets one of its own.
TEST_F(HttpsIntegrationTest, KeptConnectionServesTheRequestsOfItsOrigin) {
    Serve("good", "  add_header X-Conn $connection always;\n");
    Client.SetSslCAFile(Certificates().CaFile().toStdString());
    Client.SetKeepAlive(true);
    const auto connection = [this] {
        std::string number;
        for (const std::string& line : Client.ReceivedHeader())
            if (line.rfind("X-Conn: ", 0) == 0)
                number = line.substr(8);
        return number;
    };
    std::vector<std::string> numbers;
    for (const std::string& url : {PlainUrl("/file.txt"), TlsUrl("/file.txt")}) {
        SCOPED_TRACE(url);
        EXPECT_EQ(Head(url), "");
        numbers.push_back(connection());
        Client.SetURL(url);
        Client.Get();
        EXPECT_EQ(Client.ReceivedCount(), static_cast<std::int64_t>(Content.size()));
        EXPECT_EQ(connection(), numbers.back());
        EXPECT_EQ(Head(url), "");
        EXPECT_EQ(connection(), numbers.back());
        ASSERT_EQ(Client.Hops().size(), 1u);
        const THttpHop& hop = Client.Hops()[0];
        EXPECT_FALSE(hop.Times.Connected || hop.Times.TlsDone);
        EXPECT_EQ(hop.Port, url == TlsUrl("/file.txt") ? Server->SecondPort() : Server->Port());
        EXPECT_EQ(hop.Tls.has_value(), url == TlsUrl("/file.txt"));
        EXPECT_EQ(Client.SslPeerInfo().has_value(), hop.Tls.has_value());
    }
    EXPECT_NE(numbers[0], numbers[1]);
}

struct TCertificateCase {
    const char* Kind;
    bool WithCa;
    const char* Reason; // of a checked request; with SslVerify off every kind is accepted
};

class HttpsCertificateTest : public HttpsIntegrationTest,
                             public testing::WithParamInterface<TCertificateCase> {};

TEST_P(HttpsCertificateTest, FailsWithItsReasonUnlessTheCheckIsOff) {
    Serve(GetParam().Kind);
    if (GetParam().WithCa)
        Client.SetSslCAFile(Certificates().CaFile().toStdString());
    EXPECT_EQ(Head(TlsUrl("/file.txt")),
              std::string("TLS handshake failed: certificate verify failed (") + GetParam().Reason +
                  ") (Error #20100)");
    EXPECT_EQ(Client.StatusCode(), 404);
    EXPECT_FALSE(Client.SslPeerInfo().has_value());

    Client.SetSslVerify(false);
    EXPECT_EQ(Head(TlsUrl("/file.txt")), "");
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_TRUE(Client.SslPeerInfo().has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Https, HttpsCertificateTest,
    testing::Values(TCertificateCase{"good", false, "unable to get local issuer certificate"},
                    TCertificateCase{"expired", true, "certificate has expired"},
                    TCertificateCase{"wronghost", true, "hostname mismatch"},
                    TCertificateCase{"selfsigned", true, "self-signed certificate"}),
    [](const auto& Info) { return std::string(Info.param.Kind); });

TEST_F(HttpsIntegrationTest, LargeGetArrivesIntact) {
    Serve();
    QFile File(Server->FilePath("www/large.bin"));
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    QCryptographicHash Sent(QCryptographicHash::Sha256);
    QByteArray Chunk(kChunkSize, '\0');
    for (qint64 Offset = 0; Offset < kLargeFileSize; Offset += kChunkSize) {
        for (qint64 I = 0; I < kChunkSize; ++I)
            Chunk[I] = static_cast<char>((Offset + I) * 7 % 251);
        Sent.addData(Chunk);
        ASSERT_EQ(File.write(Chunk), kChunkSize);
    }
    File.close();

    QCryptographicHash Received(QCryptographicHash::Sha256);
    Client.OnDocData = [&Received](THttpClient*, const void* Buffer, std::int32_t Len) {
        Received.addData(QByteArrayView(static_cast<const char*>(Buffer), Len));
    };
    Client.SetSslCAFile(Certificates().CaFile().toStdString());
    Client.SetURL(TlsUrl("/large.bin"));
    Client.Get();
    EXPECT_EQ(Client.ReceivedCount(), kLargeFileSize);
    EXPECT_EQ(Received.result().toHex(), Sent.result().toHex());
}

TEST_F(HttpsIntegrationTest, ThroughAnHttpProxyTlsRunsInsideATunnel) {
    const testsupport::TTinyproxyServer Proxy;
    if (testsupport::TTinyproxyServer::Executable().isEmpty())
        GTEST_SKIP() << "tinyproxy is not installed";
    ASSERT_TRUE(Proxy.Running()) << Proxy.Log();
    Serve();
    Client.SetSslCAFile(Certificates().CaFile().toStdString());
    Client.SetProxy("127.0.0.1:" + std::to_string(Proxy.Port()));
    EXPECT_EQ(Head(TlsUrl("/file.txt")), "") << Proxy.Log();
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_TRUE(Client.SslPeerInfo().has_value());
    // The connection is the proxy's; the handshake inside the tunnel comes after it.
    ASSERT_EQ(Client.Hops().size(), 1u);
    const THttpHop& hop = Client.Hops()[0];
    EXPECT_EQ(hop.Proxy, "127.0.0.1:" + std::to_string(Proxy.Port()));
    EXPECT_EQ(hop.Port, Proxy.Port());
    EXPECT_TRUE(hop.Tls && hop.Times.Connected && hop.Times.TlsDone);
    EXPECT_EQ(testsupport::TimesOutOfOrder(hop.Times), "");
    // Then a hop back to plain HTTP, which the proxy asks for itself.
    EXPECT_EQ(Head(TlsUrl("/to-plain")), "");
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.ContentLength(), static_cast<std::int64_t>(Content.size()));

    QFile Log(Server->FilePath("access.log"));
    ASSERT_TRUE(Log.open(QIODevice::ReadOnly));
    const QByteArray Requests = Log.readAll();
    // Inside the tunnel the server sees a request as if asked directly.
    EXPECT_EQ(Requests.count("\"HEAD /to-plain HTTP/1.0\" 302"), 1) << Requests.toStdString();
    EXPECT_FALSE(Requests.contains("https:")) << Requests.toStdString();
}

TEST_F(HttpsIntegrationTest, ThroughSocksTlsRunsOverTheSocksConnection) {
    const testsupport::TDanteServer Socks;
    if (testsupport::TDanteServer::Executable().isEmpty())
        GTEST_SKIP() << "danted is not installed";
    ASSERT_TRUE(Socks.Running()) << Socks.Log();
    Serve();
    Client.SetSslCAFile(Certificates().CaFile().toStdString());
    Client.SetSocksServer("127.0.0.1");
    Client.SetSocksPort(std::to_string(Socks.Port()));
    // The certificate is checked for the host name handed to the SOCKS server.
    EXPECT_EQ(Head(TlsUrl("/to-plain")), "");
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Head(TlsUrl("/file.txt")), "");
    ASSERT_TRUE(Client.SslPeerInfo().has_value());
    EXPECT_EQ(Client.SslPeerInfo()->Subject, "localhost");
    EXPECT_TRUE(testsupport::WaitUntil([&] { return Socks.Connections() == 3; })) << Socks.Log();
}

} // namespace
