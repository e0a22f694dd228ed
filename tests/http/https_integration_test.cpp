#include <gtest/gtest.h>

#include <QFile>

#include <memory>

#include "http/http_client.h"
#include "tests/support/nginx_server.h"
#include "tests/support/test_certificates.h"

namespace {

const testsupport::TTestCertificates& Certificates() {
    static const testsupport::TTestCertificates Made;
    return Made;
}

// nginx with a plain port (%2) and a TLS port (%3) serving the same folder;
// each redirects to the other: /to-tls on the plain port, /to-plain on the TLS one.
QString ServerBlocks(const QString& Kind) {
    return QString(
               "  server { listen 127.0.0.1:%2; root %1/www;\n"
               "    location = /to-tls { return 301 https://localhost:%3/file.txt; } }\n"
               "  server { listen 127.0.0.1:%3 ssl; root %1/www;\n"
               "    ssl_protocols TLSv1.2 TLSv1.3; ssl_certificate %4; ssl_certificate_key %5;\n"
               "    location = /to-plain { return 302 http://localhost:%2/file.txt; } }\n")
        .replace("%4", Certificates().CertFile(Kind))
        .replace("%5", Certificates().KeyFile());
}

class HttpsIntegrationTest : public ::testing::Test {
protected:
    void Serve(const QString& Kind = "good") {
        ASSERT_EQ(Certificates().Failure(), "");
        Server = std::make_unique<testsupport::TNginxServer>(ServerBlocks(Kind));
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

    const std::string Content = std::string(4321, 't');
    std::unique_ptr<testsupport::TNginxServer> Server;
    THttpClient Client;
};

TEST_F(HttpsIntegrationTest, RedirectionsBetweenThePlainAndTheTlsPortAreFollowed) {
    Serve();
    qputenv("SSL_CERT_FILE", Certificates().CaFile().toLocal8Bit());
    for (const std::string& Url : {PlainUrl("/to-tls"), TlsUrl("/to-plain")}) {
        Client.SetURL(Url);
        try {
            Client.Head();
        } catch (const EHttpException& E) {
            ADD_FAILURE() << Url << ": " << E.what();
        }
        EXPECT_EQ(Client.StatusCode(), 200) << Url;
        EXPECT_EQ(Client.ContentLength(), static_cast<std::int64_t>(Content.size())) << Url;
    }
    qunsetenv("SSL_CERT_FILE");
}

} // namespace
