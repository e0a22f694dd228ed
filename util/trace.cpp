#include "util/trace.h"

#include "util/cp1252.h"
#include "util/unique_fd.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <cmath>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/pidfd.h>
#include <unistd.h>

namespace {

const QString kIndentStep = QStringLiteral("    ");
const QString kSeparator = QString(30, QLatin1Char('-'));
const QDate kDayZero{1899, 12, 30};
constexpr double kMsPerDay = 24.0 * 60 * 60 * 1000;
// The locale's long time format may add a time zone; a trace wants the clock.
const QString kTimeFormat = QStringLiteral("hh:mm:ss");

// The one indentation prefix of the process.
QString gTraceIndent;

// Waits until a viewer listens, the process `pid` ends or kViewerStartWait
// passes. The socket's folder is watched, so the wait costs no processor time.
bool WaitForViewer(qint64 pid) {
    const QString folder = QFileInfo(tracechannel::SocketPath()).absolutePath();
    TUniqueFd changes(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    TUniqueFd process(::pidfd_open(static_cast<pid_t>(pid), 0));
    if (changes.Get() >= 0)
        ::inotify_add_watch(changes.Get(), QFile::encodeName(folder).constData(),
                            IN_CREATE | IN_MOVED_TO);
    const auto deadline = std::chrono::steady_clock::now() + kViewerStartWait;
    for (;;) {
        if (tracechannel::ViewerListens(tracechannel::SocketPath()))
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || changes.Get() < 0)
            return false;
        pollfd events[] = {{changes.Get(), POLLIN, 0}, {process.Get(), POLLIN, 0}};
        if (::poll(events, 2, static_cast<int>(left.count())) <= 0 || events[1].revents != 0)
            return tracechannel::ViewerListens(tracechannel::SocketPath());
        char drained[4096];
        while (::read(changes.Get(), drained, sizeof drained) > 0) {
        }
    }
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
