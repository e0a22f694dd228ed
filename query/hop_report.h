#pragma once

#include "query/http_report.h"

#include <QLocale>

#include <cstdint>

namespace httpreport {

// The detail lines that the detailed view shows after the report, made from
// the query's hop records. For each hop, after an empty line, the heading
// "Schritt N: " + its status text ("Moved Permanently (301)"; a failed hop's
// failure text instead), then value lines: the address asked, the server
// connected to, the redirection target it resolved to, the times of its
// phases in one line (milliseconds since the hop began, one decimal,
// `locale`'s separators; phases that did not happen are left out), how the
// connection was encrypted with the days the certificate has left at
// `nowSeconds` (seconds since 1970, UTC), and every header line as
// received. Last, after an empty line, "Endgültige Adresse" and the address
// the query ended at. Windows-1252; the server's bytes stay as they came.
TReportLines ComposeHopReport(const THttpReportInput& input, const QLocale& locale,
                              std::int64_t nowSeconds);

} // namespace httpreport
