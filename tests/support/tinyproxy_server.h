#pragma once

#include <cstdint>
#include <string>

#include "tests/support/daemon_process.h"

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

    bool Running() const { return FProcess.Running(); }
    // What tinyproxy wrote, for the message of a failed start.
    std::string Log() const { return FProcess.Log().toStdString(); }
    std::uint16_t Port() const { return FProcess.Port(); }

private:
    TDaemonProcess FProcess;
};

} // namespace testsupport
