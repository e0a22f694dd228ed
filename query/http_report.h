#pragma once

#include "query/report_line.h"

#include "http/http_hop.h"
#include "net/tls_peer_info.h"

#include <QLocale>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What the report is made of: the results of one request, as the HTTP client
// leaves them, plus what the caller knows about the request. All texts are
// Windows-1252 bytes.
struct THttpReportInput {
    std::string URL;                         // the address as typed
    int StatusCode = 0;                      // of the last response; 0 when none arrived
    std::string ReasonPhrase;                // the server's, or the client's failure text
    std::int64_t ContentLength = -1;         // -1 when no response had a length
    std::vector<std::string> ReceivedHeader; // every response's lines, in arrival order
    std::size_t FinalHeaderStart = 0;        // index of the last response's first line
    bool Success = false;                    // the request ended without an exception
    double TransferRate = 0.0;               // bytes per second of a body transfer; 0: none
    std::optional<TTlsPeerInfo> Tls;         // of the last response's connection; none: plain
    std::uint16_t RequestError = 0;          // the client's RequestDoneError; 0: none
    bool TimedOut = false;                   // the caller aborted it when its time ran out
    bool HeadRefused = false;                // the results come from a GET after a refused HEAD
    std::vector<THttpHop> Hops;              // one record per hop, in order

    // The address the request ended at: the last hop's, the typed one
    // while there is none.
    const std::string& FinalURL() const { return Hops.empty() ? URL : Hops.back().Url; }
    // The lines of the last response, its status line first.
    std::span<const std::string> FinalHeader() const {
        return std::span<const std::string>(ReceivedHeader)
            .subspan(std::min(FinalHeaderStart, ReceivedHeader.size()));
    }
    // Whether the status is a server's: after a local failure it is the
    // client's 404.
    bool Answered() const { return RequestError == 0 && StatusCode != 0; }
};

namespace httpreport {

// The German HTTP report for one request: the address, the status (or the
// error section when the request failed) with a note when the server refused
// HEAD and the results come from a GET, the redirection target when there
// was one (the first response's), then size, type, the transfer rate when one
// was measured, server, date and last modification, all of the last response,
// the one whose status is shown, and how that response was encrypted when it
// came over TLS. Header values are shown as the server sent them, without the
// blanks around them, whatever the case of their field names; the size and
// the rate are formatted with `locale`'s separators, the end of the
// certificate's validity as its short date.
TReportLines ComposeHttpReport(const THttpReportInput& input,
                               const QLocale& locale = QLocale::system());

} // namespace httpreport
