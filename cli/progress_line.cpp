#include "cli/progress_line.h"

#include "cli/cli_command.h"

#include <QLocale>

namespace {

constexpr double kMillisecondsPerSecond = 1000.0;
constexpr int kRateDecimals = 1;

} // namespace

TProgressLine::TProgressLine(QIODevice& err, bool enabled) : FErr(err), FEnabled(enabled) {
    FClock.start();
}

void TProgressLine::Show(qint64 done, std::optional<qint64> total, bool now) {
    if (!FEnabled || (!now && FLastDrawn.isValid() && FLastDrawn.elapsed() < kProgressIntervalMs))
        return;
    FLastDrawn.start();
    const double seconds = static_cast<double>(FClock.elapsed()) / kMillisecondsPerSecond;
    const QLocale locale;
    const QString count =
        total ? QStringLiteral("%1/%2").arg(done).arg(*total) : QString::number(done);
    const QString line =
        QStringLiteral("%1 Adressen, %2 pro Sekunde")
            .arg(count, locale.toString(seconds > 0 ? static_cast<double>(done) / seconds : 0.0,
                                        'f', kRateDecimals));
    // Blanks over what a longer line left behind.
    const QString padding(std::max<qsizetype>(0, FShownLength - line.size()), QLatin1Char(' '));
    WriteUtf8(FErr, QLatin1Char('\r') + line + padding);
    FShownLength = line.size();
}

void TProgressLine::Hide() {
    if (FShownLength == 0)
        return;
    WriteUtf8(FErr,
              QLatin1Char('\r') + QString(FShownLength, QLatin1Char(' ')) + QLatin1Char('\r'));
    FShownLength = 0;
    FLastDrawn.invalidate();
}
