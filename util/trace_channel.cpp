#include "util/trace_channel.h"

#include "base/unique_fd.h"
#include "ini/ini_plus.h"
#include "util/data_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tracechannel {

namespace {

const QString kSocketName = QStringLiteral("TfmTraceViewer");
const QString kSocketSuffix = QStringLiteral(".sock");
constexpr char kBlockStart = 1;
constexpr char kViewerIniName[] = "TraceViewer.ini";
constexpr char kViewerSection[] = "TraceViewer";
constexpr char kViewerPathKey[] = "FilePath";
constexpr char kDefaultViewer[] = "traceviewer";

// A datagram socket connected to the viewer; closed with this object.
class TViewerSocket {
public:
    TViewerSocket() : FFd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {}

    bool Connect(const QString& path) {
        // A path the address cannot hold names no viewer.
        const std::optional<sockaddr_un> address = SocketAddress(path);
        return FFd.Valid() && address &&
               ::connect(FFd.Get(), reinterpret_cast<const sockaddr*>(&*address),
                         sizeof *address) == 0;
    }

    // Waits at most kSendWait while the viewer's queue is full.
    void Send(std::string_view block) {
        if (TrySend(block) || errno != EAGAIN)
            return;
        pollfd ready{FFd.Get(), POLLOUT, 0};
        if (::poll(&ready, 1, static_cast<int>(kSendWait.count())) > 0)
            TrySend(block);
    }

private:
    bool TrySend(std::string_view block) {
        ssize_t sent;
        do
            sent = ::send(FFd.Get(), block.data(), block.size(), MSG_NOSIGNAL);
        while (sent < 0 && errno == EINTR);
        return sent >= 0;
    }

    TUniqueFd FFd;
};

} // namespace

QString SocketPath() {
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty())
        return QDir(runtimeDir).filePath(kSocketName + kSocketSuffix);
    // The temporary folder is shared, so the name has to tell the users apart.
    return QDir(QDir::tempPath())
        .filePath(kSocketName + QLatin1Char('-') + QString::number(::getuid()) + kSocketSuffix);
}

std::optional<sockaddr_un> SocketAddress(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (bytes.isEmpty() || static_cast<std::size_t>(bytes.size()) >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, bytes.constData(), bytes.size());
    return address;
}

std::string EncodeBlock(const TTraceEntry& entry) {
    std::string block;
    block.reserve(kBlockMax);
    block += kBlockStart;
    block += static_cast<char>(entry.Kind + 1);
    block.append(entry.Text, 0, kTextMax);
    block += '\0';
    return block;
}

std::optional<TTraceEntry> DecodeBlock(std::string_view block) {
    if (block.size() < kFrameSize || block.size() > kBlockMax || block.front() != kBlockStart ||
        block.back() != '\0')
        return std::nullopt;
    const int kind = static_cast<unsigned char>(block[1]) - 1;
    if (kind < tkWarning || kind > tkInformation)
        return std::nullopt;
    std::string_view text = block.substr(2, block.size() - kFrameSize);
    // The text ends at its first zero, as a C string would.
    text = text.substr(0, text.find('\0'));
    return TTraceEntry{static_cast<TTraceKind>(kind), std::string(text)};
}

bool ViewerListens(const QString& path) {
    return TViewerSocket().Connect(path);
}

bool SendBlock(std::string_view block) {
    TViewerSocket socket;
    if (!socket.Connect(SocketPath()))
        return false;
    socket.Send(block);
    return true;
}

QString ViewerPath() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString iniPath =
        QDir(config).filePath(QLatin1String(datalocation::kVendorFolder) + '/' + kViewerIniName);
    QString path;
    try {
        const TIniPlus ini(QFile::encodeName(iniPath).toStdString());
        path = QFile::decodeName(
                   QByteArray::fromStdString(ini.ReadString(kViewerSection, kViewerPathKey, "")))
                   .trimmed();
    } catch (const std::exception&) {
        // An unreadable file names no viewer; the default still applies.
    }
    if (path.isEmpty())
        path = QDir(QCoreApplication::applicationDirPath()).filePath(kDefaultViewer);
    return path;
}

} // namespace tracechannel
