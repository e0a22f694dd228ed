#include "net/custom_socks_socket.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/ascii_text.h"
#include "base/raise_event.h"
#include "net/socket_errors.h"
#include "net/socket_resolve.h"
#include "net/socks_protocol.h"
#include "net/socks_request.h"

namespace {

using namespace socks_protocol;

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
    if (Value != "4" && Value != kSocks5Level && Value != kSocks4aLevel && Value != "4a") {
        RaiseException("Invalid socks level. Must be 4, 4A or 5.");
        return;
    }
    FSocksLevel = Value == "4a" ? kSocks4aLevel : Value;
}

void TCustomSocksSocket::AssignDefaultValue() {
    TCustomAsyncSocket::AssignDefaultValue();
    FSocksServer.clear();
    FSocksPort.clear();
    // Moved in: GCC 12 warns falsely (-Wrestrict) on assigning the text in place.
    FSocksLevel = std::string(kSocks5Level);
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
    const bool inUse = FHSocket != -1 && FState != wsClosed;
    if (FSocksServer.empty() || inUse || !FPortAssigned || !FAddrAssigned) {
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
        // The proxy's preferred address only: its connection races nothing.
        FRemoteSockAddr.SetPort(SocketResolvePort(FSocksPort, Proto()));
        FPortResolved = true;
        FRemoteSockAddr.SetHost(SocketResolveAddress(FSocksServer));
        FAddrResolved = true;
        FTargetPort = SocketResolvePort(Port(), Proto());
    } catch (const ESocketException& e) {
        RaiseException(std::string("connect: ") + e.what());
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
    if (FSocksLevel != kSocks5Level) {
        SocksDoConnect();
        return;
    }
    FAuthMethod = FSocksAuthentication == socksAuthenticateUsercode ? kMethodUsercode : kMethodNone;
    TSocksRequest offer;
    offer.Byte(kSocks5Version);
    offer.Byte(1); // one method offered
    offer.Byte(FAuthMethod);
    SendRequest(offer);
}

void TCustomSocksSocket::SocksDoConnect() {
    FSocksState = socksConnect;
    FRcvCnt = 0;
    TSocksRequest request;
    const std::optional<TSocketAddress> ipv6 = TSocketAddress::FromIpv6Literal(Addr());
    if (FSocksLevel == kSocks5Level) {
        request.Byte(kSocks5Version);
        request.Byte(kCommandConnect);
        request.Byte(0); // reserved
        if (ipv6) {
            request.Byte(kAddressIPv6);
            request.Bytes(ipv6->Ipv6Bytes(), kIpv6AddressSize);
        } else {
            // Any other host goes as a name, a dotted address too: the proxy resolves it.
            request.Byte(kAddressDomain);
            request.Counted(Addr());
        }
        request.Word(FTargetPort);
    } else if (ipv6) {
        DataAvailableError(socks_errors::kAddressNotSendable,
                           "address type not supported by SOCKS 4");
        return;
    } else {
        const bool socks4a = FSocksLevel == kSocks4aLevel;
        request.Byte(kSocks4Version);
        request.Byte(kCommandConnect);
        request.Word(FTargetPort);
        try {
            request.Address(socks4a ? htonl(kSocks4aAddress) : SocketResolveHost(Addr()));
        } catch (const ESocketException& e) {
            DataAvailableError(socks_errors::kHostResolution,
                               std::string("ESocketException ") + e.what());
            return;
        }
        request.ZeroTerminated(FSocksUsercode);
        if (socks4a)
            request.ZeroTerminated(Addr());
    }
    SendRequest(request);
}

void TCustomSocksSocket::SocksDoAuthenticate() {
    FSocksState = socksAuthenticate;
    FRcvCnt = 0;
    const TLifeToken::TWatch watch = FLife.Watch();
    TriggerSocksAuthState(socksAuthStart);
    if (!StillConnected(watch))
        return;
    TSocksRequest request;
    request.Byte(kAuthVersion);
    request.Counted(FSocksUsercode);
    request.Counted(FSocksPassword);
    SendRequest(request);
}

void TCustomSocksSocket::SendRequest(const TSocksRequest& Request) {
    if (!Request.Fits()) {
        DataAvailableError(socks_errors::kFieldTooLong, "socks request field too long");
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
    const bool socks4Reply = FSocksState == socksConnect && FSocksLevel != kSocks5Level;
    return (socks4Reply ? kSocks4ReplySize : kReplyBufferSize) - FRcvCnt;
}

bool TCustomSocksSocket::TriggerDataAvailable(std::uint16_t Error) {
    if (!Negotiating())
        return TCustomAsyncSocket::TriggerDataAvailable(Error);
    if (Error != 0) {
        DataAvailableError(Error, "data receive error");
        return true;
    }
    // The engine's receive: the reply bytes come straight from the system.
    const int n = TCustomAsyncSocket::DoRecv(FRcvBuf.data() + FRcvCnt, ReplyRoom(), 0);
    if (n <= 0)
        return true; // nothing yet, or the close that follows reports itself
    FRcvCnt += n;
    switch (FSocksState) {
    case socksNegociateMethods:
        MethodReply();
        break;
    case socksAuthenticate:
        AuthenticationReply();
        break;
    case socksConnect:
        if (FSocksLevel == kSocks5Level)
            Socks5Reply();
        else
            Socks4Reply();
        break;
    case socksData:
        DataAvailableError(socks_errors::kInternalError, "internal error");
        break;
    }
    return true;
}

void TCustomSocksSocket::MethodReply() {
    if (FSocksLevel != kSocks5Level) {
        DataAvailableError(socks_errors::kLogicError, "TAsyncSocket logic error");
        return;
    }
    if (FRcvCnt < kShortReplySize)
        return;
    FRcvCnt = 0;
    if (FRcvBuf[0] != kSocks5Version) {
        DataAvailableError(socks_errors::kVersionError, "socks version error");
        return;
    }
    switch (FRcvBuf[1]) {
    case kMethodNone:
        if (FAuthMethod == kMethodUsercode) {
            const TLifeToken::TWatch watch = FLife.Watch();
            TriggerSocksAuthState(socksAuthNotRequired);
            if (!StillConnected(watch))
                return;
        }
        SocksDoConnect();
        break;
    case kMethodUsercode:
        SocksDoAuthenticate();
        break;
    default:
        DataAvailableError(socks_errors::kMethodNotAcceptable,
                           "authentification method not acceptable");
    }
}

void TCustomSocksSocket::AuthenticationReply() {
    if (FRcvBuf[0] != kAuthVersion) {
        DataAvailableError(socks_errors::kVersionError, "socks version error");
        return;
    }
    if (FRcvCnt > kShortReplySize) {
        DataAvailableError(socks_errors::kLogicError, "too much data availaible");
        return;
    }
    if (FRcvCnt < kShortReplySize)
        return;
    if (FRcvBuf[1] != kAuthSucceeded) {
        DataAvailableError(socks_errors::kAuthenticationFailed, "socks authentication failed");
        return;
    }
    FRcvCnt = 0;
    const TLifeToken::TWatch watch = FLife.Watch();
    TriggerSocksAuthState(socksAuthSuccess);
    if (StillConnected(watch))
        SocksDoConnect();
}

void TCustomSocksSocket::Socks4Reply() {
    if (FRcvCnt < kSocks4ReplySize)
        return;
    if (FRcvBuf[0] != kSocks4ReplyVersion) {
        DataAvailableError(socks_errors::kVersionError, "socks version error");
    } else if (FRcvBuf[1] != kSocks4Granted) {
        const TFailure failure = Socks4ReplyFailure(FRcvBuf[1]);
        DataAvailableError(failure.Number, failure.Text);
    } else {
        Connected(kSocks4ReplySize);
    }
}

void TCustomSocksSocket::Socks5Reply() {
    if (FRcvBuf[0] != kSocks5Version) {
        DataAvailableError(socks_errors::kVersionError, "socks version error");
        return;
    }
    if (FRcvCnt < kShortReplySize)
        return;
    if (FRcvBuf[1] != kSocks5Succeeded) {
        const TFailure failure = Socks5ReplyFailure(FRcvBuf[1]);
        DataAvailableError(failure.Number, failure.Text);
        return;
    }
    if (FRcvCnt < kSocks5ReplyHead)
        return;
    // The proxy names the address it bound as IPv4, IPv6 (the usual answer
    // to an IPv6 target) or a name; the reply's length follows from it.
    int length = 0;
    switch (FRcvBuf[3]) {
    case kAddressIPv4:
        length = kSocks5IPv4Reply;
        break;
    case kAddressDomain:
        length = kSocks5DomainReply + FRcvBuf[4];
        break;
    case kAddressIPv6:
        length = kSocks5IPv6Reply;
        break;
    default:
        break;
    }
    // A bound name too long for the reply buffer could never be read whole.
    if (length == 0 || length > kReplyBufferSize) {
        DataAvailableError(socks_errors::kAddressTypeNotSupported, "address type not supported");
        return;
    }
    if (FRcvCnt >= length)
        Connected(length);
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
        const int before = FLeftoverCount;
        if (!TriggerDataAvailable(0)) {
            if (watch.Alive())
                FLeftoverCount = 0;
            return;
        }
        if (!watch.Alive() || FLeftoverCount == before)
            return;
    }
}

// --- receiving -------------------------------------------------------------

int TCustomSocksSocket::DoRecv(void* Buffer, int BufferSize, int Flags) {
    if (FLeftoverCount <= 0)
        return TCustomAsyncSocket::DoRecv(Buffer, BufferSize, Flags);
    const int n = std::clamp(BufferSize, 0, FLeftoverCount);
    std::memcpy(Buffer, FRcvBuf.data() + FLeftoverStart, static_cast<std::size_t>(n));
    if ((Flags & MSG_PEEK) == 0) {
        FLeftoverStart += n;
        FLeftoverCount -= n;
        // Counts as a receive call, which arms the next read notification
        // for what follows the leftover.
        CountReceiveCall(Flags);
    }
    return n;
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
