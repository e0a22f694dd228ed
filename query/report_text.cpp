#include "query/report_text.h"

#include "util/cp1252.h"

namespace httpreport {

QString ReportText(const TReportLines& lines) {
    QString text;
    for (const std::string& line : lines) {
        text += FromCp1252(reportline::ShownText(line));
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace httpreport
