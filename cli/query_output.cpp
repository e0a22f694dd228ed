#include "cli/query_output.h"

#include "cli/hop_list.h"
#include "cli/terminal_text.h"
#include "query/query_json.h"
#include "query/report_text.h"
#include "util/cp1252.h"

#include <QDateTime>

namespace {

// Windows-1252 lines as they are, one per line.
QString DecodedLines(const std::vector<std::string>& lines) {
    QString text;
    for (const std::string& line : lines) {
        text += FromCp1252(line);
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace

QString QueryOutputText(const TCliOptions& options, const THttpReportInput& input,
                        TJsonWriter::TLayout layout) {
    if (options.Json)
        // The writer escapes every control character itself.
        return queryclient::QueryJson(input, QLocale::system(), QDateTime::currentSecsSinceEpoch(),
                                      layout) +
               QLatin1Char('\n');
    // Report values and header lines are the server's bytes.
    const TReportLines lines = httpreport::ComposeHttpReport(input);
    QString text =
        TerminalText(options.Lines ? DecodedLines(lines) : httpreport::ReportText(lines));
    if (options.Hops)
        text += QLatin1Char('\n') + TerminalText(HopListText(input));
    if (options.Headers && !input.ReceivedHeader.empty())
        text += QLatin1Char('\n') + TerminalText(DecodedLines(input.ReceivedHeader));
    return text;
}
