#pragma once

#include "query/report_line.h"

#include <QString>

namespace httpreport {

// The report as the result list shows it, for the clipboard, a saved file and
// the terminal: headings without their markers, value lines indented by two
// blanks, separators as empty lines; every line ends with "\n".
QString ReportText(const TReportLines& lines);

} // namespace httpreport
