#pragma once

#include <QByteArray>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdint>
#include <string>

namespace testsupport {

// Debian's SOCKS server (danted) in the foreground on 127.0.0.1, on a free
// port, with a temporary configuration: SOCKS 4 and 5 without authentication,
// from and to loopback only. Stopped (by its process) when destroyed.
class TDanteServer {
public:
    // Path of danted, empty when the package dante-server is not installed.
    static QString Executable();

    // Starts danted and waits until it reports that it runs.
    TDanteServer();
    ~TDanteServer();
    TDanteServer(const TDanteServer&) = delete;
    TDanteServer& operator=(const TDanteServer&) = delete;

    bool Running() const { return FProcess.state() == QProcess::Running && FReady; }
    // What danted wrote, for the message of a failed start.
    std::string Log() const { return FLog.toStdString(); }
    // Connections made for clients so far, as far as the log has been read
    // (it is read while the event loop runs).
    int Connections() const;
    std::uint16_t Port() const { return FPort; }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(FPort); }

private:
    void Start(const QString& Danted, std::uint16_t Port);

    QTemporaryDir FDir;
    QProcess FProcess;
    QByteArray FLog;
    std::uint16_t FPort = 0;
    bool FReady = false;
};

} // namespace testsupport
