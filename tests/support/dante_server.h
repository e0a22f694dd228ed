#pragma once

#include <cstdint>
#include <string>

#include "tests/support/daemon_process.h"

namespace testsupport {

// Debian's SOCKS server (danted) in the foreground on 127.0.0.1, on a free
// port, with a temporary configuration: SOCKS 4 and 5 without authentication,
// from loopback to loopback only (::1 too, where the machine has it). Stopped
// (by its process) when destroyed.
class TDanteServer {
public:
    // Path of danted, empty when the package dante-server is not installed.
    static QString Executable();

    // Starts danted and waits until it reports that it runs.
    TDanteServer();

    bool Running() const { return FProcess.Running(); }
    // What danted wrote, for the message of a failed start.
    std::string Log() const { return FProcess.Log().toStdString(); }
    // Connections made for clients so far, as far as the log has been read
    // (it is read while the event loop runs).
    int Connections() const;
    std::uint16_t Port() const { return FProcess.Port(); }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(Port()); }

private:
    TDaemonProcess FProcess;
};

} // namespace testsupport
