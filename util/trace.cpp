#include "util/trace.h"

#include "base/unique_fd.h"
#include "util/cp1252.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <array>
#include <cmath>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QString kIndentStep = QStringLiteral("    ");
const QString kSeparator = QString(30, QLatin1Char('-'));
const QDate kDayZero{1899, 12, 30};
constexpr double kMsPerDay = 24.0 * 60 * 60 * 1000;
// 31 December 9999.
constexpr double kLastDay = 2958465;
// The locale's long time format may add a time zone; a trace wants the clock.
const QString kTimeFormat = QStringLiteral("hh:mm:ss");

// Room for a few folder change events per read.
constexpr std::size_t kFolderEventsBufferSize = 4096;

// The one indentation prefix of the process.
QString gTraceIndent;

// Waits until a viewer listens at the channel's socket, the process `pid`
// ends or kViewerStartWait passes. It sleeps on the socket's folder (inotify)
// and on the process (pidfd), so the wait costs no processor time.
bool WaitForViewer(qint64 pid) {
    const QString socketPath = tracechannel::SocketPath();
    const QByteArray folder = QFile::encodeName(QFileInfo(socketPath).absolutePath());
    const TUniqueFd changes(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    // Called directly: this C library's header lacks C linkage for it.
    const TUniqueFd process(
        static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0)));
    // Nothing to wait on: the viewer has ended already, or the system cannot
    // tell when the socket comes.
    if (!changes.Valid() || !process.Valid() ||
        ::inotify_add_watch(changes.Get(), folder.constData(), IN_CREATE | IN_MOVED_TO) < 0)
        return tracechannel::ViewerListens(socketPath);
    const auto deadline = std::chrono::steady_clock::now() + kViewerStartWait;
    while (!tracechannel::ViewerListens(socketPath)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd events[] = {{changes.Get(), POLLIN, 0}, {process.Get(), POLLIN, 0}};
        if (left.count() <= 0 || ::poll(events, 2, static_cast<int>(left.count())) <= 0 ||
            events[1].revents != 0)
            return tracechannel::ViewerListens(socketPath);
        std::array<char, kFolderEventsBufferSize> drained;
        while (::read(changes.Get(), drained.data(), drained.size()) > 0) {
        }
    }
    return true;
}

} // namespace

void TraceMsgEx(const QString& Msg, TTraceKind Kind) {
    const std::string block =
        tracechannel::EncodeBlock(TTraceEntry{Kind, ToCp1252(gTraceIndent + Msg)});
    if (!tracechannel::SendBlock(block) && StartTraceViewer())
        tracechannel::SendBlock(block);
}

void TraceMsg(const QString& Msg) {
    TraceMsgEx(Msg, tkInformation);
}

void TraceMethodEnter(const QString& Name) {
    gTraceIndent += kIndentStep;
    TraceMsg(QStringLiteral("Entering ") + Name);
}

void TraceMethodExit(const QString& Name) {
    TraceMsg(QStringLiteral("Exiting ") + Name);
    gTraceIndent.chop(kIndentStep.size());
}

void TraceSeparator() {
    TraceMsg(kSeparator);
}

void TraceBoolean(const QString& Msg, bool Value) {
    TraceMsg(Msg + (Value ? QStringLiteral("= True") : QStringLiteral("= False")));
}

void TraceInteger(const QString& Msg, int Value) {
    TraceMsg(QStringLiteral("%1 = %2").arg(Msg).arg(Value));
}

void TraceDateTime(const QString& Msg, TDateTime Value) {
    TraceMsg(Msg + QLatin1Char('=') + TraceDateTimeText(Value));
}

QString TraceDateTimeText(TDateTime Value) {
    // Beyond the years a date text can show, the number itself is the most
    // honest trace.
    if (!(std::fabs(Value) <= kLastDay))
        return QString::number(Value);
    // Before day zero the whole days count backwards while the time of day
    // still runs forwards.
    const double days = std::trunc(Value);
    const QDateTime when(
        kDayZero.addDays(static_cast<qint64>(days)),
        QTime(0, 0).addMSecs(static_cast<int>(std::round(std::fabs(Value - days) * kMsPerDay))));
    return QLocale::system().toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           when.time().toString(kTimeFormat);
}

bool StartTraceViewer() {
    const QString program = tracechannel::ViewerPath();
    if (program.isEmpty() || !QFileInfo(program).isFile())
        return false;
    qint64 pid = 0;
    if (!QProcess::startDetached(program, {}, QString(), &pid))
        return false;
    return WaitForViewer(pid);
}

QString StrReplaceAll(const QString& Source, const QString& Find, const QString& Replace) {
    if (Find.isEmpty())
        return Source;
    // QString::replace scans from the left and never rescans inserted text.
    return QString(Source).replace(Find, Replace);
}
