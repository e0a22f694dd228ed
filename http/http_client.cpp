// THttpClient: construction, the socket's events wired to the client, and
// the trigger operations, the one place where each event is raised.

#include "http/http_client.h"

#include "base/raise_event.h"
#include "http/http_notifier.h"
#include "net/async_socket.h"

THttpClient::THttpClient(QObject* Owner) : QObject(Owner) {
    FNotifier = std::make_unique<THttpNotifier>([this](const THttpNotifier::TMessage& M) {
        Dispatch(M.Kind, M.Request, M.RqType, M.Error);
    });
    FSocket = std::make_unique<TAsyncSocket>();
    FSocket->OnDnsLookupDone = [this](TCustomAsyncSocket*, std::uint16_t Error) {
        SocketDNSLookupDone(Error);
    };
    FSocket->OnSessionConnected = [this](TCustomAsyncSocket*, std::uint16_t Error) {
        SocketSessionConnected(Error);
    };
    FSocket->OnDataAvailable = [this](TCustomAsyncSocket*, std::uint16_t Error) {
        SocketDataAvailable(Error);
    };
    FSocket->OnDataSent = [this](TCustomAsyncSocket*, std::uint16_t Error) {
        SocketDataSent(Error);
    };
    FSocket->OnSocksError = [this](TCustomAsyncSocket*, std::int32_t Error,
                                   const std::string& Msg) {
        FSocksError = Error;
        FSocksErrorText = Msg;
    };
    // The TCP connection (to the proxy, when there is one) stands before any
    // SOCKS negotiation or handshake over it.
    FSocket->OnChangeState = [this](TCustomAsyncSocket*, TSocketState, TSocketState New) {
        if (New == wsConnected)
            NoteConnection();
    };
    AttachSessionClosed(&THttpClient::SocketSessionClosed);
}

THttpClient::~THttpClient() {
    // First of all: the step that raised the event whose handler deletes the
    // client learns it here, and returns.
    FLifeToken.Clear();
    // The socket goes first: closing it while it is destroyed raises no event,
    // and nothing it still had queued can reach this object afterwards.
    FSocket.reset();
    FNotifier.reset();
}

std::optional<TSocketAddress> THttpClient::PeerAddress() const {
    sockaddr_storage peer{};
    if (FSocket->GetPeerName(peer) != 0)
        return std::nullopt; // a connect that failed has no peer
    return TSocketAddress::FromSockaddr(peer);
}

void THttpClient::NoteConnection() {
    if (const auto peer = PeerAddress())
        FHops.Connected(peer->Text(), std::to_string(peer->Port()));
}

void THttpClient::SetMultiThreaded(bool Value) {
    FMultiThreaded = Value;
    FSocket->SetMultiThreaded(Value);
}

void THttpClient::AttachSessionClosed(void (THttpClient::*Handler)()) {
    FSocket->OnSessionClosed = [this, Handler](TCustomAsyncSocket*, std::uint16_t Error) {
        if (KeptConnectionClosed())
            return;
        CheckAnswerComplete(Error);
        (this->*Handler)();
    };
}

void THttpClient::TriggerCookie(const std::string& Data, bool& Accept) {
    RaiseEvent(FLifeToken, OnCookie, this, Data, Accept);
}

void THttpClient::TriggerSessionConnected() {
    RaiseEvent(FLifeToken, OnSessionConnected, this);
}

void THttpClient::TriggerRequestHeaderBegin() {
    RaiseEvent(FLifeToken, OnRequestHeaderBegin, this);
}

void THttpClient::TriggerRequestHeaderEnd() {
    RaiseEvent(FLifeToken, OnRequestHeaderEnd, this);
}

void THttpClient::TriggerHeaderBegin() {
    RaiseEvent(FLifeToken, OnHeaderBegin, this);
}

void THttpClient::TriggerHeaderEnd() {
    RaiseEvent(FLifeToken, OnHeaderEnd, this);
}

void THttpClient::TriggerDocBegin() {
    RaiseEvent(FLifeToken, OnDocBegin, this);
}

void THttpClient::TriggerDocData(const void* Buffer, std::int32_t Len) {
    RaiseEvent(FLifeToken, OnDocData, this, Buffer, Len);
}

void THttpClient::TriggerDocEnd() {
    RaiseEvent(FLifeToken, OnDocEnd, this);
}

void THttpClient::TriggerSendBegin() {
    RaiseEvent(FLifeToken, OnSendBegin, this);
}

void THttpClient::TriggerSendData(const void* Buffer, std::int32_t Len) {
    RaiseEvent(FLifeToken, OnSendData, this, Buffer, Len);
}

void THttpClient::TriggerSendEnd() {
    RaiseEvent(FLifeToken, OnSendEnd, this);
}

void THttpClient::TriggerCommand(std::string& Line) {
    RaiseEvent(FLifeToken, OnCommand, this, Line);
}

void THttpClient::TriggerHeaderData() {
    RaiseEvent(FLifeToken, OnHeaderData, this);
}

void THttpClient::TriggerStateChange() {
    RaiseEvent(FLifeToken, OnStateChange, this);
}

void THttpClient::TriggerLocationChange() {
    RaiseEvent(FLifeToken, OnLocationChange, this);
}

void THttpClient::TriggerRequestDone(THttpRequest RqType, std::uint16_t Error) {
    RaiseEvent(FLifeToken, OnRequestDone, this, RqType, Error);
}

void THttpClient::TriggerDataAvailable(std::uint16_t Error) {
    RaiseEvent(FLifeToken, OnDataAvailable, this, Error);
}
