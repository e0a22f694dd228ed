#pragma once

#include "cli/cli_options.h"
#include "query/http_report.h"
#include "query/json_writer.h"

#include <QString>

// What the command line prints for one ended query, as the options ask: the
// report (its marked lines with --lines), then the hops and the received
// header lines when asked, each part after an empty line; or with --json the
// object in `layout`. Server bytes are read as Windows-1252 and made safe for
// a terminal. Ends with a line end.
QString QueryOutputText(const TCliOptions& options, const THttpReportInput& input,
                        TJsonWriter::TLayout layout);
