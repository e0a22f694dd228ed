#pragma once

#include "query/http_report.h"

class THttpClient;

namespace queryclient {

// What the report is made of after one request of `client` has ended:
// the address it was given (UTF-8, written in the report's code page) and
// the results of the last response, and the records of every hop.
// `success` tells whether the request ended without an exception.
THttpReportInput QueryReportInput(const THttpClient& client, bool success);

} // namespace queryclient
