#include "net/custom_socks_socket.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/raise_event.h"
#include "net/socket_errors.h"
#include "net/socket_resolve.h"
#include "net/socks_protocol.h"
#include "net/socks_request.h"

namespace {

using namespace socks_protocol;

std::string LowerCase(std::string Text) {
    std::transform(Text.begin(), Text.end(), Text.begin(),
                   [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
    return Text;
}

} // namespace

// --- settings --------------------------------------------------------------

void TCustomSocksSocket::SetSocksServer(const std::string& Value) {
    if (!CloseEndedSession())
        return;
    if (FState != wsClosed) {
        RaiseException("Can't change socks server if not closed");
        return;
    }
    FSocksServer = TrimSpaces(Value);
}

void TCustomSocksSocket::SetSocksPort(const std::string& Value) {
    if (!CloseEndedSession())
        return;
    if (FState != wsClosed) {
        RaiseException("Can't change socks port if not closed");
        return;
    }
    FSocksPort = TrimSpaces(Value);
}

void TCustomSocksSocket::SetSocksLevel(const std::string& Value) {
    if (!CloseEndedSession())
        return;
    if (FState != wsClosed) {
        RaiseException("Can't change socks level if not closed");
        return;
    }
    if (Value != "4" && Value != Socks5Level && Value != Socks4aLevel && Value != "4a") {
        RaiseException("Invalid socks level. Must be 4, 4A or 5.");
        return;
    }
    FSocksLevel = Value == "4a" ? Socks4aLevel : Value;
}

void TCustomSocksSocket::AssignDefaultValue() {
    TCustomAsyncSocket::AssignDefaultValue();
    FSocksServer.clear();
    FSocksPort.clear();
    // Moved in: GCC 12 warns falsely (-Wrestrict) on assigning the text in place.
    FSocksLevel = std::string(Socks5Level);
    FSocksState = socksData;
    FProxyConnectPending = false;
    FRcvCnt = 0;
    FLeftoverStart = 0;
    FLeftoverCount = 0;
}

// --- connection ------------------------------------------------------------

void TCustomSocksSocket::Connect() {
    if (!CloseEndedSession())
        return;
    const bool InUse = FHSocket != -1 && FState != wsClosed;
    if (FSocksServer.empty() || InUse || !FPortAssigned || !FAddrAssigned) {
        TCustomAsyncSocket::Connect(); // refuses what is missing in its own words
        return;
    }
    if (LowerCase(Proto()) != "tcp") {
        RaiseException("tcp is the only protocol supported thru socks server");
        return;
    }
    try {
        // Always the proxy's address: one left resolved by an earlier failed
        // attempt would be the target's, and the connection would bypass the proxy.
        FRemoteSockAddr.sin_port = htons(SocketResolvePort(FSocksPort, Proto()));
        FPortResolved = true;
        FRemoteSockAddr.sin_addr.s_addr = SocketResolveHost(FSocksServer);
        FAddrResolved = true;
        FTargetPort = SocketResolvePort(Port(), Proto());
    } catch (const ESocketException& E) {
        RaiseException(std::string("connect: ") + E.what());
        return;
    }
    FSocksState = socksNegociateMethods;
    FProxyConnectPending = true;
    FOutcomeReported = false;
    FSendCut = false;
    FRcvCnt = 0;
    FLeftoverCount = 0;
    TCustomAsyncSocket::Connect();
}

void TCustomSocksSocket::Listen() {
    if (!FSocksServer.empty()) {
        RaiseException("Listening is not supported thru socks server");
        return;
    }
    TCustomAsyncSocket::Listen();
}

void TCustomSocksSocket::InternalClose(bool Shut, std::uint16_t Error) {
    if (Negotiating() && !FOutcomeReported) {
        // With the close already notified a send failure ended the session, and
        // its OnSessionClosed follows this close; otherwise this is our own close,
        // which ends the negotiation like a close while connecting.
        if (FCloseNotified)
            FSendCut = true;
        else
            FOutcomeReported = true;
    }
    TCustomAsyncSocket::InternalClose(Shut, Error);
}

bool TCustomSocksSocket::StillConnected(const TLifeToken::TWatch& Watch) const {
    return Watch.Alive() && FState == wsConnected;
}

void TCustomSocksSocket::TriggerSessionConnected(std::uint16_t Error) {
    if (!FProxyConnectPending) {
        TCustomAsyncSocket::TriggerSessionConnected(Error);
        return;
    }
    FProxyConnectPending = false;
    const TLifeToken::TWatch watch = FLife.Watch();
    TriggerSocksConnected(Error);
    if (!watch.Alive())
        return;
    if (Error != 0) {
        // The proxy cannot be reached: an ordinary failed connect.
        FSocksState = socksData;
        FOutcomeReported = true;
        TCustomAsyncSocket::TriggerSessionConnected(Error);
        return;
    }
    if (!StillConnected(watch))
        return;
    if (FSocksLevel != Socks5Level) {
        SocksDoConnect();
        return;
    }
    FAuthMethod = FSocksAuthentication == socksAuthenticateUsercode ? MethodUsercode : MethodNone;
    TSocksRequest Offer;
    Offer.Byte(Socks5Version);
    Offer.Byte(1); // one method offered
    Offer.Byte(FAuthMethod);
    SendRequest(Offer);
}

void TCustomSocksSocket::SocksDoConnect() {
    FSocksState = socksConnect;
    FRcvCnt = 0;
    TSocksRequest Request;
    if (FSocksLevel == Socks5Level) {
        // The host always goes as a name, a dotted address too: the proxy resolves it.
        Request.Byte(Socks5Version);
        Request.Byte(CommandConnect);
        Request.Byte(0); // reserved
        Request.Byte(AddressDomain);
        Request.Counted(Addr());
        Request.Word(FTargetPort);
    } else {
        const bool Socks4a = FSocksLevel == Socks4aLevel;
        Request.Byte(Socks4Version);
        Request.Byte(CommandConnect);
        Request.Word(FTargetPort);
        try {
            Request.Address(Socks4a ? htonl(Socks4aAddress) : SocketResolveHost(Addr()));
        } catch (const ESocketException& E) {
            DataAvailableError(socks_errors::HostResolution,
                               std::string("ESocketException ") + E.what());
            return;
        }
        Request.ZeroTerminated(FSocksUsercode);
        if (Socks4a)
            Request.ZeroTerminated(Addr());
    }
    SendRequest(Request);
}

void TCustomSocksSocket::SocksDoAuthenticate() {
    FSocksState = socksAuthenticate;
    FRcvCnt = 0;
    const TLifeToken::TWatch watch = FLife.Watch();
    TriggerSocksAuthState(socksAuthStart);
    if (!StillConnected(watch))
        return;
    TSocksRequest Request;
    Request.Byte(AuthVersion);
    Request.Counted(FSocksUsercode);
    Request.Counted(FSocksPassword);
    SendRequest(Request);
}

void TCustomSocksSocket::SendRequest(const TSocksRequest& Request) {
    if (!Request.Fits()) {
        DataAvailableError(socks_errors::FieldTooLong, "socks request field too long");
        return;
    }
    try {
        // The engine's Send: a layer above must not transform the negotiation.
        TCustomAsyncSocket::Send(Request.Data(), Request.Size());
    } catch (const std::exception&) {
        // A failed send ends the session, which reports itself.
    }
}

// --- failures --------------------------------------------------------------

void TCustomSocksSocket::ReportFailure(int Code, const std::string& Msg) {
    FOutcomeReported = true;
    const TLifeToken::TWatch watch = FLife.Watch();
    TriggerSocksError(Code, Msg);
    if (watch.Alive())
        TriggerSessionConnected(static_cast<std::uint16_t>(Code));
}

void TCustomSocksSocket::DataAvailableError(int Code, const std::string& Msg) {
    const TLifeToken::TWatch watch = FLife.Watch();
    ReportFailure(Code, Msg);
    if (watch.Alive())
        InternalClose(true, static_cast<std::uint16_t>(Code));
}

void TCustomSocksSocket::TriggerSessionClosed(std::uint16_t Error) {
    const TLifeToken::TWatch watch = FLife.Watch();
    if (FSocksState == socksAuthenticate) {
        TriggerSocksAuthState(socksAuthFailure);
        if (!watch.Alive())
            return;
    }
    if ((Negotiating() || FSendCut) && !FOutcomeReported) {
        // The proxy went away before the negotiation was done.
        if (Error == 0)
            Error = wsaerr::ConnAborted;
        ReportFailure(Error, "socks server closed the connection");
        if (!watch.Alive())
            return;
    }
    FSendCut = false;
    TCustomAsyncSocket::TriggerSessionClosed(Error);
}

// --- replies ---------------------------------------------------------------

int TCustomSocksSocket::ReplyRoom() const {
    const bool Socks4Reply = FSocksState == socksConnect && FSocksLevel != Socks5Level;
    return (Socks4Reply ? Socks4ReplySize : ReplyBufferSize) - FRcvCnt;
}

bool TCustomSocksSocket::TriggerDataAvailable(std::uint16_t Error) {
    if (!Negotiating())
        return TCustomAsyncSocket::TriggerDataAvailable(Error);
    if (Error != 0) {
        DataAvailableError(Error, "data receive error");
        return true;
    }
    // The engine's receive: the reply bytes come straight from the system.
    const int N = TCustomAsyncSocket::DoRecv(FRcvBuf.data() + FRcvCnt, ReplyRoom(), 0);
    if (N <= 0)
        return true; // nothing yet, or the close that follows reports itself
    FRcvCnt += N;
    switch (FSocksState) {
    case socksNegociateMethods:
        MethodReply();
        break;
    case socksAuthenticate:
        AuthenticationReply();
        break;
    case socksConnect:
        if (FSocksLevel == Socks5Level)
            Socks5Reply();
        else
            Socks4Reply();
        break;
    case socksData:
        DataAvailableError(socks_errors::InternalError, "internal error");
        break;
    }
    return true;
}

void TCustomSocksSocket::MethodReply() {
    if (FSocksLevel != Socks5Level) {
        DataAvailableError(socks_errors::LogicError, "TAsyncSocket logic error");
        return;
    }
    if (FRcvCnt < ShortReplySize)
        return;
    FRcvCnt = 0;
    if (FRcvBuf[0] != Socks5Version) {
        DataAvailableError(socks_errors::VersionError, "socks version error");
        return;
    }
    switch (FRcvBuf[1]) {
    case MethodNone:
        if (FAuthMethod == MethodUsercode) {
            const TLifeToken::TWatch watch = FLife.Watch();
            TriggerSocksAuthState(socksAuthNotRequired);
            if (!StillConnected(watch))
                return;
        }
        SocksDoConnect();
        break;
    case MethodUsercode:
        SocksDoAuthenticate();
        break;
    default:
        DataAvailableError(socks_errors::MethodNotAcceptable,
                           "authentification method not acceptable");
    }
}

void TCustomSocksSocket::AuthenticationReply() {
    if (FRcvBuf[0] != AuthVersion) {
        DataAvailableError(socks_errors::VersionError, "socks version error");
        return;
    }
    if (FRcvCnt > ShortReplySize) {
        DataAvailableError(socks_errors::LogicError, "too much data availaible");
        return;
    }
    if (FRcvCnt < ShortReplySize)
        return;
    if (FRcvBuf[1] != AuthSucceeded) {
        DataAvailableError(socks_errors::AuthenticationFailed, "socks authentication failed");
        return;
    }
    FRcvCnt = 0;
    const TLifeToken::TWatch watch = FLife.Watch();
    TriggerSocksAuthState(socksAuthSuccess);
    if (StillConnected(watch))
        SocksDoConnect();
}

void TCustomSocksSocket::Socks4Reply() {
    if (FRcvCnt < Socks4ReplySize)
        return;
    if (FRcvBuf[0] != Socks4ReplyVersion) {
        DataAvailableError(socks_errors::VersionError, "socks version error");
    } else if (FRcvBuf[1] != Socks4Granted) {
        const TFailure Failure = Socks4ReplyFailure(FRcvBuf[1]);
        DataAvailableError(Failure.Number, Failure.Text);
    } else {
        Connected(Socks4ReplySize);
    }
}

void TCustomSocksSocket::Socks5Reply() {
    if (FRcvBuf[0] != Socks5Version) {
        DataAvailableError(socks_errors::VersionError, "socks version error");
        return;
    }
    if (FRcvCnt < ShortReplySize)
        return;
    if (FRcvBuf[1] != Socks5Succeeded) {
        const TFailure Failure = Socks5ReplyFailure(FRcvBuf[1]);
        DataAvailableError(Failure.Number, Failure.Text);
        return;
    }
    if (FRcvCnt < Socks5ReplyHead)
        return;
    int Length = 0;
    switch (FRcvBuf[3]) {
    case AddressIPv4:
        Length = Socks5IPv4Reply;
        break;
    case AddressDomain:
        Length = Socks5DomainReply + FRcvBuf[4];
        break;
    case AddressIPv6:
        Length = Socks5IPv6Reply;
        break;
    default:
        break;
    }
    // A bound name too long for the reply buffer could never be read whole.
    if (Length == 0 || Length > ReplyBufferSize) {
        DataAvailableError(socks_errors::AddressTypeNotSupported, "address type not supported");
        return;
    }
    if (FRcvCnt >= Length)
        Connected(Length);
}

void TCustomSocksSocket::Connected(int ReplyLength) {
    FLeftoverStart = ReplyLength;
    FLeftoverCount = FRcvCnt - ReplyLength;
    FRcvCnt = 0;
    FSocksState = socksData;
    FOutcomeReported = true;
    const TLifeToken::TWatch watch = FLife.Watch();
    TriggerSessionConnected(0);
    // Bytes behind the reply are the application's: offered while a handler
    // takes some, thrown away when nobody takes data at all.
    while (StillConnected(watch) && FLeftoverCount > 0) {
        const int Before = FLeftoverCount;
        if (!TriggerDataAvailable(0)) {
            if (watch.Alive())
                FLeftoverCount = 0;
            return;
        }
        if (!watch.Alive() || FLeftoverCount == Before)
            return;
    }
}

// --- receiving -------------------------------------------------------------

int TCustomSocksSocket::DoRecv(void* Buffer, int BufferSize, int Flags) {
    if (FLeftoverCount <= 0)
        return TCustomAsyncSocket::DoRecv(Buffer, BufferSize, Flags);
    const int N = std::clamp(BufferSize, 0, FLeftoverCount);
    std::memcpy(Buffer, FRcvBuf.data() + FLeftoverStart, static_cast<std::size_t>(N));
    if ((Flags & MSG_PEEK) == 0) {
        FLeftoverStart += N;
        FLeftoverCount -= N;
        // Counts as a receive call, which arms the next read notification
        // for what follows the leftover.
        CountReceiveCall(Flags);
    }
    return N;
}

std::int32_t TCustomSocksSocket::GetRcvdCount() {
    return FLeftoverCount > 0 ? FLeftoverCount : TCustomAsyncSocket::GetRcvdCount();
}

// --- triggers --------------------------------------------------------------

void TCustomSocksSocket::TriggerDataSent(std::uint16_t Error) {
    if (!Negotiating())
        TCustomAsyncSocket::TriggerDataSent(Error);
}

void TCustomSocksSocket::TriggerSendData(std::int32_t BytesSent) {
    if (!Negotiating())
        TCustomAsyncSocket::TriggerSendData(BytesSent);
}

void TCustomSocksSocket::TriggerSocksConnected(std::uint16_t Error) {
    RaiseEvent(FLife, OnSocksConnected, this, Error);
}

void TCustomSocksSocket::TriggerSocksError(int Error, const std::string& Msg) {
    RaiseEvent(FLife, OnSocksError, this, Error, Msg);
}

void TCustomSocksSocket::TriggerSocksAuthState(TSocksAuthState AuthState) {
    RaiseEvent(FLife, OnSocksAuthState, this, AuthState);
}
