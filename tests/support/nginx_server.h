#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <string>

namespace testsupport {

// nginx in the foreground on 127.0.0.1, with every path it writes inside a
// temporary folder. The caller gives the server blocks of its configuration;
// in them %1 stands for that folder (which has an empty `www/`), %2 for a
// free port and %3 for a second one. Stopped (by its process) when destroyed.
class TNginxServer {
public:
    explicit TNginxServer(const QString& ServerBlocks);
    ~TNginxServer();
    TNginxServer(const TNginxServer&) = delete;
    TNginxServer& operator=(const TNginxServer&) = delete;

    // Empty while nginx runs; else why it does not.
    const std::string& Failure() const { return FFailure; }
    int Port() const { return FPort; }
    int SecondPort() const { return FSecondPort; }
    // A path inside the folder, such as "www/file.txt".
    QString FilePath(const QString& Name) const { return FDir.filePath(Name); }
    std::string Url(const std::string& Path, const std::string& Scheme = "http") const;
    std::string SecondUrl(const std::string& Path, const std::string& Scheme = "https") const;

private:
    bool Start(const QString& Nginx, const QString& ServerBlocks);

    QTemporaryDir FDir;
    QProcess FProcess;
    int FPort = 0;
    int FSecondPort = 0;
    std::string FFailure;
};

} // namespace testsupport
