// THttpClient: connecting. The name lookup, the connection (with the SOCKS
// settings and TLS), the CONNECT tunnel through a proxy and its answer, and
// the start of the request once the session stands.

#include "http/http_client.h"

#include "http/error_text.h"
#include "http/request_header.h"
#include "http/response_parsing.h"
#include "http/url.h"
#include "net/async_socket.h"
#include "net/custom_tls_socket.h"

namespace {

constexpr char kHttpVersion[] = "1.0";
// The status class of a proxy's answer that opens a tunnel.
constexpr int kSuccessClass = 2;
constexpr int kStatusClassSize = 100;

// A host as the socket takes it: an IPv6 literal without the brackets that
// set it apart in an address ("[::1]:8080").
std::string SocketHost(const std::string& host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        return host.substr(1, host.size() - 2);
    return host;
}

} // namespace

void THttpClient::Login() {
    FResolvedAddress.clear();
    FConnectedAddress.clear();
    FConnectedPort.clear();
    const TRequestWatch watch(*this);
    StateChange(THttpState::httpDnsLookup);
    if (!watch.Runs())
        return;
    if (!IsSupportedScheme(FTarget.Scheme)) {
        EndWithLocalFailure(http_errors::kUnsupportedProtocol, "unsupported protocol");
        return;
    }
    // An address without a host (a bare path) cannot be looked up; it ends
    // like a failed lookup instead of leaving the client busy.
    if (FTarget.HostName.empty() || FTarget.TargetHost.empty()) {
        SocketDNSLookupDone(http_errors::kInvalidHostName);
        return;
    }
    // The socket would take a port out of range modulo 65536, which is
    // another server than the one named.
    if (!IsPortNumber(FTarget.Port) || !IsPortNumber(FTarget.TargetPort)) {
        EndWithLocalFailure(http_errors::kInvalidPort, "invalid port number");
        return;
    }
    try {
        FSocket->DnsLookup(SocketHost(FSocksServer.empty() ? FTarget.HostName : FSocksServer));
    } catch (const std::exception&) {
        const int error = FSocket->LastError();
        SocketDNSLookupDone(
            static_cast<std::uint16_t>(error != 0 ? error : http_errors::kInvalidHostName));
    }
}

void THttpClient::Logout() {
    const TLifeToken::TWatch watch = FLifeToken.Watch();
    FSocket->Close(); // raises the session's end
    if (watch.Alive())
        FConnected = false;
}

void THttpClient::SocketDNSLookupDone(std::uint16_t Error) {
    if (Error != 0) {
        if (FState != THttpState::httpAborting) {
            SetLocalFailure(Error, "can't resolve hostname to IP address");
            SocketSessionClosed();
        }
        return;
    }
    FResolvedAddress = FSocket->DnsResult();
    const TRequestWatch watch(*this);
    StateChange(THttpState::httpDnsLookupDone);
    if (!watch.Runs())
        return;
    try {
        ConnectSocket();
    } catch (const std::exception&) {
        // A refusal without an error number (such as a port that cannot be
        // resolved) must still be reported as a failure.
        int error = FSocket->LastError();
        if (error == 0)
            error = http_errors::kInvalidHostName;
        SetLocalFailure(static_cast<std::uint16_t>(error), "can't connect: " + ErrorText(error));
        FSocket->Close();
        if (watch.Runs())
            SocketSessionClosed();
    }
}

void THttpClient::ConnectSocket() {
    // Through SOCKS the address looked up is the SOCKS server's (the first is
    // connected to), and the host goes to it as it is; the socket forgets these
    // settings at every close. Directly, every address looked up takes part in
    // the socket's race, the system's preferred first.
    const bool viaSocks = !FSocksServer.empty();
    if (viaSocks)
        FSocket->SetAddr(SocketHost(FTarget.HostName));
    else if (FSocket->DnsResultList().empty()) // a numeric host, answered at once
        FSocket->SetAddr(FResolvedAddress);
    else
        FSocket->SetAddrList(FSocket->DnsResultList());
    FSocket->SetPort(FTarget.Port);
    FSocket->SetProto("tcp");
    // Also cleared here: settings left by a connect that failed before its close.
    FSocket->SetSocksServer(viaSocks ? FResolvedAddress : std::string());
    if (viaSocks) {
        FSocket->SetSocksPort(FSocksPort);
        FSocket->SetSocksLevel(FSocksLevel);
        FSocket->SetSocksUsercode(FSocksUsercode);
        FSocket->SetSocksPassword(FSocksPassword);
        FSocket->SetSocksAuthentication(FSocksAuthentication);
    }
    // TLS runs over the SOCKS connection as it stands, but through an HTTP
    // proxy only inside the tunnel the proxy opens first.
    const bool tls = UsesTls(FTarget);
    FTunnelPending = tls && FViaProxy;
    FSocket->SetSslEnable(tls && !FTunnelPending);
    FSocket->SetSslHostName(SocketHost(FTarget.TargetHost));
    FSocket->SetSslVerify(FSslVerify);
    FSocket->SetSslCAFile(FSslCAFile);
    FSslPeerInfo.reset();
    FSocksError = 0;
    FSocksErrorText.clear();
    FSocket->Connect();
}

void THttpClient::SendTunnelRequest() {
    FTunnelStatus = 0;
    FTunnelReason.clear();
    FLineReader.StartHeader();
    FLineHandler = &THttpClient::GetTunnelLineNext;
    FRequestBuffer.clear();
    if (!SendCommands(ComposeTunnelLines(FTarget.TargetHost, FTarget.TargetPort, FProxyUsername,
                                         FProxyPassword)) ||
        !SendCommands({""}))
        return;
    FSocket->Send(FRequestBuffer.data(), static_cast<int>(FRequestBuffer.size()));
    FRequestBuffer.clear();
}

std::string THttpClient::ConnectErrorText(std::uint16_t Error) const {
    if (FSocksError == Error && !FSocksErrorText.empty())
        return ErrorText(Error, FSocksErrorText);
    if (Error == TCustomTlsSocket::kTlsFailure && !FSocket->SslErrorText().empty())
        return ErrorText(Error, FSocket->SslErrorText());
    return ErrorText(Error);
}

void THttpClient::SocketSessionConnected(std::uint16_t Error) {
    if (Error != 0) {
        SetLocalFailure(Error, ConnectErrorText(Error));
        SocketSessionClosed();
        return;
    }
    FConnectedAddress = FSocket->RemoteSockAddr().Text();
    FConnectedPort = std::to_string(FSocket->RemoteSockAddr().Port());
    if (FTunnelPending) {
        try {
            SendTunnelRequest();
        } catch (const std::exception&) {
            Logout();
        }
        return;
    }
    if (FSocket->SslEstablished())
        FSslPeerInfo = FSocket->SslPeerInfo();
    FConnected = true;
    const TRequestWatch watch(*this);
    StateChange(THttpState::httpConnected);
    if (!watch.Runs())
        return;
    TriggerSessionConnected();
    if (!watch.Runs())
        return;
    FLineHandler = &THttpClient::GetHeaderLineNext;
    StateChange(THttpState::httpWaitingHeader);
    if (!watch.Runs())
        return;
    try {
        switch (FRequestType) {
        case THttpRequest::httpGET:
            SendRequest("GET", kHttpVersion);
            break;
        case THttpRequest::httpPOST:
            SendRequest("POST", kHttpVersion);
            if (!watch.Runs())
                return;
            TriggerSendBegin();
            if (!watch.Runs())
                return;
            FSendingBody = true;
            SocketDataSent(0);
            break;
        case THttpRequest::httpHEAD:
            SendRequest("HEAD", kHttpVersion);
            break;
        case THttpRequest::httpAbort:
            break;
        }
    } catch (const std::exception&) {
        // The close ends the request through SocketSessionClosed.
        if (watch.Runs())
            Logout();
    }
}

void THttpClient::GetTunnelLineNext() {
    if (FLineReader.CountHeaderLine() == 1 && IsStatusLine(FCurrentLine)) {
        FTunnelStatus = StatusCodeOf(FCurrentLine).value_or(0);
        FTunnelReason = std::to_string(FTunnelStatus) + " " + ReasonPhraseOf(FCurrentLine);
    }
    if (!FCurrentLine.empty()) {
        HeaderLineFits();
        return;
    }
    // The proxy's answer ends here; nothing of the server comes before the
    // handshake asks for it.
    FTunnelPending = false;
    FLineReader.Clear();
    FLineHandler = nullptr;
    if (FTunnelStatus / kStatusClassSize != kSuccessClass) {
        EndWithLocalFailure(http_errors::kTunnelRefused,
                            FTunnelReason.empty() ? std::string("proxy refused the tunnel")
                                                  : "proxy refused the tunnel: " + FTunnelReason);
        return;
    }
    try {
        FSocket->StartSsl(); // OnSessionConnected follows with the handshake's end
    } catch (const std::exception&) {
        Logout();
    }
}
