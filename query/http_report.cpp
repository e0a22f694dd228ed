#include "query/http_report.h"

#include "query/format_size.h"
#include "query/header_value.h"
#include "query/status_text.h"
#include "query/tls_text.h"

#include <algorithm>
#include <span>

namespace httpreport {
namespace {

// Headings and fixed texts, Windows-1252.
constexpr std::string_view kTitleReportFor = "HTTP Report f\xFCr";
constexpr std::string_view kTitleStatus = "Status";
constexpr std::string_view kTitleError = "Es ist ein Fehler aufgetreten";
constexpr std::string_view kTitleRedirect = "Weiterleitung zu";
constexpr std::string_view kTitleSize = "Dateigr\xF6\xDF"
                                        "e";
constexpr std::string_view kTitleType = "Dateityp";
constexpr std::string_view kTitleRate = "Geschwindigkeit";
constexpr std::string_view kTitleServer = "Server-Betriebssystem";
constexpr std::string_view kTitleDate = "Datum";
constexpr std::string_view kTitleModified = "Zuletzt ge\xE4ndert";
constexpr std::string_view kTitleEncryption = "Verschl\xFCsselung";

constexpr std::string_view kErrorStatusLabel = "Status: ";
constexpr std::string_view kErrorMessageLabel = "Meldung: ";
constexpr std::string_view kHeadRefused =
    "Der Server lehnt HEAD ab; die Angaben stammen aus einer GET-Anfrage.";
constexpr std::string_view kPerSecond = "/Sek.";

constexpr std::string_view kKeyLocation = "Location";
constexpr std::string_view kKeyContentType = "Content-Type";
constexpr std::string_view kKeyServer = "Server";
constexpr std::string_view kKeyDate = "Date";
constexpr std::string_view kKeyLastModified = "Last-Modified";

// The location fallback doubles as "no redirection", so a server sending
// "Location: 0" shows none either.
constexpr std::string_view kNoLocation = "0";

class TReportWriter {
public:
    explicit TReportWriter(TReportLines& lines) : FLines(lines) {}

    void Section(std::string_view title, std::string_view value) {
        FLines.push_back(reportline::Heading(title));
        FLines.push_back(reportline::Value(value));
    }
    void Heading(std::string_view title) { FLines.push_back(reportline::Heading(title)); }
    void Value(std::string_view text) { FLines.push_back(reportline::Value(text)); }
    void Separator() { FLines.emplace_back(); }

private:
    TReportLines& FLines;
};

std::string SizeText(std::int64_t contentLength, const QLocale& locale) {
    // A negative length means the response carried none. Zero stays unknown
    // as well: servers answering HEAD for generated pages often send a length
    // of 0 although the page is not empty. A length of 1 is a real one-byte
    // document and is shown as its size, not as unknown.
    if (contentLength <= 0)
        return std::string(reportline::kUnknown);
    return FormatSize(static_cast<double>(contentLength), locale);
}

} // namespace

TReportLines ComposeHttpReport(const THttpReportInput& input, const QLocale& locale) {
    TReportLines lines;
    TReportWriter report(lines);
    // The lines of every hop of a redirection chain are kept in arrival order:
    // the target is the first hop's, everything else the last response's.
    const std::span<const std::string> allHops(input.ReceivedHeader);
    const std::span<const std::string> final = input.FinalHeader();
    const auto header = [&final](std::string_view key, std::string_view fallback) {
        return HeaderValue(final, key, fallback);
    };

    report.Section(kTitleReportFor, input.URL);
    report.Separator();

    if (input.Success) {
        report.Section(kTitleStatus, StatusText(input.StatusCode));
        if (input.HeadRefused)
            report.Value(kHeadRefused);
    } else {
        report.Separator();
        report.Heading(kTitleError);
        report.Value(std::string(kErrorStatusLabel) + StatusText(input.StatusCode));
        report.Value(std::string(kErrorMessageLabel) + input.ReasonPhrase);
        if (input.HeadRefused)
            report.Value(kHeadRefused);
        report.Separator();
        report.Separator();
    }

    if (const std::string target = HeaderValue(allHops, kKeyLocation, kNoLocation);
        target != kNoLocation)
        report.Section(kTitleRedirect, target);

    report.Section(kTitleSize, SizeText(input.ContentLength, locale));
    report.Section(kTitleType, header(kKeyContentType, reportline::kUnknown));
    if (input.TransferRate > 0.0)
        report.Section(kTitleRate,
                       FormatSize(input.TransferRate, locale) + std::string(kPerSecond));
    report.Section(kTitleServer, header(kKeyServer, reportline::kUnknown));
    report.Section(kTitleDate, header(kKeyDate, reportline::kUnknown));
    report.Section(kTitleModified, header(kKeyLastModified, reportline::kUnknown));
    if (input.Tls) {
        report.Section(kTitleEncryption, TlsSessionText(*input.Tls));
        report.Value(TlsCertificateText(*input.Tls, locale));
    }
    return lines;
}

} // namespace httpreport
