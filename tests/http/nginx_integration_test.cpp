#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>
#include <QFile>

#include "http/http_client.h"
#include "tests/support/hop_records.h"
#include "tests/support/nginx_server.h"

namespace {

// nginx serving `www/` on a free loopback port; /old redirects to /file.txt,
// and /a to /b (301, an absolute "location"), which redirects to /file.txt
// (302, a path alone).
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
                                     "    location = /old { return 301 /file.txt; }\n"
                                     "    location = /a { return 301 /b; }\n"
                                     "    location = /b { absolute_redirect off; "
                                     "return 302 /file.txt; } }\n"};
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

// Each hop leaves its record: what was asked and where, the answer, where it
// led, and its phases in order.
TEST_F(NginxIntegrationTest, ThreeHopChainLeavesARecordPerHop) {
    Client.SetURL(Url("/a"));
    Client.Head();
    const std::vector<THttpHop>& hops = Client.Hops();
    ASSERT_EQ(hops.size(), 3u);
    const struct {
        std::string Url;
        int Status;
        std::string Reason;
        std::optional<std::string> Location;
    } expected[] = {
        {Url("/a"), 301, "Moved Permanently", Url("/b")},
        {Url("/b"), 302, "Moved Temporarily", "/file.txt"},
        {Url("/file.txt"), 200, "OK", std::nullopt},
    };
    for (std::size_t i = 0; i < hops.size(); ++i) {
        SCOPED_TRACE(i);
        const THttpHop& hop = hops[i];
        EXPECT_EQ(hop.Url, expected[i].Url);
        EXPECT_EQ(hop.Method, "HEAD");
        EXPECT_EQ(hop.Proxy, "");
        EXPECT_EQ(hop.Address, "127.0.0.1");
        EXPECT_EQ(hop.Port, Server.Port());
        EXPECT_EQ(hop.Version, "HTTP/1.1");
        EXPECT_EQ(hop.Status, expected[i].Status);
        EXPECT_EQ(hop.Reason, expected[i].Reason);
        ASSERT_FALSE(hop.HeaderLines.empty());
        EXPECT_EQ(hop.HeaderLines.front(),
                  "HTTP/1.1 " + std::to_string(hop.Status) + " " + expected[i].Reason);
        EXPECT_EQ(hop.Location, expected[i].Location);
        // The next hop's address is the target this one resolved to.
        EXPECT_EQ(hop.Target, i + 1 < hops.size() ? std::optional(hops[i + 1].Url) : std::nullopt);
        EXPECT_FALSE(hop.Tls);
        EXPECT_EQ(hop.Failure, "");
        // An address needs no lookup; every other phase happened.
        EXPECT_FALSE(hop.Times.LookupDone);
        EXPECT_FALSE(hop.Times.TlsDone);
        for (const auto& time : {hop.Times.Connected, hop.Times.RequestSent, hop.Times.FirstByte,
                                 hop.Times.HeaderEnded, hop.Times.Ended})
            EXPECT_TRUE(time);
        EXPECT_EQ(testsupport::TimesOutOfOrder(hop.Times), "");
    }
    // Every hop's lines, in order, are the lines received.
    std::vector<std::string> lines;
    for (const THttpHop& hop : hops)
        lines.insert(lines.end(), hop.HeaderLines.begin(), hop.HeaderLines.end());
    EXPECT_EQ(lines, Client.ReceivedHeader());
}

} // namespace
