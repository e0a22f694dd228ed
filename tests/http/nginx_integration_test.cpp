#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>
#include <QFile>

#include "http/http_client.h"
#include "tests/support/nginx_server.h"

namespace {

// nginx serving `www/` on a free loopback port; /old redirects to /file.txt.
class NginxIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Server.Failure(), "");
        QFile file(Server.FilePath("www/file.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Content.data(), static_cast<qint64>(Content.size()));
        ASSERT_TRUE(file.flush() && file.setFileTime(Modified, QFileDevice::FileModificationTime));
        file.close();
        Client.SetAgent("Agent/1");
    }

    std::string Url(const std::string& Path) const { return Server.Url(Path); }

    // Value of the last received header line named `Field` (case as sent).
    std::string HeaderValue(const std::string& Field) const {
        std::string value;
        for (const std::string& line : Client.ReceivedHeader()) {
            if (line.rfind(Field + ": ", 0) == 0)
                value = line.substr(Field.size() + 2);
        }
        return value;
    }

    const std::string Content = std::string(12345, 'q');
    const QDateTime Modified = QDateTime(QDate(2020, 5, 17), QTime(10, 20, 30), Qt::UTC);
    testsupport::TNginxServer Server{"  server { listen 127.0.0.1:%2; root %1/www;\n"
                                     "    location = /old { return 301 /file.txt; } }\n"};
    THttpClient Client;
};

TEST_F(NginxIntegrationTest, HeadAndGetOfStaticFile) {
    Client.SetURL(Url("/file.txt"));
    Client.Head();
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.ReasonPhrase(), "OK");
    EXPECT_EQ(Client.ContentLength(), static_cast<std::int64_t>(Content.size()));
    EXPECT_EQ(Client.ContentType(), "text/plain");
    EXPECT_EQ(Client.DocName(), "file.txt");
    EXPECT_EQ(Client.ReceivedCount(), 0);
    EXPECT_EQ(HeaderValue("Last-Modified"), "Sun, 17 May 2020 10:20:30 GMT");
    // Qt reads the numeric zone form of the same date format.
    QString dateText = QString::fromStdString(HeaderValue("Date"));
    dateText.replace(" GMT", " +0000");
    const QDateTime date = QDateTime::fromString(dateText, Qt::RFC2822Date);
    ASSERT_TRUE(date.isValid()) << HeaderValue("Date");
    EXPECT_LT(std::abs(date.secsTo(QDateTime::currentDateTimeUtc())), 300);

    QBuffer received;
    received.open(QIODevice::WriteOnly);
    Client.SetReceiveStream(&received);
    Client.Get();
    EXPECT_EQ(received.data().toStdString(), Content);
    EXPECT_EQ(Client.ReceivedCount(), static_cast<std::int64_t>(Content.size()));
}

TEST_F(NginxIntegrationTest, ConfiguredRedirectIsFollowed) {
    std::vector<std::string> locations;
    Client.OnLocationChange = [&locations](THttpClient* Sender) {
        locations.push_back(Sender->Location());
    };
    Client.SetURL(Url("/old"));
    Client.Head();
    EXPECT_EQ(locations, std::vector<std::string>{Url("/file.txt")});
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.ContentLength(), static_cast<std::int64_t>(Content.size()));
    ASSERT_FALSE(Client.ReceivedHeader().empty());
    EXPECT_EQ(Client.ReceivedHeader().front(), "HTTP/1.1 301 Moved Permanently");
}

} // namespace
