#include "cli/hop_list.h"

#include "util/cp1252.h"

namespace {

const QString kColumnGap = QStringLiteral("  ");
constexpr int kTimeDecimals = 1;

QString StatusColumn(const THttpHop& hop) {
    if (!hop.Failure.empty())
        return QStringLiteral("Fehler: ") + FromCp1252(hop.Failure);
    QString status = QString::number(hop.Status);
    if (!hop.Reason.empty())
        status += QLatin1Char(' ') + FromCp1252(hop.Reason);
    return status;
}

} // namespace

QString HopListText(const THttpReportInput& input) {
    QString text;
    int number = 0;
    for (const THttpHop& hop : input.Hops) {
        text += QString::number(++number) + kColumnGap + StatusColumn(hop) + kColumnGap +
                FromCp1252(hop.Url);
        if (hop.Target)
            text += QStringLiteral(" -> ") + FromCp1252(*hop.Target);
        if (hop.Times.Ended)
            text += kColumnGap + QString::number(*hop.Times.Ended, 'f', kTimeDecimals) +
                    QStringLiteral(" ms");
        text += QLatin1Char('\n');
    }
    text +=
        QStringLiteral("Endgültige Adresse: ") + FromCp1252(input.FinalURL()) + QLatin1Char('\n');
    return text;
}
