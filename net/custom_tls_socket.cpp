#include "net/custom_tls_socket.h"

#include <sys/socket.h>

#include <cerrno>

#include "net/tls_session.h"

TCustomTlsSocket::TCustomTlsSocket(QObject* Owner) : TCustomSocksSocket(Owner) {}

TCustomTlsSocket::~TCustomTlsSocket() {
    BeginDestruction();
}

// --- settings ----------------------------------------------------------------

bool TCustomTlsSocket::CanChange(const char* What) {
    if (!CloseEndedSession())
        return false;
    if (FState == wsClosed)
        return true;
    RaiseException(std::string("Can't change ") + What + " if not closed");
    return false;
}

void TCustomTlsSocket::SetSslEnable(bool Value) {
    if (CanChange("ssl enable"))
        FSslEnable = Value;
}

void TCustomTlsSocket::SetSslHostName(const std::string& Value) {
    if (CanChange("ssl host name"))
        FSettings.HostName = Value;
}

void TCustomTlsSocket::SetSslVerify(bool Value) {
    if (CanChange("ssl verify"))
        FSettings.Verify = Value;
}

void TCustomTlsSocket::SetSslCAFile(const std::string& Value) {
    if (CanChange("ssl CA file"))
        FSettings.CAFile = Value;
}

bool TCustomTlsSocket::Negotiating() const {
    return SocksNegotiating() || Handshaking();
}

bool TCustomTlsSocket::SslEstablished() const {
    return FSession && FHandshakeDone;
}

void TCustomTlsSocket::AssignDefaultValue() {
    TCustomSocksSocket::AssignDefaultValue();
    FSslEnable = false;
    FSettings = TTlsSettings{};
    FSession.reset();
    FHandshakeDone = false;
}

// --- session -------------------------------------------------------------------

void TCustomTlsSocket::TriggerSessionConnected(std::uint16_t Error) {
    // Failures, plain sessions and the connection to a SOCKS server that is
    // still to negotiate go on as they are; TLS starts on the finished path.
    if (!FSslEnable || Error != 0 || FSession || SocksNegotiating()) {
        TCustomSocksSocket::TriggerSessionConnected(Error);
        return;
    }
    StartHandshake();
}

void TCustomTlsSocket::StartSsl() {
    if (FState != wsConnected || FSession || Negotiating()) {
        RaiseException("Can't start ssl if not connected or already encrypted");
        return;
    }
    FSslEnable = true;
    StartHandshake();
}

void TCustomTlsSocket::StartHandshake() {
    FPeerInfo = TTlsPeerInfo{};
    FErrorText.clear();
    TTlsSettings settings = FSettings;
    if (settings.HostName.empty())
        settings.HostName = Addr();
    FSession = std::make_unique<TTlsSession>(
        settings,
        [this](void* Buffer, int Size) { return TCustomSocksSocket::DoRecv(Buffer, Size, 0); },
        [this](const void* Data, int Len) {
            const auto n = static_cast<int>(
                ::send(FHSocket, Data, static_cast<std::size_t>(Len), MSG_NOSIGNAL));
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                RequestWriteNotification();
            return n;
        });
    FHandshakeDone = false;
    ContinueHandshake();
}

void TCustomTlsSocket::ContinueHandshake() {
    switch (FSession->Handshake()) {
    case TTlsSession::TResult::Done: {
        FHandshakeDone = true;
        FPeerInfo = FSession->PeerInfo();
        TCustomSocksSocket::TriggerSessionConnected(0);
        break;
    }
    case TTlsSession::TResult::WantRead:
    case TTlsSession::TResult::WantWrite:
        break; // the transport functions asked for the readiness needed
    case TTlsSession::TResult::Closed:
    case TTlsSession::TResult::Failed:
        Fail(FSession->ErrorText().empty() ? "TLS handshake failed: connection closed"
                                           : FSession->ErrorText());
        break;
    }
}

// Reported like a failed connect; the session ends once, with kTlsFailure.
void TCustomTlsSocket::Fail(const std::string& Text) {
    FErrorText = Text;
    FLastError = kTlsFailure;
    const TLifeToken::TWatch watch = FLife.Watch();
    const bool held = !FHandshakeDone;
    FHandshakeDone = true; // nothing of this session goes through the handshake again
    if (held)
        TCustomSocksSocket::TriggerSessionConnected(kTlsFailure);
    if (watch.Alive() && FState != wsClosed)
        InternalClose(false, kTlsFailure);
}

void TCustomTlsSocket::InternalClose(bool Shut, std::uint16_t Error) {
    // close_notify, as far as the system takes it now; never waited for.
    if (Shut && SslEstablished() && FHSocket >= 0)
        FSession->Shutdown();
    TCustomSocksSocket::InternalClose(Shut, Error);
}

// --- data --------------------------------------------------------------------------

bool TCustomTlsSocket::TriggerDataAvailable(std::uint16_t Error) {
    if (!Handshaking())
        return TCustomSocksSocket::TriggerDataAvailable(Error);
    if (SocksNegotiating())
        return TCustomSocksSocket::TriggerDataAvailable(Error);
    ContinueHandshake();
    return true;
}

void TCustomTlsSocket::TriggerDataSent(std::uint16_t Error) {
    // The handshake's own writes wait for room like any send; the event that
    // reports room continues it and is not the application's.
    if (Handshaking()) {
        ContinueHandshake();
        return;
    }
    TCustomSocksSocket::TriggerDataSent(Error);
}

int TCustomTlsSocket::DoRecv(void* Buffer, int BufferSize, int Flags) {
    if (!FSession)
        return TCustomSocksSocket::DoRecv(Buffer, BufferSize, Flags);
    if (!SslEstablished()) {
        errno = EAGAIN;
        return -1;
    }
    TTlsSession::TResult result;
    const int n = FSession->Read(Buffer, BufferSize, result, (Flags & MSG_PEEK) != 0);
    if (n > 0) {
        if ((Flags & MSG_PEEK) == 0)
            CountReceiveCall(Flags);
        return n;
    }
    switch (result) {
    case TTlsSession::TResult::Closed:
        // close_notify: the session ends as if the peer had closed.
        PostSocketMessage(WM_ASYNCSELECT, MakeSelectParam(FD_CLOSE_BIT, 0));
        return 0;
    case TTlsSession::TResult::Failed:
        FErrorText = FSession->ErrorText();
        errno = FSession->TransportErrno() != 0 ? FSession->TransportErrno() : ECONNRESET;
        return -1;
    default:
        errno = EAGAIN;
        return -1;
    }
}

std::int32_t TCustomTlsSocket::GetRcvdCount() {
    if (!FSession)
        return TCustomSocksSocket::GetRcvdCount();
    if (!SslEstablished())
        return 0;
    const int pending = FSession->Pending();
    return pending > 0 ? pending : TCustomSocksSocket::GetRcvdCount();
}

bool TCustomTlsSocket::HoldsBytes() const {
    return (SslEstablished() && FSession->Pending() > 0) || TCustomSocksSocket::HoldsBytes();
}

int TCustomTlsSocket::RealSend(const void* Data, int Len) {
    if (!SslEstablished())
        return TCustomSocksSocket::RealSend(Data, Len);
    TTlsSession::TResult result;
    const int n = FSession->Write(Data, Len, result);
    if (n > 0) {
        TriggerSendData(n);
        return n;
    }
    if (result == TTlsSession::TResult::Failed) {
        FErrorText = FSession->ErrorText();
        errno = FSession->TransportErrno() != 0 ? FSession->TransportErrno() : ECONNRESET;
        return -1;
    }
    errno = EAGAIN;
    return -1;
}
