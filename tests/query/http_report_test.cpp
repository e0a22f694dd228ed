#include "query/header_value.h"
#include "query/http_report.h"

#include <QDateTime>

#include <algorithm>
#include <gtest/gtest.h>

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);

// Value line, heading line.
std::string V(const std::string& text) {
    return "\xA0 " + text;
}
std::string H(const std::string& title) {
    return ">>" + title + "<<";
}

const std::string kReportFor = H("HTTP Report f\xFCr");
const std::string kSize = H("Dateigr\xF6\xDF"
                            "e");
const std::string kModified = H("Zuletzt ge\xE4ndert");

THttpReportInput Succeeded() {
    THttpReportInput input;
    input.URL = "www.example.test/index.html";
    input.StatusCode = 200;
    input.ReasonPhrase = "OK";
    input.ContentLength = 12800;
    input.ReceivedHeader = {"HTTP/1.1 200 OK",
                            "Date: Mon, 07 Dec 2026 20:00:00 GMT",
                            "Server: Apache/1.3.27 (Unix)",
                            "Last-Modified: Fri, 04 Dec 2026 08:15:00 GMT",
                            "Content-Length: 12800",
                            "Content-Type: text/html"};
    input.Success = true;
    return input;
}

TReportLines Compose(const THttpReportInput& input) {
    return httpreport::ComposeHttpReport(input, kGerman);
}

// The lines from the size heading on, for a report without a redirection.
TReportLines Tail(const TReportLines& lines) {
    const auto size = std::find(lines.begin(), lines.end(), kSize);
    return {size, lines.end()};
}

const TReportLines kUnknownTail = {kSize,
                                   V("<unbekannt>"),
                                   H("Dateityp"),
                                   V("<unbekannt>"),
                                   H("Server-Betriebssystem"),
                                   V("<unbekannt>"),
                                   H("Datum"),
                                   V("<unbekannt>"),
                                   kModified,
                                   V("<unbekannt>")};

TEST(HttpReport, SuccessfulHead) {
    const TReportLines expected = {kReportFor,
                                   V("www.example.test/index.html"),
                                   "",
                                   H("Status"),
                                   V("OK (200)"),
                                   kSize,
                                   V("12,50 kB"),
                                   H("Dateityp"),
                                   V("text/html"),
                                   H("Server-Betriebssystem"),
                                   V("Apache/1.3.27 (Unix)"),
                                   H("Datum"),
                                   V("Mon, 07 Dec 2026 20:00:00 GMT"),
                                   kModified,
                                   V("Fri, 04 Dec 2026 08:15:00 GMT")};
    EXPECT_EQ(Compose(Succeeded()), expected);
}

struct TFailureCase {
    const char* Name;
    std::vector<std::string> ReceivedHeader;
    const char* Reason;
};

class HttpReportFailure : public ::testing::TestWithParam<TFailureCase> {};

TEST_P(HttpReportFailure, ShowsErrorSectionAndUnknownValues) {
    THttpReportInput input;
    input.URL = "http://host.test/";
    input.StatusCode = 404;
    input.ReasonPhrase = GetParam().Reason;
    input.ReceivedHeader = GetParam().ReceivedHeader;
    input.Success = false;
    TReportLines expected = {kReportFor,
                             V("http://host.test/"),
                             "",
                             "",
                             H("Es ist ein Fehler aufgetreten"),
                             V("Status: Not Found (404)"),
                             V(std::string("Meldung: ") + GetParam().Reason),
                             "",
                             ""};
    expected.insert(expected.end(), kUnknownTail.begin(), kUnknownTail.end());
    EXPECT_EQ(Compose(input), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, HttpReportFailure,
    ::testing::Values(
        TFailureCase{"Lookup", {}, "can't resolve hostname to IP address"},
        TFailureCase{"Refused", {}, "Connection refused (Error #10061)"},
        TFailureCase{"ConnectRaised", {}, "can't connect: Network is unreachable (Error #10051)"},
        TFailureCase{"Aborted", {}, "Connection aborted on request"},
        TFailureCase{"ServerNotFound", {"HTTP/1.0 404 Not Found"}, "Not Found"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(HttpReport, ServerErrorShowsHeaderLinesThatArrived) {
    THttpReportInput input;
    input.URL = "http://host.test/x";
    input.StatusCode = 500;
    input.ReasonPhrase = "Internal Server Error";
    input.ReceivedHeader = {"HTTP/1.1 500 Internal Server Error", "Server: nginx"};
    const TReportLines lines = Compose(input);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[5], V("Status: Server Error (500)"));
    EXPECT_EQ(lines[6], V("Meldung: Internal Server Error"));
    EXPECT_EQ(lines[12], V("<unbekannt>"));
    EXPECT_EQ(lines[14], V("nginx"));
}

TEST(HttpReport, SilentServerHasNoErrorSectionAndStatusZero) {
    THttpReportInput input;
    input.URL = "http://silent.test/";
    input.Success = true;
    TReportLines expected = {kReportFor, V("http://silent.test/"), "", H("Status"), V("0")};
    expected.insert(expected.end(), kUnknownTail.begin(), kUnknownTail.end());
    EXPECT_EQ(Compose(input), expected);
}

// Every hop's lines are kept; the status shown is the last response's, and so
// is everything below the redirection target, which is the first hop's.
TEST(HttpReport, RedirectShowsFirstTargetAndTheLastResponsesValues) {
    THttpReportInput input = Succeeded();
    input.URL = "http://old.test/";
    input.ContentLength = 2048; // the last response's
    input.ReceivedHeader = {"HTTP/1.0 301 Moved Permanently",
                            "Location: http://new.test/",
                            "Server: first",
                            "Content-Type: text/html",
                            "Date: Mon, 07 Dec 2026 20:00:00 GMT",
                            "Last-Modified: Fri, 04 Dec 2026 08:15:00 GMT",
                            "Content-Length: 162",
                            "HTTP/1.0 302 Found",
                            "Location: http://newer.test/",
                            "Server: second",
                            "HTTP/1.0 200 OK",
                            "Server: third",
                            "Date: Mon, 07 Dec 2026 20:00:01 GMT",
                            "Content-Length: 2048"};
    input.FinalHeaderStart = 10;
    const TReportLines expected = {kReportFor,
                                   V("http://old.test/"),
                                   "",
                                   H("Status"),
                                   V("OK (200)"),
                                   H("Weiterleitung zu"),
                                   V("http://new.test/"),
                                   kSize,
                                   V("2,00 kB"),
                                   H("Dateityp"),
                                   V("<unbekannt>"),
                                   H("Server-Betriebssystem"),
                                   V("third"),
                                   H("Datum"),
                                   V("Mon, 07 Dec 2026 20:00:01 GMT"),
                                   kModified,
                                   V("<unbekannt>")};
    EXPECT_EQ(Compose(input), expected);

    // A last hop that failed before any line of its own arrived shows nothing
    // of the earlier answers either.
    input.FinalHeaderStart = input.ReceivedHeader.size();
    const TReportLines lines = Compose(input);
    EXPECT_EQ(lines[6], V("http://new.test/"));
    EXPECT_EQ(lines[12], V("<unbekannt>"));
}

// The note follows the status value, or the message of the error section.
TEST(HttpReport, RefusedHeadNoteFollowsTheStatus) {
    const std::string note = V("Der Server lehnt HEAD ab; die Angaben stammen aus einer "
                               "GET-Anfrage.");
    THttpReportInput input = Succeeded();
    input.HeadRefused = true;
    TReportLines lines = Compose(input);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[4], V("OK (200)"));
    EXPECT_EQ(lines[5], note);
    EXPECT_EQ(lines[6], kSize);

    input.Success = false;
    input.StatusCode = 405;
    input.ReasonPhrase = "Method Not Allowed";
    lines = Compose(input);
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[6], V("Meldung: Method Not Allowed"));
    EXPECT_EQ(lines[7], note);
    EXPECT_EQ(lines[8], "");
}

TEST(HttpReport, LocationZeroIsNoRedirection) {
    THttpReportInput input = Succeeded();
    input.ReceivedHeader.push_back("Location: 0");
    const TReportLines lines = Compose(input);
    EXPECT_EQ(lines[5], kSize);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), H("Weiterleitung zu")), 0);
}

struct TLengthCase {
    std::int64_t Length;
    const char* Shown;
};

class HttpReportLength : public ::testing::TestWithParam<TLengthCase> {};

TEST_P(HttpReportLength, SizeSection) {
    THttpReportInput input = Succeeded();
    input.ContentLength = GetParam().Length;
    const TReportLines tail = Tail(Compose(input));
    ASSERT_GE(tail.size(), 2u);
    EXPECT_EQ(tail[1], V(GetParam().Shown));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, HttpReportLength,
    ::testing::Values(TLengthCase{-1, "<unbekannt>"}, TLengthCase{0, "<unbekannt>"},
                      TLengthCase{1, "1,00 bytes"}, TLengthCase{1024, "1.024,00 bytes"},
                      TLengthCase{1025, "1,00 kB"}, TLengthCase{1048576, "1.024,00 kB"},
                      TLengthCase{1048577, "1,00 MB"}, TLengthCase{2147483648, "2,00 GB"},
                      TLengthCase{1073741824, "1.024,00 MB"}, TLengthCase{5368709120, "5,00 GB"}));

TEST(HttpReport, MeasuredRateStandsBetweenTypeAndServer) {
    THttpReportInput input = Succeeded();
    input.TransferRate = 1536;
    const TReportLines tail = Tail(Compose(input));
    ASSERT_GE(tail.size(), 8u);
    EXPECT_EQ(tail[2], H("Dateityp"));
    EXPECT_EQ(tail[4], H("Geschwindigkeit"));
    EXPECT_EQ(tail[5], V("1,50 kB/Sek."));
    EXPECT_EQ(tail[6], H("Server-Betriebssystem"));

    input.TransferRate = 0;
    EXPECT_EQ(Tail(Compose(input))[4], H("Server-Betriebssystem"));
}

TEST(HttpReport, ResponseOverTlsEndsWithTheEncryptionSection) {
    THttpReportInput input = Succeeded();
    TReportLines expected = Compose(input);
    input.Tls =
        TTlsPeerInfo{"TLSv1.3", "TLS_AES_256_GCM_SHA384", "M\xC3\xBCller GmbH", "Quorvik Test CA",
                     QDateTime(QDate(2026, 12, 10), QTime(12, 0)).toSecsSinceEpoch()};
    expected.insert(
        expected.end(),
        {H("Verschl\xFCsselung"), V("TLSv1.3, TLS_AES_256_GCM_SHA384"),
         V("M\xFCller GmbH, ausgestellt von Quorvik Test CA, g\xFCltig bis 10.12.2026")});
    EXPECT_EQ(Compose(input), expected);

    input.Tls->NotAfter = 0;
    EXPECT_EQ(Compose(input).back(),
              V("M\xFCller GmbH, ausgestellt von Quorvik Test CA, g\xFCltig bis <unbekannt>"));
}

TEST(HeaderValue, NameMatchesInAnyCaseAndTheValueLosesItsBlanks) {
    const std::vector<std::string> header = {"HTTP/1.1 200 OK",
                                             "Content-Type-Options: no",
                                             "content-TYPE:\t text/html; a=b \t",
                                             "Content-Type: late",
                                             "Server:",
                                             "a line: without"};
    EXPECT_EQ(httpreport::HeaderValue(header, "Content-Type", "-"), "text/html; a=b");
    EXPECT_EQ(httpreport::HeaderValue(header, "Server", "none"), "");
    EXPECT_EQ(httpreport::HeaderValue(header, "Date", "none"), "none");
}

} // namespace
