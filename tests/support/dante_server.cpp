#include "tests/support/dante_server.h"

#include <QFile>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

namespace testsupport {

namespace {

constexpr int StartAttempts = 3;
constexpr int ProcessWaitMs = 5000;
// danted writes this to its log once it listens.
constexpr char ReadyMark[] = " running";
// ... and this for every connection it makes for a client.
constexpr char ConnectMark[] = "tcp/connect [";

// danted switches to these users for its work; the one running the test can
// always be switched to (root in CI, where danted warns about it and goes on).
QString CurrentUser() {
    const passwd* Entry = getpwuid(getuid());
    return Entry != nullptr ? QString::fromLocal8Bit(Entry->pw_name) : QStringLiteral("nobody");
}

} // namespace

QString TDanteServer::Executable() {
    return QStandardPaths::findExecutable("danted", {"/usr/sbin", "/usr/local/sbin"});
}

TDanteServer::TDanteServer() {
    const QString Danted = Executable();
    if (Danted.isEmpty() || !FDir.isValid())
        return;
    FProcess.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&FProcess, &QProcess::readyRead, [this] { FLog += FProcess.readAll(); });
    // A free port: one the kernel gave a listener that is closed again. One
    // taken between that probe and danted's own bind is retried.
    for (int Attempt = 0; Attempt < StartAttempts && !FReady; ++Attempt) {
        const std::uint16_t Port = TScriptedServer({}).Port();
        Start(Danted, Port);
    }
}

int TDanteServer::Connections() const {
    return static_cast<int>(FLog.count(ConnectMark));
}

TDanteServer::~TDanteServer() {
    FProcess.terminate();
    FProcess.waitForFinished(ProcessWaitMs); // if it still runs, the QProcess destructor kills it
}

void TDanteServer::Start(const QString& Danted, std::uint16_t Port) {
    if (FProcess.state() != QProcess::NotRunning) {
        FProcess.kill();
        FProcess.waitForFinished(ProcessWaitMs);
    }
    FPort = Port;
    FLog.clear();
    QFile Config(FDir.filePath("danted.conf"));
    if (!Config.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    const QString User = CurrentUser();
    Config.write(QString("logoutput: stderr\n"
                         "internal: 127.0.0.1 port = %1\n"
                         "external: 127.0.0.1\n"
                         "socksmethod: none\n"
                         "clientmethod: none\n"
                         "user.privileged: %2\n"
                         "user.unprivileged: %2\n"
                         "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                         "socks pass { from: 127.0.0.0/8 to: 127.0.0.0/8 log: connect }\n")
                     .arg(Port)
                     .arg(User)
                     .toUtf8());
    Config.close();
    FProcess.start(Danted, {"-f", Config.fileName(), "-p", FDir.filePath("danted.pid")});
    if (!FProcess.waitForStarted(ProcessWaitMs))
        return;
    WaitUntil([&] { return FLog.contains(ReadyMark) || FProcess.state() == QProcess::NotRunning; });
    FReady = FProcess.state() == QProcess::Running && FLog.contains(ReadyMark);
}

} // namespace testsupport
