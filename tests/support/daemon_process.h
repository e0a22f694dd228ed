#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <optional>

namespace testsupport {

// A server program of the system in the foreground on a free loopback port,
// with a configuration in a temporary folder; what it writes is collected
// while the event loop runs. Stopped (by its process) when destroyed.
class TDaemonProcess {
public:
    // Writes the configuration for Port into Folder and returns the
    // program's arguments; nothing when the configuration cannot be written.
    using TConfigure =
        std::function<std::optional<QStringList>(const QString& Folder, std::uint16_t Port)>;

    // Starts Program (nothing happens when it is empty) and waits until its
    // output holds ReadyMark. A port taken meanwhile by another program is retried.
    TDaemonProcess(const QString& Program, const QByteArray& ReadyMark, TConfigure Configure);
    ~TDaemonProcess();
    TDaemonProcess(const TDaemonProcess&) = delete;
    TDaemonProcess& operator=(const TDaemonProcess&) = delete;

    bool Running() const { return FProcess.state() == QProcess::Running && FReady; }
    const QByteArray& Log() const { return FLog; }
    std::uint16_t Port() const { return FPort; }

private:
    void Start(const QString& Program, std::uint16_t Port);

    QByteArray FReadyMark;
    TConfigure FConfigure;
    QTemporaryDir FDir;
    QProcess FProcess;
    QByteArray FLog;
    std::uint16_t FPort = 0;
    bool FReady = false;
};

} // namespace testsupport
