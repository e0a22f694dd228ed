#pragma once

#include "base/unique_fd.h"
#include "util/trace_channel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <string>
#include <vector>

#include <sys/socket.h>

// Gives the test its own runtime and configuration folders, so that no real
// viewer and no installed viewer path are seen.
class TTraceFolders {
public:
    TTraceFolders() {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(FFolder.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(FFolder.filePath(QStringLiteral("config"))));
    }
    ~TTraceFolders() {
        Restore("XDG_RUNTIME_DIR", FOldRuntime);
        Restore("XDG_CONFIG_HOME", FOldConfig);
    }
    QString Path() const { return FFolder.path(); }
    // Writes a viewer settings file whose FilePath line reads `value`.
    bool NameViewer(const QByteArray& value) const {
        QDir().mkpath(FFolder.filePath(QStringLiteral("config/Vendrix")));
        QFile ini(FFolder.filePath(QStringLiteral("config/Vendrix/TraceViewer.ini")));
        return ini.open(QIODevice::WriteOnly) &&
               ini.write("[TraceViewer]\r\nFilePath=" + value + "\r\n") > 0;
    }

private:
    // qgetenv gives a null array for a variable that is not set.
    static void Restore(const char* name, const QByteArray& value) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }

    QTemporaryDir FFolder;
    QByteArray FOldRuntime = qgetenv("XDG_RUNTIME_DIR");
    QByteArray FOldConfig = qgetenv("XDG_CONFIG_HOME");
};

// A listener bound to the trace channel in place of a viewer; it reads only
// when asked.
class TTraceListener {
public:
    TTraceListener() {
        const auto address = tracechannel::SocketAddress(tracechannel::SocketPath());
        FBound =
            FFd.Valid() && address &&
            ::bind(FFd.Get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0;
    }
    bool Bound() const { return FBound; }

    // The blocks that have arrived, in order.
    std::vector<std::string> Received() {
        std::vector<std::string> blocks;
        std::array<char, tracechannel::kBlockMax + 1> block{};
        ssize_t got;
        while ((got = ::recv(FFd.Get(), block.data(), block.size(), MSG_DONTWAIT)) >= 0)
            blocks.emplace_back(block.data(), static_cast<std::size_t>(got));
        return blocks;
    }

private:
    TUniqueFd FFd{::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)};
    bool FBound = false;
};
