#include "query/query_report_input.h"

#include "http/http_client.h"

#include "util/cp1252.h"

namespace queryclient {
namespace {

// The address as the report's Windows-1252 lines can hold it: a character
// the code page lacks is written as its UTF-8 bytes, percent-encoded, as an
// IRI becomes a URI (RFC 3987); the address stays one that leads there.
std::string ReportAddress(const std::string& url) {
    std::string text;
    for (const char32_t c : QString::fromStdString(url).toUcs4()) {
        const QString character = QString::fromUcs4(&c, 1);
        const std::string encoded = ToCp1252(character);
        text += encoded != "?" || c == U'?' ? encoded
                                            : character.toUtf8().toPercentEncoding().toStdString();
    }
    return text;
}

} // namespace

THttpReportInput QueryReportInput(const THttpClient& client, bool success) {
    THttpReportInput input;
    input.URL = ReportAddress(client.URL());
    input.StatusCode = client.StatusCode();
    input.ReasonPhrase = client.ReasonPhrase();
    input.ContentLength = client.ContentLength();
    input.ReceivedHeader = client.ReceivedHeader();
    input.FinalHeaderStart = client.ResponseHeaderStart();
    input.Success = success;
    input.Tls = client.SslPeerInfo();
    input.HeadRefused = client.HeadRefused();
    input.RequestError = client.RequestDoneError();
    input.Hops = client.Hops();
    return input;
}

} // namespace queryclient
