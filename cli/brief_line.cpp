#include "cli/brief_line.h"

#include "cli/terminal_text.h"
#include "http/http_failure_kind.h"
#include "query/header_value.h"
#include "util/cp1252.h"

namespace {

constexpr int kTimeDecimals = 1;
const QString kAbsent = QStringLiteral("-");

// A value that cannot break the columns or reach the terminal as control.
QString Field(const QString& text) {
    return TerminalText(text)
        .replace(QLatin1Char('\t'), QStringLiteral("\\x09"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\x0a"));
}

QString Status(const THttpReportInput& input) {
    return input.Answered() ? QString::number(input.StatusCode) : kAbsent;
}

QString ContentType(const THttpReportInput& input) {
    const std::optional<std::string_view> type =
        httpreport::FieldValue(input.FinalHeader(), "Content-Type");
    return type && !type->empty() ? Field(FromCp1252(std::string(*type))) : kAbsent;
}

QString Error(const THttpReportInput& input) {
    if (input.Success)
        return {};
    const std::string_view kind =
        FailureKindName(FailureKindOf(input.RequestError, input.StatusCode, input.TimedOut));
    return QString::fromLatin1(kind.data(), static_cast<qsizetype>(kind.size())) +
           QStringLiteral(": ") + Field(FromCp1252(input.ReasonPhrase));
}

} // namespace

QString BriefLine(const THttpReportInput& input, double elapsedMs) {
    const QStringList columns{
        Status(input),
        Field(FromCp1252(input.FinalURL())),
        input.ContentLength >= 0 ? QString::number(input.ContentLength) : kAbsent,
        ContentType(input),
        QString::number(elapsedMs, 'f', kTimeDecimals),
        QString::number(input.Hops.size()),
        Error(input),
    };
    return columns.join(QLatin1Char('\t')) + QLatin1Char('\n');
}
