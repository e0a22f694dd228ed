#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <memory>

#include "net/async_socket.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/event_wait.h"
#include "tests/support/nginx_server.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_certificates.h"

using namespace std::chrono_literals;
using testsupport::TScriptedServer;
using testsupport::WaitUntil;

namespace {

constexpr double CpuBudgetMs = 50.0;
constexpr std::size_t FileSize = 5u << 20;

// The test certificates, made once for all cases of this file.
const testsupport::TTestCertificates& Certificates() {
    static const testsupport::TTestCertificates Made;
    return Made;
}

// A TLS socket whose session events are recorded; it asks nginx, serving
// one certificate kind on its TLS port, for one document.
class TlsSocket : public nettest::TSocketTest {
protected:
    void Serve(const QString& Kind) {
        ASSERT_EQ(Certificates().Failure(), "");
        Nginx = std::make_unique<testsupport::TNginxServer>(
            QString("  server { listen 127.0.0.1:%3 ssl; root %1/www;\n"
                    "    ssl_protocols TLSv1.2 TLSv1.3; ssl_certificate %4; ssl_certificate_key "
                    "%5; }\n")
                .replace("%4", Certificates().CertFile(Kind))
                .replace("%5", Certificates().KeyFile()));
        ASSERT_EQ(Nginx->Failure(), "");
        QFile File(Nginx->FilePath("www/file.bin"));
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        for (std::size_t I = 0; I < FileSize; ++I)
            File.putChar(static_cast<char>(I * 7 % 251));
    }

    void Connect(std::uint16_t Port, bool Verify = true, bool WithCa = true) {
        Socket.SetSslEnable(true);
        Socket.SetSslHostName("localhost");
        Socket.SetSslVerify(Verify);
        if (WithCa)
            Socket.SetSslCAFile(Certificates().CaFile().toStdString());
        nettest::StartConnect(Socket, Port);
    }

    void Ask(const std::string& Path) {
        Socket.OnSessionConnected = [this, Path](TCustomAsyncSocket* Sender, std::uint16_t E) {
            Events.Entries.push_back("connected " + std::to_string(E));
            if (E == 0)
                Sender->SendStr("GET " + Path + " HTTP/1.0\r\nHost: localhost\r\n\r\n");
        };
        nettest::Collect(Socket, Data);
        Connect(static_cast<std::uint16_t>(Nginx->SecondPort()));
    }

    std::unique_ptr<testsupport::TNginxServer> Nginx;
};

TEST_F(TlsSocket, CarriesADocumentAndDescribesTheSession) {
    Serve("good");
    Ask("/file.bin");
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }, 30s));
    EXPECT_EQ(Events.Count("connected 0"), 1);
    EXPECT_EQ(Events.Count("closed 0"), 1) << Socket.SslErrorText();
    ASSERT_EQ(Data.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << Data.substr(0, 200);
    const std::string Body = Data.substr(Data.find("\r\n\r\n") + 4);
    ASSERT_EQ(Body.size(), FileSize);
    bool Intact = true;
    for (std::size_t I = 0; I < FileSize && Intact; ++I)
        Intact = Body[I] == static_cast<char>(I * 7 % 251);
    EXPECT_TRUE(Intact);
    const TTlsPeerInfo& Info = Socket.SslPeerInfo();
    EXPECT_EQ(Info.Protocol, "TLSv1.3");
    EXPECT_FALSE(Info.Cipher.empty());
    EXPECT_EQ(Info.Subject, "localhost");
    EXPECT_EQ(Info.Issuer, "Quorvik Test CA");
    const std::int64_t Days = (Info.NotAfter - std::time(nullptr)) / 86400;
    EXPECT_TRUE(Days == 1 || Days == 2) << Info.NotAfter;
    EXPECT_FALSE(Socket.SslEnable()); // the setting lasted for that session only
}

struct TCheckCase {
    const char* Kind;
    bool WithCa;
    bool Verify;
    const char* Reason; // empty: the session is accepted
};

class TlsCertificateCheck : public TlsSocket, public testing::WithParamInterface<TCheckCase> {};

TEST_P(TlsCertificateCheck, EndsWithItsReasonOrIsAccepted) {
    const TCheckCase& Case = GetParam();
    Serve(Case.Kind);
    Socket.OnSessionConnected = [this](TCustomAsyncSocket* Sender, std::uint16_t E) {
        Events.Entries.push_back("connected " + std::to_string(E));
        if (E == 0)
            Sender->Close();
    };
    Connect(static_cast<std::uint16_t>(Nginx->SecondPort()), Case.Verify, Case.WithCa);
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
    const std::string Fail = std::to_string(TCustomTlsSocket::kTlsFailure);
    if (*Case.Reason == '\0') {
        EXPECT_EQ(Events.Count("connected 0"), 1) << Socket.SslErrorText();
        return;
    }
    EXPECT_EQ(Socket.SslErrorText(), Case.Reason);
    EXPECT_EQ(Events.Count("connected " + Fail), 1);
    EXPECT_EQ(Events.Count("closed " + Fail), 1);
    EXPECT_EQ(Events.Entries.size(), 6u); // opened, connecting, connected, event, closed, event
}

INSTANTIATE_TEST_SUITE_P(
    Tls, TlsCertificateCheck,
    testing::Values(
        TCheckCase{"good", false, true,
                   "TLS handshake failed: certificate verify failed (unable to get local issuer "
                   "certificate)"},
        TCheckCase{"expired", true, true,
                   "TLS handshake failed: certificate verify failed (certificate has expired)"},
        TCheckCase{"wronghost", true, true,
                   "TLS handshake failed: certificate verify failed (hostname mismatch)"},
        TCheckCase{"selfsigned", true, true,
                   "TLS handshake failed: certificate verify failed (self-signed certificate)"},
        TCheckCase{"selfsigned", false, false, ""}, TCheckCase{"expired", false, false, ""}));

// Where the trust anchors come from: the certificate directory (searched by
// subject hash, so only with hash links), the bundle file and --cacert.
struct TTrustCase {
    const char* Name;
    const char* DirHolds; // the test certificate the directory holds: "ca" or "selfsigned"
    bool Rehashed;        // the directory has hash links (openssl rehash)
    bool ListedSecond;    // SSL_CERT_DIR names an empty directory first
    bool BundleWithCa;    // SSL_CERT_FILE names a bundle that holds the CA
    bool CaCert;          // the CA given as the session's CA file
    bool Accepted;
};

class TlsTrustStore : public TlsSocket, public testing::WithParamInterface<TTrustCase> {
protected:
    void SetUp() override {
        for (const char* Name : {"SSL_CERT_DIR", "SSL_CERT_FILE"})
            Saved.emplace_back(Name, qgetenv(Name));
        qunsetenv("SSL_CERT_FILE");
    }
    void TearDown() override {
        for (const auto& [Name, Value] : Saved)
            Value.isNull() ? qunsetenv(Name) : qputenv(Name, Value);
    }
    bool Copy(const QString& Kind, const QString& To) {
        return QFile::copy(Certificates().CertFile(Kind), Store.filePath(To));
    }

    QTemporaryDir Store;
    std::vector<std::pair<const char*, QByteArray>> Saved;
};

TEST_P(TlsTrustStore, FindsTheAnchorWhereItIsLookedFor) {
    const TTrustCase& Case = GetParam();
    Serve("good");
    ASSERT_TRUE(QDir(Store.path()).mkpath("certs") && QDir(Store.path()).mkpath("empty"));
    ASSERT_TRUE(Copy(Case.DirHolds, "certs/anchor.pem"));
    if (Case.Rehashed) {
        QProcess Rehash;
        Rehash.start("openssl", {"rehash", Store.filePath("certs")});
        ASSERT_TRUE(Rehash.waitForFinished() && Rehash.exitCode() == 0);
        ASSERT_EQ(QDir(Store.filePath("certs")).entryList({"*.0"}, QDir::Files).size(), 1);
    }
    const QString Dirs = Case.ListedSecond ? Store.filePath("empty") + ':' + Store.filePath("certs")
                                           : Store.filePath("certs");
    qputenv("SSL_CERT_DIR", QFile::encodeName(Dirs));
    if (Case.BundleWithCa) {
        QFile Bundle(Store.filePath("bundle.pem"));
        ASSERT_TRUE(Bundle.open(QIODevice::WriteOnly));
        for (const char* Kind : {"selfsigned", "ca"}) {
            QFile Part(Certificates().CertFile(Kind));
            ASSERT_TRUE(Part.open(QIODevice::ReadOnly));
            Bundle.write(Part.readAll());
        }
        Bundle.close();
        qputenv("SSL_CERT_FILE", QFile::encodeName(Bundle.fileName()));
    }
    Socket.OnSessionConnected = [this](TCustomAsyncSocket* Sender, std::uint16_t E) {
        Events.Entries.push_back("connected " + std::to_string(E));
        Sender->Close();
    };
    Connect(static_cast<std::uint16_t>(Nginx->SecondPort()), true, Case.CaCert);
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
    if (Case.Accepted)
        EXPECT_EQ(Events.Count("connected 0"), 1) << Socket.SslErrorText();
    else
        EXPECT_EQ(Socket.SslErrorText(), "TLS handshake failed: certificate verify failed "
                                         "(unable to get local issuer certificate)");
}

INSTANTIATE_TEST_SUITE_P(
    Tls, TlsTrustStore,
    testing::Values(
        TTrustCase{"HashedDirectory", "ca", true, false, false, false, true},
        TTrustCase{"SecondHashedDirectoryOfTheList", "ca", true, true, false, false, true},
        TTrustCase{"HashedDirectoryWithoutTheCa", "selfsigned", true, false, false, false, false},
        TTrustCase{"DirectoryWithoutHashLinksIsNotSearched", "ca", false, false, false, false,
                   false},
        TTrustCase{"BundleBesideADirectoryWithoutHashLinks", "selfsigned", false, false, true,
                   false, true},
        TTrustCase{"BundleBesideAHashedDirectory", "selfsigned", true, false, true, false, true},
        TTrustCase{"CaFileBesideAHashedDirectory", "selfsigned", true, false, false, true, true}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// Peers that are no TLS servers at all.
struct TPeerCase {
    const char* Name;
    TScriptedServer::TScript Script;
    const char* ReasonStart;
};

class TlsHostilePeer : public nettest::TSocketTest,
                       public testing::WithParamInterface<TPeerCase> {};

TEST_P(TlsHostilePeer, EndsTheSessionWithAReason) {
    TScriptedServer Server({GetParam().Script});
    Socket.SetSslEnable(true);
    nettest::StartConnect(Socket, Server.Port());
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
    EXPECT_EQ(Socket.SslErrorText().rfind(GetParam().ReasonStart, 0), 0u) << Socket.SslErrorText();
    const std::string Fail = std::to_string(TCustomTlsSocket::kTlsFailure);
    EXPECT_EQ(Events.Count("connected " + Fail), 1);
    EXPECT_EQ(Events.Count("closed " + Fail), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Tls, TlsHostilePeer,
    testing::Values(TPeerCase{"garbage",
                              {TScriptedServer::ExpectCount(5),
                               TScriptedServer::Send("HTTP/1.0 200 OK\r\n\r\n"),
                               TScriptedServer::Drain()},
                              "TLS handshake failed: wrong version number"},
                    TPeerCase{"reset",
                              {TScriptedServer::ExpectCount(5), TScriptedServer::Reset()},
                              "TLS handshake failed: "},
                    TPeerCase{"close",
                              {TScriptedServer::ExpectCount(5), TScriptedServer::Close()},
                              "TLS handshake failed: unexpected eof while reading"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(TlsSocket, AHandshakeThatNeverEndsCostsNoProcessorTimeAndCanBeAborted) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    Socket.SetSslEnable(true);
    nettest::StartConnect(Socket, Server.Port());
    ASSERT_TRUE(WaitUntil([&] { return !Server.Received(0).empty(); }));
    const double Before = testsupport::ProcessCpuMs();
    EXPECT_FALSE(WaitUntil([&] { return Events.Has("connected 0"); }, 2s));
    const double Used = testsupport::ProcessCpuMs() - Before;
    RecordProperty("cpu_ms", std::to_string(Used));
    EXPECT_LT(Used, CpuBudgetMs);
    Socket.Abort();
    EXPECT_EQ(Socket.State(), wsClosed);
    EXPECT_EQ(Events.Count("closed 0"), 1);
}

} // namespace
