#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "http/http_client.h"
#include "tests/support/event_wait.h"

namespace {

// A port nobody listens on right now (the kernel's choice for an ephemeral bind).
int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

// nginx in the foreground on 127.0.0.1, with every path it writes inside a
// temporary folder. It serves `www/` and redirects /old to /file.txt.
class TNginx {
public:
    TNginx() {
        FExecutable = QStandardPaths::findExecutable("nginx");
        if (FExecutable.isEmpty())
            FExecutable = QStandardPaths::findExecutable("nginx", {"/usr/sbin", "/usr/local/sbin"});
    }

    ~TNginx() {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.terminate();
            if (!FProcess.waitForFinished(5000))
                FProcess.kill();
            FProcess.waitForFinished(5000);
        }
    }

    const QString& Executable() const { return FExecutable; }
    QString Root() const { return FDir.filePath("www"); }
    int Port() const { return FPort; }
    // What nginx wrote to its log and its error output, for failure messages.
    std::string Diagnostics() {
        QFile log(FDir.filePath("error.log"));
        const QByteArray logged = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
        return (logged + FProcess.readAllStandardError()).toStdString();
    }

    // Starts nginx and waits until it listens (it writes its pid file after
    // opening the listening socket). A port taken in between is retried.
    bool Start() {
        if (!FDir.isValid() || !QDir(FDir.path()).mkpath("www"))
            return false;
        for (int attempt = 0; attempt < 3; ++attempt) {
            FPort = FreeLoopbackPort();
            if (FPort != 0 && StartOn())
                return true;
        }
        return false;
    }

private:
    bool StartOn() {
        const QString pidFile = FDir.filePath("nginx.pid");
        QFile::remove(pidFile);
        QFile config(FDir.filePath("nginx.conf"));
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const QString d = FDir.path();
        config.write(QString("daemon off;\nmaster_process off;\n"
                             "pid %1/nginx.pid;\nerror_log %1/error.log;\n"
                             "events { worker_connections 32; }\n"
                             "http {\n"
                             "  access_log %1/access.log;\n"
                             "  client_body_temp_path %1/body;\n  proxy_temp_path %1/proxy;\n"
                             "  fastcgi_temp_path %1/fastcgi;\n  uwsgi_temp_path %1/uwsgi;\n"
                             "  scgi_temp_path %1/scgi;\n"
                             "  types { text/plain txt; text/html html; }\n"
                             "  default_type application/octet-stream;\n"
                             "  server {\n"
                             "    listen 127.0.0.1:%2;\n    root %1/www;\n"
                             "    location = /old { return 301 /file.txt; }\n"
                             "  }\n"
                             "}\n")
                         .arg(d)
                         .arg(FPort)
                         .toUtf8());
        config.close();

        QFileSystemWatcher watcher({d});
        FProcess.start(FExecutable, {"-p", d, "-c", config.fileName(), "-e", d + "/error.log"});
        if (!FProcess.waitForStarted(5000))
            return false;
        testsupport::WaitUntil(
            [&] { return QFile::exists(pidFile) || FProcess.state() == QProcess::NotRunning; });
        return FProcess.state() == QProcess::Running && QFile::exists(pidFile);
    }

    QTemporaryDir FDir;
    QString FExecutable;
    QProcess FProcess;
    int FPort = 0;
};

class NginxIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Nginx.Executable().isEmpty())
            << "nginx is not installed (looked in PATH, /usr/sbin and /usr/local/sbin); "
               "install the Debian package nginx (scripts/deps.sh lists it)";
        QFile file(Nginx.Root() + "/file.txt");
        ASSERT_TRUE(QDir().mkpath(Nginx.Root()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Content.data(), static_cast<qint64>(Content.size()));
        file.close();
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(Modified, QFileDevice::FileModificationTime));
        file.close();
        ASSERT_TRUE(Nginx.Start()) << "nginx did not start:\n" << Nginx.Diagnostics();
        Client.SetAgent("Agent/1");
    }

    std::string Url(const std::string& Path) const {
        return "http://127.0.0.1:" + std::to_string(Nginx.Port()) + Path;
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
    TNginx Nginx;
    THttpClient Client;
};

TEST_F(NginxIntegrationTest, HeadOfStaticFileGivesItsProperties) {
    Client.SetURL(Url("/file.txt"));
    Client.Head();
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.ReasonPhrase(), "OK");
    EXPECT_EQ(Client.ContentLength(), static_cast<std::int64_t>(Content.size()));
    EXPECT_EQ(Client.ContentType(), "text/plain");
    EXPECT_EQ(Client.DocName(), "file.txt");
    EXPECT_EQ(HeaderValue("Last-Modified"), "Sun, 17 May 2020 10:20:30 GMT");
    // Qt reads the numeric zone form of the same date format.
    QString dateText = QString::fromStdString(HeaderValue("Date"));
    dateText.replace(" GMT", " +0000");
    const QDateTime date = QDateTime::fromString(dateText, Qt::RFC2822Date);
    ASSERT_TRUE(date.isValid()) << HeaderValue("Date");
    EXPECT_LT(std::abs(date.secsTo(QDateTime::currentDateTimeUtc())), 300);
    EXPECT_EQ(Client.ReceivedCount(), 0);
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

TEST_F(NginxIntegrationTest, GetDeliversTheFileAndMissingFileRaises) {
    QBuffer received;
    received.open(QIODevice::WriteOnly);
    Client.SetReceiveStream(&received);
    Client.SetURL(Url("/file.txt"));
    Client.Get();
    EXPECT_EQ(received.data().toStdString(), Content);
    EXPECT_EQ(Client.ReceivedCount(), static_cast<std::int64_t>(Content.size()));

    Client.SetReceiveStream(nullptr);
    Client.SetURL(Url("/missing.txt"));
    try {
        Client.Head();
        FAIL() << "Head did not raise";
    } catch (const EHttpException& e) {
        EXPECT_EQ(e.ErrorCode(), 404);
        EXPECT_STREQ(e.what(), "Not Found");
    }
}

} // namespace
