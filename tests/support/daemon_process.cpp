#include "tests/support/daemon_process.h"

#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

namespace testsupport {

namespace {

constexpr int kStartAttempts = 3;
constexpr int kProcessWaitMs = 5000;

} // namespace

TDaemonProcess::TDaemonProcess(const QString& Program, const QByteArray& ReadyMark,
                               TConfigure Configure)
    : FReadyMark(ReadyMark), FConfigure(std::move(Configure)) {
    if (Program.isEmpty() || !FDir.isValid())
        return;
    FProcess.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&FProcess, &QProcess::readyRead, [this] { FLog += FProcess.readAll(); });
    // A free port: one the kernel gave a listener that is closed again.
    for (int Attempt = 0; Attempt < kStartAttempts && !FReady; ++Attempt) {
        const std::uint16_t Port = TScriptedServer({}).Port();
        Start(Program, Port);
    }
}

TDaemonProcess::~TDaemonProcess() {
    FProcess.terminate();
    FProcess.waitForFinished(kProcessWaitMs); // if it still runs, the QProcess destructor kills it
}

void TDaemonProcess::Start(const QString& Program, std::uint16_t Port) {
    if (FProcess.state() != QProcess::NotRunning) {
        FProcess.kill();
        FProcess.waitForFinished(kProcessWaitMs);
    }
    FPort = Port;
    FLog.clear();
    const std::optional<QStringList> Arguments = FConfigure(FDir.path(), Port);
    if (!Arguments)
        return;
    FProcess.start(Program, *Arguments);
    if (!FProcess.waitForStarted(kProcessWaitMs))
        return;
    WaitUntil(
        [&] { return FLog.contains(FReadyMark) || FProcess.state() == QProcess::NotRunning; });
    FReady = FProcess.state() == QProcess::Running && FLog.contains(FReadyMark);
}

} // namespace testsupport
