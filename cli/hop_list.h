#pragma once

#include "query/http_report.h"

#include <QString>

// The hops of a query for --hops, one line each: its number, its status
// code and the server's reason phrase (or "Fehler: " and its failure), the
// address asked, " -> " and the target when a "location" was resolved, and
// the time from its start to its end in milliseconds with one decimal, the
// columns two blanks apart:
//   1  301 Moved Permanently  http://h/a -> http://h/b  1.2 ms
// then "Endgültige Adresse: " and the address the query ended at. Every line
// ends with "\n"; the server's bytes are read as Windows-1252.
QString HopListText(const THttpReportInput& input);
