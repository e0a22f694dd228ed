#include "tests/support/dante_server.h"

#include "tests/support/loopback_listener.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace testsupport {

namespace {

// danted writes this to its log once it listens.
constexpr char kReadyMark[] = " running";
// ... and this for every connection it makes for a client.
constexpr char kConnectMark[] = "tcp/connect [";

// danted switches to these users for its work; the one running the test can
// always be switched to (root in CI, where danted warns about it and goes on).
QString CurrentUser() {
    const passwd* Entry = getpwuid(getuid());
    return Entry != nullptr ? QString::fromLocal8Bit(Entry->pw_name) : QStringLiteral("nobody");
}

std::optional<QStringList> Configure(const QString& Folder, std::uint16_t Port) {
    QFile Config(QDir(Folder).filePath("danted.conf"));
    if (!Config.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return std::nullopt;
    const QString User = CurrentUser();
    // IPv6 targets only where danted can reach ::1 (it fails to start otherwise).
    const bool Ipv6 = HasIpv6Loopback();
    Config.write(QString("logoutput: stderr\n"
                         "internal: 127.0.0.1 port = %1\n"
                         "external: 127.0.0.1\n"
                         "%3"
                         "socksmethod: none\n"
                         "clientmethod: none\n"
                         "user.privileged: %2\n"
                         "user.unprivileged: %2\n"
                         "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                         "socks pass { from: 127.0.0.0/8 to: 127.0.0.0/8 log: connect }\n"
                         "%4")
                     .arg(Port)
                     .arg(User)
                     .arg(Ipv6 ? "external: ::1\n" : "")
                     .arg(Ipv6 ? "socks pass { from: 127.0.0.0/8 to: ::1/128 log: connect }\n" : "")
                     .toUtf8());
    return QStringList{"-f", Config.fileName(), "-p", QDir(Folder).filePath("danted.pid")};
}

} // namespace

QString TDanteServer::Executable() {
    return QStandardPaths::findExecutable("danted", {"/usr/sbin", "/usr/local/sbin"});
}

TDanteServer::TDanteServer() : FProcess(Executable(), kReadyMark, Configure) {}

int TDanteServer::Connections() const {
    return static_cast<int>(FProcess.Log().count(kConnectMark));
}

} // namespace testsupport
