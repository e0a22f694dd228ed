#include "query/query_json.h"

#include "base/field_line.h"

#include "http/http_failure_kind.h"
#include "query/header_value.h"
#include "query/report_line.h"
#include "query/tls_text.h"
#include "util/cp1252.h"

#include <QDateTime>

#include <span>

namespace queryclient {
namespace {

constexpr int kTimeDecimals = 1;

// The member `name`: null when `value` is empty, otherwise what `write`
// makes of it.
template <typename T, typename TWrite>
void OptionalMember(TJsonWriter& json, std::string_view name, const std::optional<T>& value,
                    TWrite write) {
    json.Name(name);
    if (value)
        write(*value);
    else
        json.Null();
}

void OptionalText(TJsonWriter& json, std::string_view name,
                  const std::optional<std::string>& text) {
    OptionalMember(json, name, text, [&json](const std::string& bytes) { json.Cp1252(bytes); });
}

// Empty texts stand for "none" in the hop records.
void TextOrNull(TJsonWriter& json, std::string_view name, const std::string& text) {
    OptionalText(json, name, text.empty() ? std::nullopt : std::optional(text));
}

void OptionalInteger(TJsonWriter& json, std::string_view name,
                     const std::optional<std::int64_t>& value) {
    OptionalMember(json, name, value, [&json](std::int64_t number) { json.Integer(number); });
}

void OptionalTime(TJsonWriter& json, std::string_view name, const std::optional<double>& time) {
    OptionalMember(json, name, time,
                   [&json](double milliseconds) { json.Fixed(milliseconds, kTimeDecimals); });
}

void Error(TJsonWriter& json, const THttpReportInput& input) {
    json.Name("error");
    if (input.Success) {
        json.Null();
        return;
    }
    json.BeginObject();
    json.Name("kind");
    const std::string_view kind =
        FailureKindName(FailureKindOf(input.RequestError, input.StatusCode, input.TimedOut));
    json.String(QString::fromLatin1(kind.data(), static_cast<qsizetype>(kind.size())));
    json.Name("message");
    json.Cp1252(input.ReasonPhrase);
    json.EndObject();
}

void Headers(TJsonWriter& json, const THttpHop& hop) {
    json.Name("headers");
    json.BeginArray();
    for (const std::string& line : hop.FieldLines()) {
        // A line without a colon is all name.
        const TFieldLine field =
            SplitFieldLine(line).value_or(TFieldLine{TrimFieldBlanks(line), {}});
        json.BeginArray(TJsonWriter::TItems::OnOneLine);
        json.Cp1252(field.Name);
        json.Cp1252(field.Value);
        json.EndArray();
    }
    json.EndArray();
}

void Tls(TJsonWriter& json, const std::optional<TTlsPeerInfo>& tls, std::int64_t nowSeconds) {
    json.Name("tls");
    if (!tls) {
        json.Null();
        return;
    }
    json.BeginObject();
    // The certificate's names are UTF-8 already.
    for (const auto& [name, text] : {std::pair{"protocol", &tls->Protocol},
                                     {"cipher", &tls->Cipher},
                                     {"subject", &tls->Subject},
                                     {"issuer", &tls->Issuer}}) {
        json.Name(name);
        json.String(QString::fromStdString(*text));
    }
    const std::optional<std::int64_t> daysLeft = httpreport::TlsDaysLeft(*tls, nowSeconds);
    json.Name("not_after");
    if (daysLeft)
        json.String(QDateTime::fromSecsSinceEpoch(tls->NotAfter, Qt::UTC).toString(Qt::ISODate));
    else
        json.Null();
    OptionalInteger(json, "days_left", daysLeft);
    json.EndObject();
}

void Times(TJsonWriter& json, const THttpHopTimes& times) {
    json.Name("time_ms");
    json.BeginObject();
    OptionalTime(json, "lookup", times.LookupDone);
    OptionalTime(json, "connect", times.Connected);
    OptionalTime(json, "tls", times.TlsDone);
    OptionalTime(json, "first_byte", times.FirstByte);
    OptionalTime(json, "total", times.Ended);
    json.EndObject();
}

void Hop(TJsonWriter& json, const THttpHop& hop, std::int64_t nowSeconds) {
    const bool answered = !hop.Version.empty();
    json.BeginObject();
    json.Name("url");
    json.Cp1252(hop.Url);
    json.Name("method");
    json.Cp1252(hop.Method);
    TextOrNull(json, "proxy", hop.Proxy);
    TextOrNull(json, "address", hop.Address);
    OptionalInteger(json, "port",
                    hop.Port != 0 ? std::optional<std::int64_t>(hop.Port) : std::nullopt);
    TextOrNull(json, "version", hop.Version);
    OptionalInteger(json, "status",
                    answered ? std::optional<std::int64_t>(hop.Status) : std::nullopt);
    OptionalText(json, "reason", answered ? std::optional(hop.Reason) : std::nullopt);
    OptionalText(json, "location", hop.Location);
    OptionalText(json, "target", hop.Target);
    Headers(json, hop);
    Tls(json, hop.Tls, nowSeconds);
    Times(json, hop.Times);
    TextOrNull(json, "error", hop.Failure);
    json.EndObject();
}

void Final(TJsonWriter& json, const THttpReportInput& input) {
    const bool answered = input.Answered();
    json.Name("final");
    json.BeginObject();
    json.Name("url");
    json.Cp1252(input.FinalURL());
    OptionalInteger(json, "status",
                    answered ? std::optional<std::int64_t>(input.StatusCode) : std::nullopt);
    OptionalText(json, "reason", answered ? std::optional(input.ReasonPhrase) : std::nullopt);
    OptionalInteger(json, "content_length",
                    input.ContentLength >= 0 ? std::optional(input.ContentLength) : std::nullopt);
    for (const auto& [name, field] : {std::pair{"content_type", "Content-Type"},
                                      {"server", "Server"},
                                      {"date", "Date"},
                                      {"last_modified", "Last-Modified"}}) {
        const std::optional<std::string_view> value =
            httpreport::FieldValue(input.FinalHeader(), field);
        OptionalText(json, name, value ? std::optional(std::string(*value)) : std::nullopt);
    }
    json.EndObject();
}

} // namespace

QString QueryJson(const THttpReportInput& input, const QLocale& locale, std::int64_t nowSeconds,
                  TJsonWriter::TLayout layout) {
    TJsonWriter json(layout);
    json.BeginObject();
    json.Name("url");
    json.Cp1252(input.URL);
    json.Name("ok");
    json.Bool(input.Success);
    Error(json, input);
    json.Name("hops");
    json.BeginArray();
    for (const THttpHop& hop : input.Hops)
        Hop(json, hop, nowSeconds);
    json.EndArray();
    Final(json, input);
    json.Name("report");
    json.BeginArray();
    for (const std::string& line : httpreport::ComposeHttpReport(input, locale))
        json.Cp1252(reportline::ShownText(line));
    json.EndArray();
    json.EndObject();
    return json.Text();
}

} // namespace queryclient
