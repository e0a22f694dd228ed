#include "tests/support/tinyproxy_server.h"

#include <QFile>
#include <QStandardPaths>

#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

namespace testsupport {

namespace {

constexpr int StartAttempts = 3;
constexpr int ProcessWaitMs = 5000;
// tinyproxy writes this once it listens.
constexpr char ReadyMark[] = "Accepting connections";

} // namespace

QString TTinyproxyServer::Executable() {
    return QStandardPaths::findExecutable("tinyproxy", {"/usr/bin", "/usr/sbin"});
}

TTinyproxyServer::TTinyproxyServer() {
    const QString Tinyproxy = Executable();
    if (Tinyproxy.isEmpty() || !FDir.isValid())
        return;
    FProcess.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&FProcess, &QProcess::readyRead, [this] { FLog += FProcess.readAll(); });
    // A free port as the kernel gave it to a listener that is closed again;
    // one taken meanwhile by another program is retried.
    for (int Attempt = 0; Attempt < StartAttempts && !FReady; ++Attempt) {
        const std::uint16_t Port = TScriptedServer({}).Port();
        Start(Tinyproxy, Port);
    }
}

TTinyproxyServer::~TTinyproxyServer() {
    FProcess.terminate();
    FProcess.waitForFinished(ProcessWaitMs); // if it still runs, the QProcess destructor kills it
}

void TTinyproxyServer::Start(const QString& Tinyproxy, std::uint16_t Port) {
    if (FProcess.state() != QProcess::NotRunning) {
        FProcess.kill();
        FProcess.waitForFinished(ProcessWaitMs);
    }
    FPort = Port;
    FLog.clear();
    QFile Config(FDir.filePath("tinyproxy.conf"));
    if (!Config.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    // Without any ConnectPort line CONNECT may go to every port.
    Config.write(QString("Port %1\n"
                         "Listen 127.0.0.1\n"
                         "Timeout 60\n"
                         "LogLevel Info\n"
                         "MaxClients 10\n"
                         "Allow 127.0.0.1\n"
                         "PidFile \"%2\"\n")
                     .arg(Port)
                     .arg(FDir.filePath("tinyproxy.pid"))
                     .toUtf8());
    Config.close();
    FProcess.start(Tinyproxy, {"-d", "-c", Config.fileName()});
    if (!FProcess.waitForStarted(ProcessWaitMs))
        return;
    WaitUntil([&] { return FLog.contains(ReadyMark) || FProcess.state() == QProcess::NotRunning; });
    FReady = FProcess.state() == QProcess::Running && FLog.contains(ReadyMark);
}

} // namespace testsupport
