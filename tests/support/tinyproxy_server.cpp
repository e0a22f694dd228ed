#include "tests/support/tinyproxy_server.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace testsupport {

namespace {

// tinyproxy writes this once it listens.
constexpr char kReadyMark[] = "Accepting connections";

std::optional<QStringList> Configure(const QString& Folder, std::uint16_t Port) {
    QFile Config(QDir(Folder).filePath("tinyproxy.conf"));
    if (!Config.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return std::nullopt;
    // Without any ConnectPort line CONNECT may go to every port.
    Config.write(QString("Port %1\n"
                         "Listen 127.0.0.1\n"
                         "Timeout 60\n"
                         "LogLevel Info\n"
                         "MaxClients 10\n"
                         "Allow 127.0.0.1\n"
                         "PidFile \"%2\"\n")
                     .arg(Port)
                     .arg(QDir(Folder).filePath("tinyproxy.pid"))
                     .toUtf8());
    return QStringList{"-d", "-c", Config.fileName()};
}

} // namespace

QString TTinyproxyServer::Executable() {
    return QStandardPaths::findExecutable("tinyproxy", {"/usr/bin", "/usr/sbin"});
}

TTinyproxyServer::TTinyproxyServer() : FProcess(Executable(), kReadyMark, Configure) {}

} // namespace testsupport
