// THttpClient: connecting. The hop's proxy, the name lookup, the connection
// (with the SOCKS settings and TLS), the CONNECT tunnel through a proxy and
// its answer, and the start of the request once the session stands.

#include "http/http_client.h"

#include "http/error_text.h"
#include "http/request_header.h"
#include "http/response_parsing.h"
#include "net/async_socket.h"
#include "net/custom_tls_socket.h"

namespace {

constexpr char kHttpVersion[] = "1.0";
// Of a HEAD over a connection that may be kept: its answer has no body, so
// nothing of it can come in chunks.
constexpr char kKeptHeadVersion[] = "1.1";
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
    FSocksRoute = SocksRoute();
    FConnectionKey = ConnectionKey();
    if (!FKeptKey.empty()) {
        if (FKeptKey == FConnectionKey && FSocket->State() == wsConnected &&
            FSocket->RcvdCount() == 0) {
            ReuseKeptConnection();
            return;
        }
        FSocket->Close(); // forgets the kept connection, raising nothing
    }
    FResolvedAddress.clear();
    const THttpRequestWatch watch(*this);
    StateChange(THttpState::httpDnsLookup);
    if (!watch.Runs())
        return;
    // An address that leads nowhere ends here, like a failed lookup where
    // it has no host, instead of leaving the client busy.
    if (FTarget.FailureCode != 0) {
        EndWithLocalFailure(FTarget.FailureCode, FTarget.FailureReason);
        return;
    }
    FHops.Begin(FTarget, FSocksRoute, RequestMethod(), FReceivedHeader.size());
    FLookingUpHost = !FSocksRoute.Server.empty() && FSocksRoute.ResolveHere;
    LookUp(FSocksRoute.Server.empty() || FLookingUpHost ? FTarget.HostName : FSocksRoute.Server);
}

void THttpClient::LookUp(const std::string& Host) {
    FHops.LookUp(Host);
    try {
        FSocket->DnsLookup(SocketHost(Host));
    } catch (const std::exception&) {
        const int error = FSocket->LastError();
        SocketDNSLookupDone(
            static_cast<std::uint16_t>(error != 0 ? error : http_errors::kInvalidHostName));
    }
}

TProxyChoice THttpClient::ProxyFor(const TUri& Uri) const {
    TProxyChoice choice;
    if (!FProxy.empty()) {
        choice = ParseProxyValue(FProxy);
        if (choice.Error.empty() && ParseTypedAddress(FProxy).Uri.Port.empty())
            choice.Proxy.Port = FProxyPort;
    } else if (FProxyConfig) {
        choice = FProxyConfig->ProxyFor(Uri);
    }
    if (choice.Proxy.Kind == TProxyKind::Http && choice.Proxy.User.empty()) {
        choice.Proxy.User = FProxyUsername;
        choice.Proxy.Password = FProxyPassword;
    }
    return choice;
}

TSocksRoute THttpClient::SocksRoute() const {
    const TProxy& proxy = FTarget.Proxy;
    const bool ownSocks = proxy.Kind != TProxyKind::None && proxy.Kind != TProxyKind::Http;
    TSocksRoute route{FSocksServer,   FSocksPort,           FSocksLevel, FSocksUsercode,
                      FSocksPassword, FSocksAuthentication, false};
    if (ownSocks) {
        route.Server = proxy.Host;
        route.Port = proxy.Port;
        route.Level = proxy.Kind == TProxyKind::Socks4    ? "4"
                      : proxy.Kind == TProxyKind::Socks4a ? "4A"
                                                          : "5";
        route.User = proxy.User;
        route.Password = proxy.Password;
        route.Authentication = route.Level == "5" && !proxy.User.empty() ? socksAuthenticateUsercode
                                                                         : socksNoAuthentication;
    }
    // SOCKS 4 carries only an address; SOCKS 5 without "h" is asked for one.
    route.ResolveHere = route.Level == "4" || proxy.Kind == TProxyKind::Socks5;
    return route;
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
    FHops.LookedUp(FSocket->DnsResult());
    if (FLookingUpHost) {
        // The host's address goes to the SOCKS server, which is looked up next.
        FLookingUpHost = false;
        FHostAddress = FSocket->DnsResult();
        LookUp(FSocksRoute.Server);
        return;
    }
    FResolvedAddress = FSocket->DnsResult();
    const THttpRequestWatch watch(*this);
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
    // connected to), and the host goes to it by name or by the address looked
    // up for it; the socket forgets these settings at every close. Directly,
    // every address looked up takes part in the socket's race, the system's
    // preferred first.
    const TSocksRoute& socks = FSocksRoute;
    const bool viaSocks = !socks.Server.empty();
    if (viaSocks)
        FSocket->SetAddr(socks.ResolveHere ? FHostAddress : SocketHost(FTarget.HostName));
    else if (FSocket->DnsResultList().empty()) // a numeric host, answered at once
        FSocket->SetAddr(FResolvedAddress);
    else
        FSocket->SetAddrList(FSocket->DnsResultList());
    FSocket->SetPort(FTarget.Port);
    FSocket->SetProto("tcp");
    // Also cleared here: settings left by a connect that failed before its close.
    FSocket->SetSocksServer(viaSocks ? FResolvedAddress : std::string());
    if (viaSocks) {
        FSocket->SetSocksPort(socks.Port);
        FSocket->SetSocksLevel(socks.Level);
        FSocket->SetSocksUsercode(socks.User);
        FSocket->SetSocksPassword(socks.Password);
        FSocket->SetSocksAuthentication(socks.Authentication);
    }
    // TLS runs over the SOCKS connection as it stands, but through an HTTP
    // proxy only inside the tunnel the proxy opens first.
    const bool tls = UsesTls(FTarget.Uri);
    FTunnelPending = tls && FTarget.Proxy.Kind == TProxyKind::Http;
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
    if (!SendCommands(ComposeTunnelLines(HostForUri(FTarget.Uri), EffectivePort(FTarget.Uri),
                                         FTarget.Proxy.User, FTarget.Proxy.Password)) ||
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
    if (FTunnelPending) {
        try {
            SendTunnelRequest();
        } catch (const std::exception&) {
            Logout();
        }
        return;
    }
    if (FSocket->SslEstablished()) {
        FSslPeerInfo = FSocket->SslPeerInfo();
        FHops.TlsDone(*FSslPeerInfo);
    }
    FConnected = true;
    const THttpRequestWatch watch(*this);
    StateChange(THttpState::httpConnected);
    if (!watch.Runs())
        return;
    TriggerSessionConnected();
    if (watch.Runs())
        StartRequest();
}

void THttpClient::StartRequest() {
    const THttpRequestWatch watch(*this);
    FLineHandler = &THttpClient::GetHeaderLineNext;
    StateChange(THttpState::httpWaitingHeader);
    if (!watch.Runs())
        return;
    const char* headVersion = FConnectionKey.empty() ? kHttpVersion : kKeptHeadVersion;
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
            SendRequest(RequestMethod(), headVersion);
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
    const auto status =
        FLineReader.CountHeaderLine() == 1 ? ParseStatusLine(FCurrentLine) : std::nullopt;
    if (status) {
        FTunnelStatus = status->Code;
        FTunnelReason = std::to_string(status->Code) + " " + status->Reason;
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
