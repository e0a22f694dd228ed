#pragma once

#include "query/http_report.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Hop records made by hand, shaped as the client leaves them for a local
// nginx (HTTP/1.1 answers to HTTP/1.0 requests) and for the usual failures.
namespace testsupport {

// 2026-12-07 21:00:00 UTC, the "now" of the days a certificate has left.
inline constexpr std::int64_t kHopRecordsNow = 1796677200;
inline constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

inline THttpHop NginxHop(const std::string& path, int status, const std::string& reason,
                         const std::vector<std::string>& fields) {
    THttpHop hop;
    hop.Url = "http://127.0.0.1:8080" + path;
    hop.Method = "HEAD";
    hop.Address = "127.0.0.1";
    hop.Port = 8080;
    hop.Version = "HTTP/1.1";
    hop.Status = status;
    hop.Reason = reason;
    hop.HeaderLines = {"HTTP/1.1 " + std::to_string(status) + " " + reason, "Server: nginx/1.22.1",
                       "Date: Mon, 07 Dec 2026 20:00:00 GMT"};
    hop.HeaderLines.insert(hop.HeaderLines.end(), fields.begin(), fields.end());
    hop.Times = {0.1, 0.3, std::nullopt, 0.4, 1.2, 1.3, 1.4};
    return hop;
}

inline THttpHop RedirectHop(const std::string& path, int status, const std::string& reason,
                            const std::string& location, const std::string& target) {
    THttpHop hop = NginxHop(path, status, reason,
                            {"Content-Type: text/html", "Content-Length: 169", "Connection: close",
                             "Location: " + location});
    hop.Location = location;
    hop.Target = target;
    return hop;
}

// The query's results once the hops are over: every hop's lines, the last
// hop's values.
inline THttpReportInput InputOf(const std::string& url, std::vector<THttpHop> hops) {
    THttpReportInput input;
    input.URL = url;
    for (const THttpHop& hop : hops) {
        input.FinalHeaderStart = input.ReceivedHeader.size();
        input.ReceivedHeader.insert(input.ReceivedHeader.end(), hop.HeaderLines.begin(),
                                    hop.HeaderLines.end());
    }
    input.StatusCode = hops.back().Status;
    input.ReasonPhrase = hops.back().Reason;
    input.Success = input.StatusCode < 400;
    input.Hops = std::move(hops);
    return input;
}

// http://127.0.0.1:8080/a: 301 to /b, 302 to /c (given as a path), 200.
inline THttpReportInput RedirectChain() {
    THttpReportInput input =
        InputOf("http://127.0.0.1:8080/a",
                {RedirectHop("/a", 301, "Moved Permanently", "http://127.0.0.1:8080/b",
                             "http://127.0.0.1:8080/b"),
                 RedirectHop("/b", 302, "Moved Temporarily", "/c", "http://127.0.0.1:8080/c"),
                 NginxHop("/c", 200, "OK",
                          {"Content-Type: text/html", "Content-Length: 12800",
                           "Last-Modified: Sun, 01 Mar 2026 08:30:00 GMT", "Connection: close"})});
    input.ContentLength = 12800;
    return input;
}

// https://localhost:8443/ with a certificate that ends at noon (UTC) on
// 31 January 2027, 54 days and 15 hours after kHopRecordsNow.
inline THttpReportInput TlsAnswer() {
    THttpHop hop = NginxHop("/", 200, "OK", {"Content-Type: text/html", "Content-Length: 0"});
    hop.Url = "https://localhost:8443/";
    hop.Port = 8443;
    hop.Tls = TTlsPeerInfo{"TLSv1.3", "TLS_AES_256_GCM_SHA384", "localhost", "Quorvik Test CA",
                           kHopRecordsNow + 54 * kSecondsPerDay + 15 * 3600};
    hop.Times = {0.1, 0.3, 4.1, 4.2, 5.0, 5.1, 5.2};
    THttpReportInput input = InputOf(hop.Url, {hop});
    input.ContentLength = 0;
    input.Tls = hop.Tls;
    return input;
}

// Empty when the times a hop has are not negative and follow the order of
// the phases (lookup, connection, TLS, request, first byte, header end,
// end); otherwise the first phase out of order. Phases it lacks are skipped.
inline std::string TimesOutOfOrder(const THttpHopTimes& times) {
    const std::pair<const char*, std::optional<double>> phases[] = {
        {"lookup", times.LookupDone},    {"connected", times.Connected},
        {"tls", times.TlsDone},          {"request sent", times.RequestSent},
        {"first byte", times.FirstByte}, {"header ended", times.HeaderEnded},
        {"ended", times.Ended}};
    double last = 0;
    for (const auto& [name, time] : phases) {
        if (!time)
            continue;
        if (*time < last)
            return std::string(name) + " at " + std::to_string(*time) + " ms";
        last = *time;
    }
    return {};
}

// A query that ended on this side with `error` and `failure` as the reason.
inline THttpReportInput Failed(THttpReportInput input, std::uint16_t error,
                               const std::string& failure) {
    input.Hops.back().Failure = failure;
    input.StatusCode = 404;
    input.ReasonPhrase = failure;
    input.RequestError = error;
    input.Success = false;
    input.ContentLength = -1;
    input.Tls.reset();
    return input;
}

// Nothing listens on the port: looked up, never connected.
inline THttpReportInput Refused() {
    THttpHop hop;
    hop.Url = "http://127.0.0.1:9/";
    hop.Method = "HEAD";
    hop.Times.LookupDone = 0.1;
    hop.Times.Ended = 0.4;
    return Failed(InputOf(hop.Url, {hop}), 10061,
                  "can't connect: Connection refused (Error #10061)");
}

// Connected, but the certificate's issuer is not trusted.
inline THttpReportInput TlsFailure() {
    THttpHop hop;
    hop.Url = "https://localhost:8443/";
    hop.Method = "HEAD";
    hop.Address = "127.0.0.1";
    hop.Port = 8443;
    hop.Times.LookupDone = 0.1;
    hop.Times.Connected = 0.3;
    hop.Times.Ended = 3.9;
    return Failed(InputOf(hop.Url, {hop}), 20100,
                  "TLS handshake failed: certificate verify failed (unable to get local "
                  "issuer certificate) (Error #20100)");
}

// The last redirection allowed was not followed.
inline THttpReportInput TooManyRedirections() {
    THttpReportInput input = RedirectChain();
    input.Hops.pop_back();
    input.ReceivedHeader.resize(input.FinalHeaderStart);
    input.FinalHeaderStart = input.ReceivedHeader.size() - input.Hops.back().HeaderLines.size();
    return Failed(std::move(input), 5, "too many redirections");
}

} // namespace testsupport
