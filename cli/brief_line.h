#pragma once

#include "query/http_report.h"

#include <QString>

// The line --brief prints for one ended query, its columns separated by tabs:
// the final status code, the final address, the size in bytes, the content
// type, the time from the start to the end in milliseconds (one decimal), the
// number of hops and, when the query failed, what ended it ("http: Not
// Found", "connect: Connection refused ..."). An absent value is "-", the
// error column is then empty. The server's bytes are read as Windows-1252;
// control characters, tabs and line ends inside a value are written as
// escapes ("\x09"), so that every line keeps its seven columns. Ends with a
// line end.
QString BriefLine(const THttpReportInput& input, double elapsedMs);
