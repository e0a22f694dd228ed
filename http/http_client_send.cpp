// THttpClient: sending. The request header, composed and handed to the
// socket in one piece, and the POST body in chunks as the socket takes them.

#include "http/http_client.h"

#include <QIODevice>

#include "http/request_header.h"
#include "net/async_socket.h"

void THttpClient::SendRequest(const std::string& Method, const std::string& Version) {
    FRequestBuffer.clear();
    const THttpRequestWatch watch(*this);
    TriggerRequestHeaderBegin();
    if (!watch.Runs())
        return;

    // Inside a tunnel the request goes to the server itself, as if direct:
    // the proxy's credentials stay with the proxy.
    const bool viaProxy = FTarget.Proxy.Kind == TProxyKind::Http && !UsesTls(FTarget.Uri);
    TRequestHeaderFields fields;
    fields.Method = Method;
    fields.Path = FTarget.Path;
    fields.Version = Version;
    fields.Sender = FSender;
    fields.Accept = FAccept;
    fields.Reference = FReference;
    fields.ContentTypePost = FContentTypePost;
    fields.Agent = FAgent;
    fields.Host = HostHeaderValue(FTarget.Uri);
    fields.KeepAlive = !FConnectionKey.empty();
    fields.NoCache = FNoCache;
    fields.PostSize = Method == "POST" ? RewindBody() : 0;
    fields.ModifiedSince = FModifiedSince;
    // Credentials are for the server asked for, not for where it redirects to.
    const bool askedForServer = Origin(FTarget.Uri) == FRequestOrigin;
    fields.Username = askedForServer ? FRequestUsername : std::string();
    fields.Password = askedForServer ? FRequestPassword : std::string();
    fields.ViaProxy = viaProxy;
    fields.ProxyUsername = FTarget.Proxy.User;
    fields.ProxyPassword = FTarget.Proxy.Password;
    fields.Cookie = CookieLine();
    fields.ContentRangeBegin = FContentRangeBegin;
    fields.ContentRangeEnd = FContentRangeEnd;
    FContentRangeBegin.clear();
    FContentRangeEnd.clear();

    if (!SendCommands(ComposeRequestLines(fields)))
        return;
    FAcceptRanges.clear();
    TriggerRequestHeaderEnd();
    if (!watch.Runs() || !SendCommands({""}))
        return;

    FSocket->Send(FRequestBuffer.data(), static_cast<int>(FRequestBuffer.size()));
    FRequestBuffer.clear();
    if (watch.Runs())
        FHops.RequestSent();
}

std::int64_t THttpClient::RewindBody() {
    if (FSendStream == nullptr)
        return 0;
    if (FSendStream->isSequential())
        return FSendStream->bytesAvailable();
    // Every hop of a redirected POST sends the same body, and the length
    // announced is the length sent.
    FSendStream->seek(FSendStreamStart);
    return FSendStream->size() - FSendStreamStart;
}

void THttpClient::SendCommand(const std::string& Line) {
    std::string copy = Line;
    const THttpRequestWatch watch(*this);
    TriggerCommand(copy);
    if (!watch.Runs())
        return;
    FRequestBuffer += copy;
    FRequestBuffer += "\r\n";
}

bool THttpClient::SendCommands(const std::vector<std::string>& Lines) {
    const THttpRequestWatch watch(*this);
    for (const std::string& line : Lines) {
        SendCommand(line);
        if (!watch.Runs())
            return false;
    }
    return true;
}

void THttpClient::SocketDataSent(std::uint16_t) {
    if (!FSendingBody)
        return;
    const THttpRequestWatch watch(*this);
    try {
        if (FSendBuffer.empty())
            FSendBuffer.resize(http_limits::kSendChunkSize);
        const qint64 n =
            FSendStream != nullptr
                ? FSendStream->read(FSendBuffer.data(), static_cast<qint64>(FSendBuffer.size()))
                : 0;
        if (n <= 0) {
            FSendingBody = false;
            TriggerSendEnd();
            return;
        }
        FSentCount += n;
        TriggerSendData(FSendBuffer.data(), static_cast<std::int32_t>(n));
        if (!watch.Runs())
            return;
        FSocket->Send(FSendBuffer.data(), static_cast<int>(n));
    } catch (const std::exception&) {
        if (!watch.Runs())
            return;
        FSendingBody = false;
        Logout();
    }
}
