#include "query/query_report_input.h"

#include "http/http_client.h"

namespace queryclient {

THttpReportInput QueryReportInput(const THttpClient& client, bool success) {
    THttpReportInput input;
    input.URL = client.URL();
    input.StatusCode = client.StatusCode();
    input.ReasonPhrase = client.ReasonPhrase();
    input.ContentLength = client.ContentLength();
    input.ReceivedHeader = client.ReceivedHeader();
    input.FinalHeaderStart = client.ResponseHeaderStart();
    input.Success = success;
    input.Tls = client.SslPeerInfo();
    input.RequestError = client.RequestDoneError();
    // LEAD: input.Hops = the client's hop records, once it keeps them.
    return input;
}

} // namespace queryclient
