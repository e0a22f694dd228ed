#pragma once

#include <QByteArray>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdint>
#include <string>

namespace testsupport {

// Debian's HTTP proxy (tinyproxy) in the foreground on 127.0.0.1, on a free
// port, with a temporary configuration: clients from loopback only, CONNECT
// to any port. Stopped (by its process) when destroyed.
class TTinyproxyServer {
public:
    // Path of tinyproxy, empty when the package is not installed.
    static QString Executable();

    // Starts tinyproxy and waits until it reports that it accepts connections.
    TTinyproxyServer();
    ~TTinyproxyServer();
    TTinyproxyServer(const TTinyproxyServer&) = delete;
    TTinyproxyServer& operator=(const TTinyproxyServer&) = delete;

    bool Running() const { return FProcess.state() == QProcess::Running && FReady; }
    // What tinyproxy wrote, for the message of a failed start and for checks
    // of what it was asked (it is read while the event loop runs).
    std::string Log() const { return FLog.toStdString(); }
    std::uint16_t Port() const { return FPort; }

private:
    void Start(const QString& Tinyproxy, std::uint16_t Port);

    QTemporaryDir FDir;
    QProcess FProcess;
    QByteArray FLog;
    std::uint16_t FPort = 0;
    bool FReady = false;
};

} // namespace testsupport
