#include "query/hop_report.h"

#include "query/status_text.h"
#include "query/tls_text.h"
#include "util/cp1252.h"

#include <string_view>

namespace httpreport {
namespace {

// Windows-1252.
constexpr std::string_view kStepTitle = "Schritt ";
constexpr std::string_view kFinalTitle = "Endg\xFCltige Adresse";
constexpr std::string_view kAskedLabel = "Adresse: ";
constexpr std::string_view kPeerLabel = "Verbunden mit: ";
constexpr std::string_view kPortLabel = ", Port ";
constexpr std::string_view kViaProxy = " (Proxy)";
constexpr std::string_view kTargetLabel = "Weiterleitung zu: ";
constexpr std::string_view kEncryptionLabel = "Verschl\xFCsselung: ";
constexpr std::string_view kExpired = " (abgelaufen)";
constexpr int kTimeDecimals = 1;

struct TPhase {
    std::string_view Name;
    std::optional<double> THttpHopTimes::*Time;
};

// The phases shown, in the order they happen; the request's send and the
// header's end lie close to the first byte and the end and are left out.
constexpr TPhase kShownPhases[] = {
    {"Namensaufl\xF6sung", &THttpHopTimes::LookupDone},
    {"Verbindung", &THttpHopTimes::Connected},
    {"TLS", &THttpHopTimes::TlsDone},
    {"erste Antwort", &THttpHopTimes::FirstByte},
    {"gesamt", &THttpHopTimes::Ended},
};

// "Namensauflösung 0,1 ms, Verbindung 0,3 ms, erste Antwort 1,2 ms, gesamt 1,4 ms".
std::string TimesText(const THttpHopTimes& times, const QLocale& locale) {
    std::string text;
    for (const TPhase& phase : kShownPhases) {
        const std::optional<double>& time = times.*phase.Time;
        if (!time)
            continue;
        if (!text.empty())
            text += ", ";
        text.append(phase.Name);
        text += ' ' + ToCp1252(locale.toString(*time, 'f', kTimeDecimals)) + " ms";
    }
    return text;
}

// " (noch 54 Tage)", " (noch 1 Tag)", " (abgelaufen)"; nothing for an unknown end.
std::string DaysLeftText(const TTlsPeerInfo& tls, std::int64_t nowSeconds) {
    const std::optional<std::int64_t> days = TlsDaysLeft(tls, nowSeconds);
    if (!days)
        return {};
    if (*days < 0)
        return std::string(kExpired);
    return " (noch " + std::to_string(*days) + (*days == 1 ? " Tag)" : " Tage)");
}

void AppendHop(TReportLines& lines, int number, const THttpHop& hop, const QLocale& locale,
               std::int64_t nowSeconds) {
    const std::string status = hop.Failure.empty() ? StatusText(hop.Status) : hop.Failure;
    lines.emplace_back();
    lines.push_back(
        reportline::Heading(std::string(kStepTitle) + std::to_string(number) + ": " + status));
    const auto value = [&lines](std::string_view label, std::string_view text) {
        lines.push_back(reportline::Value(std::string(label) + std::string(text)));
    };
    value(kAskedLabel, hop.Url);
    if (!hop.Address.empty())
        value(kPeerLabel, hop.Address + std::string(kPortLabel) + std::to_string(hop.Port) +
                              (hop.Proxy.empty() ? "" : std::string(kViaProxy)));
    if (hop.Target)
        value(kTargetLabel, *hop.Target);
    if (const std::string times = TimesText(hop.Times, locale); !times.empty())
        lines.push_back(reportline::Value(times));
    if (hop.Tls) {
        value(kEncryptionLabel, TlsSessionText(*hop.Tls));
        lines.push_back(reportline::Value(TlsCertificateText(*hop.Tls, locale) +
                                          DaysLeftText(*hop.Tls, nowSeconds)));
    }
    for (const std::string& line : hop.HeaderLines)
        lines.push_back(reportline::Value(line));
}

} // namespace

TReportLines ComposeHopReport(const THttpReportInput& input, const QLocale& locale,
                              std::int64_t nowSeconds) {
    TReportLines lines;
    int number = 0;
    for (const THttpHop& hop : input.Hops)
        AppendHop(lines, ++number, hop, locale, nowSeconds);
    lines.emplace_back();
    lines.push_back(reportline::Heading(kFinalTitle));
    lines.push_back(reportline::Value(input.FinalURL()));
    return lines;
}

} // namespace httpreport
