#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "http/http_client.h"
#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

namespace {

// nginx in the foreground on 127.0.0.1, with every path it writes inside a
// temporary folder. It serves `www/` and redirects /old to /file.txt.
class NginxIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString nginx = QStandardPaths::findExecutable("nginx");
        if (nginx.isEmpty())
            nginx = QStandardPaths::findExecutable("nginx", {"/usr/sbin", "/usr/local/sbin"});
        ASSERT_FALSE(nginx.isEmpty())
            << "nginx is not installed (looked in PATH, /usr/sbin and /usr/local/sbin); "
               "install the Debian package nginx (scripts/deps.sh lists it)";
        ASSERT_TRUE(Dir.isValid() && QDir(Dir.path()).mkpath("www"));
        QFile file(Dir.filePath("www/file.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Content.data(), static_cast<qint64>(Content.size()));
        ASSERT_TRUE(file.flush() && file.setFileTime(Modified, QFileDevice::FileModificationTime));
        file.close();
        // A free port: one the kernel gave a listener that is closed again. One
        // taken between that probe and nginx's own bind is retried.
        bool started = false;
        for (int attempt = 0; attempt < 3 && !started; ++attempt) {
            const int port = testsupport::TScriptedServer({}).Port();
            started = Start(nginx, port);
        }
        QFile log(Dir.filePath("error.log"));
        ASSERT_TRUE(started) << "nginx did not start:\n"
                             << (log.open(QIODevice::ReadOnly) ? log.readAll().toStdString() : "")
                             << Process.readAllStandardError().toStdString();
        Client.SetAgent("Agent/1");
    }

    void TearDown() override {
        Process.terminate();
        Process.waitForFinished(5000); // if it still runs, the QProcess destructor kills it
    }

    // Waits until nginx listens: it writes its pid file after opening the socket.
    bool Start(const QString& Nginx, int PortNumber) {
        Port = PortNumber;
        const QString d = Dir.path(), pidFile = Dir.filePath("nginx.pid");
        QFile::remove(pidFile);
        QFile config(Dir.filePath("nginx.conf"));
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        config.write(QString("daemon off; master_process off; pid %1/nginx.pid;\n"
                             "error_log %1/error.log; events { worker_connections 32; }\n"
                             "http { access_log %1/access.log; client_body_temp_path %1/body;\n"
                             "  proxy_temp_path %1/proxy; fastcgi_temp_path %1/fastcgi;\n"
                             "  uwsgi_temp_path %1/uwsgi; scgi_temp_path %1/scgi;\n"
                             "  types { text/plain txt; text/html html; }\n"
                             "  default_type application/octet-stream;\n"
                             "  server { listen 127.0.0.1:%2; root %1/www;\n"
                             "    location = /old { return 301 /file.txt; } } }\n")
                         .arg(d)
                         .arg(Port)
                         .toUtf8());
        config.close();
        QFileSystemWatcher watcher({d}); // wakes the wait when the pid file appears
        Process.start(Nginx, {"-p", d, "-c", config.fileName(), "-e", d + "/error.log"});
        if (!Process.waitForStarted(5000))
            return false;
        testsupport::WaitUntil(
            [&] { return QFile::exists(pidFile) || Process.state() == QProcess::NotRunning; });
        return Process.state() == QProcess::Running && QFile::exists(pidFile);
    }

    std::string Url(const std::string& Path) const {
        return "http://127.0.0.1:" + std::to_string(Port) + Path;
    }

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
    QTemporaryDir Dir;
    QProcess Process;
    int Port = 0;
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
    EXPECT_EQ(locations, std::vector<std::string>{"http://127.0.0.1/file.txt"});
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.ContentLength(), static_cast<std::int64_t>(Content.size()));
    ASSERT_FALSE(Client.ReceivedHeader().empty());
    EXPECT_EQ(Client.ReceivedHeader().front(), "HTTP/1.1 301 Moved Permanently");
}

} // namespace
