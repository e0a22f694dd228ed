#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <string>

#include "tests/support/daemon_process.h"

namespace testsupport {

// Debian's Apache 2.4 (apache2) in the foreground on 127.0.0.1, on a free
// port, with a temporary configuration of its own (pid file, error log,
// mutexes and documents in one temporary folder, the event MPM, mod_alias,
// mod_dir, mod_mime and mod_asis), so that no system service is involved.
// Stopped (by its process) when destroyed.
class TApacheServer {
public:
    // Path of apache2, empty when the package is not installed.
    static QString Executable();

    // Serves `Files` (path below the document root -> content; ".asis" files
    // are sent as they are) with `Directives` added to the configuration,
    // and waits until Apache reports that it runs.
    TApacheServer(const QString& Directives, const std::map<QString, QByteArray>& Files);

    bool Running() const { return FProcess.Running(); }
    // What Apache wrote to its error log, for the message of a failed start.
    std::string Log() const { return FProcess.Log().toStdString(); }
    std::uint16_t Port() const { return FProcess.Port(); }
    std::string Url(const std::string& Path) const {
        return "http://127.0.0.1:" + std::to_string(Port()) + Path;
    }

private:
    TDaemonProcess FProcess;
};

} // namespace testsupport
