#include "query/hop_report.h"

#include "tests/support/hop_records.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace testsupport;

const QLocale kGerman(QLocale::German, QLocale::Germany);

// Value line, heading line.
constexpr auto V = reportline::Value;
constexpr auto H = reportline::Heading;

const std::string kFinal = H("Endg\xFCltige Adresse");

TReportLines Compose(const THttpReportInput& input) {
    return httpreport::ComposeHopReport(input, kGerman, kHopRecordsNow);
}

TEST(HopReport, EveryHopOfARedirectionChainThenTheFinalAddress) {
    const TReportLines expected = {
        "",
        H("Schritt 1: Moved Permanently (301)"),
        V("Adresse: http://127.0.0.1:8080/a"),
        V("Verbunden mit: 127.0.0.1, Port 8080"),
        V("Weiterleitung zu: http://127.0.0.1:8080/b"),
        V("Namensaufl\xF6sung 0,1 ms, Verbindung 0,3 ms, erste Antwort 1,2 ms, gesamt 1,4 ms"),
        V("HTTP/1.1 301 Moved Permanently"),
        V("Server: nginx/1.22.1"),
        V("Date: Mon, 07 Dec 2026 20:00:00 GMT"),
        V("Content-Type: text/html"),
        V("Content-Length: 169"),
        V("Connection: close"),
        V("Location: http://127.0.0.1:8080/b"),
        "",
        H("Schritt 2: Moved Temporarily (302)"),
        V("Adresse: http://127.0.0.1:8080/b"),
        V("Verbunden mit: 127.0.0.1, Port 8080"),
        V("Weiterleitung zu: http://127.0.0.1:8080/c"),
        V("Namensaufl\xF6sung 0,1 ms, Verbindung 0,3 ms, erste Antwort 1,2 ms, gesamt 1,4 ms"),
        V("HTTP/1.1 302 Moved Temporarily"),
        V("Server: nginx/1.22.1"),
        V("Date: Mon, 07 Dec 2026 20:00:00 GMT"),
        V("Content-Type: text/html"),
        V("Content-Length: 169"),
        V("Connection: close"),
        V("Location: /c"),
        "",
        H("Schritt 3: OK (200)"),
        V("Adresse: http://127.0.0.1:8080/c"),
        V("Verbunden mit: 127.0.0.1, Port 8080"),
        V("Namensaufl\xF6sung 0,1 ms, Verbindung 0,3 ms, erste Antwort 1,2 ms, gesamt 1,4 ms"),
        V("HTTP/1.1 200 OK"),
        V("Server: nginx/1.22.1"),
        V("Date: Mon, 07 Dec 2026 20:00:00 GMT"),
        V("Content-Type: text/html"),
        V("Content-Length: 12800"),
        V("Last-Modified: Sun, 01 Mar 2026 08:30:00 GMT"),
        V("Connection: close"),
        "",
        kFinal,
        V("http://127.0.0.1:8080/c"),
    };
    EXPECT_EQ(Compose(RedirectChain()), expected);
}

struct TLastHopCase {
    const char* Name;
    THttpReportInput Input;
    // From the last hop's heading to the end.
    TReportLines LastHop;
};

void PrintTo(const TLastHopCase& c, std::ostream* os) {
    *os << c.Name;
}

class HopReportLastHop : public ::testing::TestWithParam<TLastHopCase> {};

TEST_P(HopReportLastHop, ShowsWhatTheHopHad) {
    const TReportLines lines = Compose(GetParam().Input);
    const auto heading = std::find_if(lines.rbegin(), lines.rend(), [](const std::string& line) {
        return line.starts_with(">>Schritt ");
    });
    ASSERT_NE(heading, lines.rend());
    EXPECT_EQ(TReportLines(std::prev(heading.base()), lines.end()), GetParam().LastHop);
}

INSTANTIATE_TEST_SUITE_P(
    Hops, HopReportLastHop,
    ::testing::Values(
        TLastHopCase{"TlsHop",
                     TlsAnswer(),
                     {H("Schritt 1: OK (200)"), V("Adresse: https://localhost:8443/"),
                      V("Verbunden mit: 127.0.0.1, Port 8443"),
                      V("Namensaufl\xF6sung 0,1 ms, Verbindung 0,3 ms, TLS 4,1 ms, erste Antwort "
                        "5,0 ms, gesamt 5,2 ms"),
                      V("Verschl\xFCsselung: TLSv1.3, TLS_AES_256_GCM_SHA384"),
                      V("localhost, ausgestellt von Quorvik Test CA, g\xFCltig bis 31.01.2027 "
                        "(noch 54 Tage)"),
                      V("HTTP/1.1 200 OK"), V("Server: nginx/1.22.1"),
                      V("Date: Mon, 07 Dec 2026 20:00:00 GMT"), V("Content-Type: text/html"),
                      V("Content-Length: 0"), "", kFinal, V("https://localhost:8443/")}},
        TLastHopCase{"Refused",
                     Refused(),
                     {H("Schritt 1: can't connect: Connection refused (Error #10061)"),
                      V("Adresse: http://127.0.0.1:9/"),
                      V("Namensaufl\xF6sung 0,1 ms, gesamt 0,4 ms"), "", kFinal,
                      V("http://127.0.0.1:9/")}},
        TLastHopCase{"TlsFailure",
                     TlsFailure(),
                     {H("Schritt 1: TLS handshake failed: certificate verify failed (unable to "
                        "get local issuer certificate) (Error #20100)"),
                      V("Adresse: https://localhost:8443/"),
                      V("Verbunden mit: 127.0.0.1, Port 8443"),
                      V("Namensaufl\xF6sung 0,1 ms, Verbindung 0,3 ms, gesamt 3,9 ms"), "", kFinal,
                      V("https://localhost:8443/")}},
        // The target that was not followed is still shown; the query ended at its hop.
        TLastHopCase{"TooManyRedirections",
                     TooManyRedirections(),
                     {H("Schritt 2: too many redirections"), V("Adresse: http://127.0.0.1:8080/b"),
                      V("Verbunden mit: 127.0.0.1, Port 8080"),
                      V("Weiterleitung zu: http://127.0.0.1:8080/c"),
                      V("Namensaufl\xF6sung 0,1 ms, Verbindung 0,3 ms, erste Antwort 1,2 ms, "
                        "gesamt 1,4 ms"),
                      V("HTTP/1.1 302 Moved Temporarily"), V("Server: nginx/1.22.1"),
                      V("Date: Mon, 07 Dec 2026 20:00:00 GMT"), V("Content-Type: text/html"),
                      V("Content-Length: 169"), V("Connection: close"), V("Location: /c"), "",
                      kFinal, V("http://127.0.0.1:8080/b")}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(HopReport, ServerBytesStayAsTheyCameAndNoHopLeavesTheTypedAddress) {
    THttpReportInput input = RedirectChain();
    // A header line that looks like a heading stays a value line.
    input.Hops[0].HeaderLines.push_back("X-Note: >>caf\xE9<<");
    const TReportLines lines = Compose(input);
    EXPECT_NE(std::find(lines.begin(), lines.end(), V("X-Note: >>caf\xE9<<")), lines.end());

    THttpReportInput none;
    none.URL = "nowhere";
    EXPECT_EQ(Compose(none), (TReportLines{"", kFinal, V("nowhere")}));
}

} // namespace
