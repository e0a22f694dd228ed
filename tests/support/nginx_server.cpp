#include "tests/support/nginx_server.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QStandardPaths>

#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

namespace testsupport {

namespace {

constexpr int kStartAttempts = 3;
constexpr int kProcessTimeoutMs = 5000;

} // namespace

TNginxServer::TNginxServer(const QString& ServerBlocks) {
    QString Nginx = QStandardPaths::findExecutable("nginx");
    if (Nginx.isEmpty())
        Nginx = QStandardPaths::findExecutable("nginx", {"/usr/sbin", "/usr/local/sbin"});
    if (Nginx.isEmpty()) {
        FFailure = "nginx is not installed (looked in PATH, /usr/sbin and /usr/local/sbin); "
                   "install the Debian package nginx (scripts/deps.sh lists it)";
        return;
    }
    if (!FDir.isValid() || !QDir(FDir.path()).mkpath("www")) {
        FFailure = "cannot make nginx's folder";
        return;
    }
    // Free ports: ones the kernel gave listeners that are closed again. One
    // taken between that probe and nginx's own bind is retried.
    for (int Attempt = 0; Attempt < kStartAttempts; ++Attempt)
        if (Start(Nginx, ServerBlocks))
            return;
    QFile Log(FDir.filePath("error.log"));
    FFailure = "nginx did not start:\n" +
               (Log.open(QIODevice::ReadOnly) ? Log.readAll().toStdString() : std::string()) +
               FProcess.readAllStandardError().toStdString();
}

TNginxServer::~TNginxServer() {
    FProcess.terminate();
    FProcess.waitForFinished(kProcessTimeoutMs); // if it still runs, QProcess kills it
}

// Waits until nginx listens: it writes its pid file after opening the sockets.
bool TNginxServer::Start(const QString& Nginx, const QString& ServerBlocks) {
    {
        const TScriptedServer First({});
        const TScriptedServer Second({});
        FPort = First.Port();
        FSecondPort = Second.Port();
    }
    const QString Dir = FDir.path(), PidFile = FDir.filePath("nginx.pid");
    QFile::remove(PidFile);
    QFile Config(FDir.filePath("nginx.conf"));
    if (!Config.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    Config.write(QString("daemon off; master_process off; pid %1/nginx.pid;\n"
                         "error_log %1/error.log; events { worker_connections 32; }\n"
                         "http { access_log %1/access.log; client_body_temp_path %1/body;\n"
                         "  proxy_temp_path %1/proxy; fastcgi_temp_path %1/fastcgi;\n"
                         "  uwsgi_temp_path %1/uwsgi; scgi_temp_path %1/scgi;\n"
                         "  types { text/plain txt; text/html html; }\n"
                         "  default_type application/octet-stream;\n" +
                         ServerBlocks + "\n}\n")
                     .replace("%1", Dir)
                     .replace("%2", QString::number(FPort))
                     .replace("%3", QString::number(FSecondPort))
                     .toUtf8());
    Config.close();
    QFileSystemWatcher Watcher({Dir}); // wakes the wait when the pid file appears
    FProcess.start(Nginx, {"-p", Dir, "-c", Config.fileName(), "-e", Dir + "/error.log"});
    if (!FProcess.waitForStarted(kProcessTimeoutMs))
        return false;
    WaitUntil([&] { return QFile::exists(PidFile) || FProcess.state() == QProcess::NotRunning; });
    return FProcess.state() == QProcess::Running && QFile::exists(PidFile);
}

std::string TNginxServer::Url(const std::string& Path, const std::string& Scheme) const {
    return Scheme + "://127.0.0.1:" + std::to_string(FPort) + Path;
}

std::string TNginxServer::SecondUrl(const std::string& Path, const std::string& Scheme) const {
    return Scheme + "://127.0.0.1:" + std::to_string(FSecondPort) + Path;
}

} // namespace testsupport
