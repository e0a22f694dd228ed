#pragma once

#include "query/http_report.h"
#include "query/json_writer.h"

#include <QLocale>
#include <QString>

#include <cstdint>

namespace queryclient {

// The result of one query as one JSON object, for programs: its members
// in this order and form (texts UTF-8, the server's bytes read as
// Windows-1252; null for what is absent; times in milliseconds since the
// hop began, one decimal):
//   "url"     the address as typed
//   "ok"      true when the report has no error section
//   "error"   null, or {"kind": FailureKindName, "message": the reason}
//   "hops"    per hop {"url", "method", "proxy", "address", "port",
//             "version", "status", "reason", "location", "target",
//             "headers": [[name, value], ...] without the status line,
//             "tls": {"protocol", "cipher", "subject", "issuer",
//             "not_after" (ISO 8601, UTC), "days_left" (at `nowSeconds`)},
//             "time_ms": {"lookup", "connect", "tls", "first_byte", "total"},
//             "error": the hop's failure}
//   "final"   {"url": where the query ended, "status" and "reason" of the
//             last answer (null after a local failure), "content_length",
//             "content_type", "server", "date", "last_modified"}
//   "report"  the report's lines as the plain output prints them
// The report is composed with `locale`. No line end after the object.
QString QueryJson(const THttpReportInput& input, const QLocale& locale, std::int64_t nowSeconds,
                  TJsonWriter::TLayout layout = TJsonWriter::TLayout::Indented);

} // namespace queryclient
