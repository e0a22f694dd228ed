#include "tests/util/trace_listener.h"

#include <QDir>
#include <QFile>
#include <array>

namespace {

// qgetenv gives a null array for a variable that is not set.
void Restore(const char* name, const QByteArray& value) {
    value.isNull() ? qunsetenv(name) : qputenv(name, value);
}

} // namespace

TTraceFolders::TTraceFolders()
    : FOldRuntime(qgetenv("XDG_RUNTIME_DIR")), FOldConfig(qgetenv("XDG_CONFIG_HOME")) {
    QDir(FFolder.path()).mkdir(QStringLiteral("config"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(FFolder.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(FFolder.filePath(QStringLiteral("config"))));
}

TTraceFolders::~TTraceFolders() {
    Restore("XDG_RUNTIME_DIR", FOldRuntime);
    Restore("XDG_CONFIG_HOME", FOldConfig);
}

TTraceListener::TTraceListener() : FFd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    const std::optional<sockaddr_un> address =
        tracechannel::SocketAddress(tracechannel::SocketPath());
    FBound = FFd.Valid() && address &&
             ::bind(FFd.Get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0;
}

std::vector<std::string> TTraceListener::Received() {
    std::vector<std::string> blocks;
    std::array<char, tracechannel::kBlockMax + 1> block{};
    for (;;) {
        const ssize_t got = ::recv(FFd.Get(), block.data(), block.size(), MSG_DONTWAIT);
        if (got < 0)
            return blocks;
        blocks.emplace_back(block.data(), static_cast<std::size_t>(got));
    }
}
