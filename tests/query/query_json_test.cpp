#include "query/json_writer.h"
#include "query/query_json.h"
#include "query/report_text.h"

#include "tests/support/hop_records.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <cmath>

// A failing comparison shows the JSON text.
void PrintTo(const QJsonObject& object, std::ostream* os) {
    *os << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}
void PrintTo(const QJsonValue& value, std::ostream* os) {
    *os << QJsonDocument(QJsonArray({value})).toJson(QJsonDocument::Compact).toStdString();
}

namespace {

using namespace testsupport;

const QLocale kGerman(QLocale::German, QLocale::Germany);

// --- the writer ------------------------------------------------------------------

struct TEscapeCase {
    const char* Name;
    QString Text;
    const char* Json;
};

void PrintTo(const TEscapeCase& c, std::ostream* os) {
    *os << c.Name;
}

class JsonWriterEscape : public ::testing::TestWithParam<TEscapeCase> {};

TEST_P(JsonWriterEscape, WritesAStringEveryReaderTakesAsText) {
    TJsonWriter json;
    json.String(GetParam().Text);
    EXPECT_EQ(json.Text().toStdString(), GetParam().Json);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonWriterEscape,
    ::testing::Values(
        TEscapeCase{"Plain", QStringLiteral("nginx/1.22.1"), R"("nginx/1.22.1")"},
        TEscapeCase{"QuoteAndBackslash", QStringLiteral(R"(a "b" \c)"), R"("a \"b\" \\c")"},
        TEscapeCase{"C0Controls", QStringLiteral("\t\n\r\x1b[2J\x01"),
                    R"("\u0009\u000a\u000d\u001b[2J\u0001")"},
        TEscapeCase{"NulInside", QString(QChar(u'a')) + QChar(u'\0') + QChar(u'b'),
                    R"("a\u0000b")"},
        TEscapeCase{"DeleteAndC1", QString::fromUtf16(u"\u007f\u0085\u009b"),
                    R"("\u007f\u0085\u009b")"},
        TEscapeCase{"LineSeparators", QString::fromUtf16(u"a\u2028b\u2029"), R"("a\u2028b\u2029")"},
        TEscapeCase{"NonAsciiStaysUtf8", QString::fromUtf16(u"Gr\u00f6\u00dfe \u20ac \U0001F600"),
                    "\"Gr\xC3\xB6\xC3\x9F"
                    "e \xE2\x82\xAC \xF0\x9F\x98\x80\""},
        TEscapeCase{"LoneSurrogates",
                    QString::fromUtf16(u"a") + QChar(0xD800) + QChar(u'b') + QChar(0xDC00),
                    "\"a\xEF\xBF\xBD"
                    "b\xEF\xBF\xBD\""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(JsonWriter, Cp1252BytesBecomeUtf8) {
    TJsonWriter json;
    json.Cp1252("caf\xE9 \x80 \x81");
    EXPECT_EQ(json.Text().toStdString(), "\"caf\xC3\xA9 \xE2\x82\xAC \\u0081\"");
}

// {"a": [1, [], {}, ["x", {"y": [2]}]], "b": {"c": null, "d": true}, "e": 0.5,
// "f": NaN}, with a one-line pair in "a".
void WriteSample(TJsonWriter& json) {
    json.BeginObject();
    json.Name("a");
    json.BeginArray();
    json.Integer(1);
    json.BeginArray();
    json.EndArray();
    json.BeginObject();
    json.EndObject();
    json.BeginArray(TJsonWriter::TItems::OnOneLine);
    json.String(QStringLiteral("x"));
    json.BeginObject();
    json.Name("y");
    json.BeginArray();
    json.Integer(2);
    json.EndArray();
    json.EndObject();
    json.EndArray();
    json.EndArray();
    json.Name("b");
    json.BeginObject();
    json.Name("c");
    json.Null();
    json.Name("d");
    json.Bool(true);
    json.EndObject();
    json.Name("e");
    json.Fixed(0.5, 1);
    json.Name("f");
    json.Fixed(std::nan(""), 1);
    json.EndObject();
}

TEST(JsonWriter, IndentedTwoBlanksPerLevelOrCompactOnOneLine) {
    TJsonWriter indented;
    WriteSample(indented);
    EXPECT_EQ(indented.Text().toStdString(), "{\n"
                                             "  \"a\": [\n"
                                             "    1,\n"
                                             "    [],\n"
                                             "    {},\n"
                                             "    [\"x\", {\"y\": [2]}]\n"
                                             "  ],\n"
                                             "  \"b\": {\n"
                                             "    \"c\": null,\n"
                                             "    \"d\": true\n"
                                             "  },\n"
                                             "  \"e\": 0.5,\n"
                                             "  \"f\": null\n"
                                             "}");
    TJsonWriter compact(TJsonWriter::TLayout::Compact);
    WriteSample(compact);
    EXPECT_EQ(compact.Text().toStdString(),
              R"({"a":[1,[],{},["x",{"y":[2]}]],"b":{"c":null,"d":true},"e":0.5,"f":null})");
}

// --- the query's object ------------------------------------------------------------

QJsonObject Parsed(const QString& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document.object();
}

QString Json(const THttpReportInput& input) {
    return queryclient::QueryJson(input, kGerman, kHopRecordsNow);
}

// The member names written at `indent` blanks, in the order they stand.
QStringList NamesAt(const QString& text, int indent) {
    QStringList names;
    const QRegularExpression name(QStringLiteral("^ {%1}\"(\\w+)\": ").arg(indent),
                                  QRegularExpression::MultilineOption);
    for (const auto& match : name.globalMatch(text))
        names << match.captured(1);
    return names;
}

const QStringList kHopNames = {"url",     "method", "proxy",   "address",  "port",
                               "version", "status", "reason",  "location", "target",
                               "headers", "tls",    "time_ms", "error"};

TEST(QueryJson, RedirectionChainMemberByMemberInItsOrder) {
    const THttpReportInput input = RedirectChain();
    const QString text = Json(input);
    EXPECT_EQ(NamesAt(text, 2), QStringList({"url", "ok", "error", "hops", "final", "report"}));
    EXPECT_EQ(NamesAt(text, 6), kHopNames + kHopNames + kHopNames);
    EXPECT_EQ(NamesAt(text, 4), QStringList({"url", "status", "reason", "content_length",
                                             "content_type", "server", "date", "last_modified"}));
    const QStringList timeNames = {"lookup", "connect", "tls", "first_byte", "total"};
    EXPECT_EQ(NamesAt(text, 8), timeNames + timeNames + timeNames);

    const QJsonObject json = Parsed(text);
    EXPECT_EQ(json["url"], "http://127.0.0.1:8080/a");
    EXPECT_EQ(json["ok"], true);
    EXPECT_TRUE(json["error"].isNull());
    const QJsonArray hops = json["hops"].toArray();
    ASSERT_EQ(hops.size(), 3);
    EXPECT_EQ(
        hops[0].toObject(),
        QJsonObject({{"url", "http://127.0.0.1:8080/a"},
                     {"method", "HEAD"},
                     {"proxy", QJsonValue::Null},
                     {"address", "127.0.0.1"},
                     {"port", 8080},
                     {"version", "HTTP/1.1"},
                     {"status", 301},
                     {"reason", "Moved Permanently"},
                     {"location", "http://127.0.0.1:8080/b"},
                     {"target", "http://127.0.0.1:8080/b"},
                     {"headers", QJsonArray({QJsonArray({"Server", "nginx/1.22.1"}),
                                             QJsonArray({"Date", "Mon, 07 Dec 2026 "
                                                                 "20:00:00 GMT"}),
                                             QJsonArray({"Content-Type", "text/html"}),
                                             QJsonArray({"Content-Length", "169"}),
                                             QJsonArray({"Connection", "close"}),
                                             QJsonArray({"Location", "http://127.0.0.1:8080/b"})})},
                     {"tls", QJsonValue::Null},
                     {"time_ms", QJsonObject({{"lookup", 0.1},
                                              {"connect", 0.3},
                                              {"tls", QJsonValue::Null},
                                              {"first_byte", 1.2},
                                              {"total", 1.4}})},
                     {"error", QJsonValue::Null}}));
    EXPECT_EQ(hops[1]["location"], "/c");
    EXPECT_EQ(hops[1]["target"], "http://127.0.0.1:8080/c");
    EXPECT_EQ(hops[2]["status"], 200);
    EXPECT_TRUE(hops[2]["location"].isNull());
    EXPECT_TRUE(hops[2]["target"].isNull());
    EXPECT_EQ(json["final"].toObject(),
              QJsonObject({{"url", "http://127.0.0.1:8080/c"},
                           {"status", 200},
                           {"reason", "OK"},
                           {"content_length", 12800},
                           {"content_type", "text/html"},
                           {"server", "nginx/1.22.1"},
                           {"date", "Mon, 07 Dec 2026 20:00:00 GMT"},
                           {"last_modified", "Sun, 01 Mar 2026 08:30:00 GMT"}}));

    // The report as the plain output prints it, one line per string.
    QStringList report;
    for (const QJsonValue& line : json["report"].toArray())
        report << line.toString();
    EXPECT_EQ(report.join(u'\n') + u'\n',
              httpreport::ReportText(httpreport::ComposeHttpReport(input, kGerman)));
    EXPECT_EQ(report.value(1), QStringLiteral("  http://127.0.0.1:8080/a"));
}

TEST(QueryJson, TlsSummaryWithTheCertificatesEndAndDaysLeft) {
    const QJsonObject hop = Parsed(Json(TlsAnswer()))["hops"][0].toObject();
    EXPECT_EQ(hop["tls"].toObject(), QJsonObject({{"protocol", "TLSv1.3"},
                                                  {"cipher", "TLS_AES_256_GCM_SHA384"},
                                                  {"subject", "localhost"},
                                                  {"issuer", "Quorvik Test CA"},
                                                  {"not_after", "2027-01-31T12:00:00Z"},
                                                  {"days_left", 54}}));
    EXPECT_EQ(hop["time_ms"]["tls"], 4.1);
}

struct TFailureCase {
    const char* Name;
    THttpReportInput Input;
    const char* Kind;
};

void PrintTo(const TFailureCase& c, std::ostream* os) {
    *os << c.Name;
}

// The refused connection with another error number, as the client reports it.
THttpReportInput RefusedWith(std::uint16_t error, bool timedOut = false) {
    THttpReportInput input = Refused();
    input.RequestError = error;
    input.TimedOut = timedOut;
    return input;
}

THttpReportInput ServerError() {
    return InputOf("http://127.0.0.1:8080/x", {NginxHop("/x", 404, "Not Found", {})});
}

class QueryJsonFailure : public ::testing::TestWithParam<TFailureCase> {};

TEST_P(QueryJsonFailure, NamesTheKindAndTheClientsMessage) {
    const THttpReportInput& input = GetParam().Input;
    const QJsonObject json = Parsed(Json(input));
    EXPECT_EQ(json["ok"], false);
    EXPECT_EQ(json["error"].toObject(),
              QJsonObject({{"kind", GetParam().Kind},
                           {"message", QString::fromStdString(input.ReasonPhrase)}}));
    // A failure on this side leaves no server status as the final one.
    const QJsonObject final = json["final"].toObject();
    EXPECT_EQ(final["status"].isNull(), input.RequestError != 0);
    EXPECT_EQ(final["reason"].isNull(), input.RequestError != 0);
    EXPECT_EQ(json["hops"].toArray().last()["error"].isNull(), input.RequestError == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, QueryJsonFailure,
    ::testing::Values(TFailureCase{"Refused", Refused(), "connect"},
                      TFailureCase{"TlsFailure", TlsFailure(), "tls"},
                      TFailureCase{"TooManyRedirections", TooManyRedirections(), "redirects"},
                      TFailureCase{"InvalidRedirection", RefusedWith(8), "redirects"},
                      TFailureCase{"HostNotFound", RefusedWith(11001), "resolve"},
                      TFailureCase{"NoAddress", RefusedWith(11004), "resolve"},
                      TFailureCase{"EmptyHost", RefusedWith(10022), "resolve"},
                      TFailureCase{"ConnectionReset", RefusedWith(10054), "connect"},
                      TFailureCase{"InvalidPort", RefusedWith(9), "connect"},
                      TFailureCase{"SocksRefused", RefusedWith(20005), "proxy"},
                      TFailureCase{"SocksAuthentication", RefusedWith(20015), "proxy"},
                      TFailureCase{"TunnelRefused", RefusedWith(11), "proxy"},
                      TFailureCase{"InvalidProxy", RefusedWith(14), "proxy"},
                      TFailureCase{"Aborted", RefusedWith(3), "aborted"},
                      TFailureCase{"TimedOut", RefusedWith(3, true), "timeout"},
                      TFailureCase{"HeaderTooLarge", RefusedWith(6), "protocol"},
                      TFailureCase{"UnsupportedScheme", RefusedWith(10), "protocol"},
                      TFailureCase{"EmptyReply", RefusedWith(12), "protocol"},
                      TFailureCase{"InvalidStatusLine", RefusedWith(13), "protocol"},
                      TFailureCase{"ServerError", ServerError(), "http"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(QueryJson, NothingAServerSendsBreaksTheObjectAndCompactIsTheSameObject) {
    THttpReportInput input = RedirectChain();
    const std::string hostile = "X-Evil:  \"}\x1b]0;title\x07\\ caf\xE9 \x81";
    input.Hops[2].HeaderLines.push_back(hostile);
    input.ReceivedHeader.push_back(hostile);
    input.Hops[2].Reason = "O\"K\n";
    const QString indented = Json(input);
    const QJsonObject json = Parsed(indented);
    EXPECT_EQ(
        json["hops"][2]["headers"].toArray().last(),
        QJsonArray({"X-Evil", QString::fromUtf16(u"\"}\u001b]0;title\u0007\\ caf\u00e9 \u0081")}));
    EXPECT_EQ(json["hops"][2]["reason"], "O\"K\n");

    const QString compact =
        queryclient::QueryJson(input, kGerman, kHopRecordsNow, TJsonWriter::TLayout::Compact);
    EXPECT_FALSE(compact.contains(u'\n'));
    EXPECT_EQ(Parsed(compact), json);
}

} // namespace
