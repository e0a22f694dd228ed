#include "traceviewer/trace_viewer.h"

#include "base/unique_fd.h"
#include "util/cp1252.h"

#include <QFile>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int kExitSignalled = 0;
constexpr int kExitNoChannel = 1;
// Only the user may send: the temporary folder is shared.
constexpr mode_t kOwnerOnlyMask = 077;
const QString kTimeFormat = QStringLiteral("hh:mm:ss.zzz");
constexpr std::array<const char*, 3> kKindNames = {"Warnung", "Fehler ", "Info   "};

} // namespace

TTraceViewer::TTraceViewer(QString socketPath, std::ostream& out, std::ostream& log)
    : FSocketPath(std::move(socketPath)), FOut(out), FLog(log) {}

int TTraceViewer::Run() {
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    // Taken as events through the signal descriptor instead of killing us
    // before the socket file is removed.
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    TUniqueFd endEvents(::signalfd(-1, &endSignals, SFD_CLOEXEC));
    TUniqueFd channel(Bind());
    if (channel.Get() < 0 || endEvents.Get() < 0)
        return kExitNoChannel;
    FLog << "traceviewer: wartet auf Eintr\u00e4ge an " << FSocketPath.toStdString()
         << " (Strg+C beendet)" << std::endl;

    std::array<char, tracechannel::kBlockMax + 1> block{};
    for (;;) {
        pollfd events[] = {{channel.Get(), POLLIN, 0}, {endEvents.Get(), POLLIN, 0}};
        if (::poll(events, 2, -1) < 0 && errno != EINTR)
            break;
        if (events[1].revents != 0)
            break;
        if (events[0].revents == 0)
            continue;
        // One more byte than a block holds, so that an over-long one is seen.
        const ssize_t got = ::recv(channel.Get(), block.data(), block.size(), MSG_DONTWAIT);
        if (got >= 0)
            Print(block.data(), static_cast<std::size_t>(got));
    }
    ::unlink(QFile::encodeName(FSocketPath).constData());
    FLog << "traceviewer: beendet" << std::endl;
    return kExitSignalled;
}

int TTraceViewer::Bind() {
    const std::optional<sockaddr_un> address = tracechannel::SocketAddress(FSocketPath);
    if (!address) {
        FLog << "traceviewer: der Pfad " << FSocketPath.toStdString() << " ist zu lang"
             << std::endl;
        return -1;
    }
    if (tracechannel::ViewerListens(FSocketPath)) {
        FLog << "traceviewer: an " << FSocketPath.toStdString()
             << " lauscht schon ein anderer Viewer" << std::endl;
        return -1;
    }
    // Nobody listens, so a file left there by a killed viewer is stale.
    ::unlink(address->sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const mode_t oldMask = ::umask(kOwnerOnlyMask);
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0;
    const int error = errno;
    ::umask(oldMask);
    if (bound)
        return fd;
    FLog << "traceviewer: " << FSocketPath.toStdString() << ": " << std::strerror(error)
         << std::endl;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

void TTraceViewer::Print(const char* block, std::size_t size) {
    if (std::optional<TTraceEntry> entry = tracechannel::DecodeBlock({block, size}))
        FOut << FormatEntry(*entry, QTime::currentTime()) << std::endl;
}

std::string TTraceViewer::FormatEntry(const TTraceEntry& entry, const QTime& when) {
    QString text;
    for (const QChar c : FromCp1252(entry.Text)) {
        if (c.category() == QChar::Other_Control)
            text += QStringLiteral("\\x") +
                    QStringLiteral("%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            text += c;
    }
    return (when.toString(kTimeFormat) + QLatin1String("  ") +
            QLatin1String(kKindNames[entry.Kind]) + QLatin1String("  ") + text)
        .toStdString();
}
