// THttpClient: construction, the socket's events wired to the client, and
// the trigger operations, the one place where each event is raised.

#include "http/http_client.h"

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
    AttachSessionClosed(&THttpClient::SocketSessionClosed);
}

THttpClient::~THttpClient() {
    // The socket goes first: closing it while it is destroyed raises no event,
    // and nothing it still had queued can reach this object afterwards.
    FSocket.reset();
    FNotifier.reset();
}

void THttpClient::SetMultiThreaded(bool Value) {
    FMultiThreaded = Value;
    FSocket->SetMultiThreaded(Value);
}

void THttpClient::AttachSessionClosed(void (THttpClient::*Handler)()) {
    FSocket->OnSessionClosed = [this, Handler](TCustomAsyncSocket*, std::uint16_t Error) {
        CheckAnswerComplete(Error);
        (this->*Handler)();
    };
}

void THttpClient::TriggerCookie(const std::string& Data, bool& Accept) {
    if (OnCookie)
        OnCookie(this, Data, Accept);
}

void THttpClient::TriggerSessionConnected() {
    if (OnSessionConnected)
        OnSessionConnected(this);
}

void THttpClient::TriggerRequestHeaderBegin() {
    if (OnRequestHeaderBegin)
        OnRequestHeaderBegin(this);
}

void THttpClient::TriggerRequestHeaderEnd() {
    if (OnRequestHeaderEnd)
        OnRequestHeaderEnd(this);
}

void THttpClient::TriggerHeaderBegin() {
    if (OnHeaderBegin)
        OnHeaderBegin(this);
}

void THttpClient::TriggerHeaderEnd() {
    if (OnHeaderEnd)
        OnHeaderEnd(this);
}

void THttpClient::TriggerDocBegin() {
    if (OnDocBegin)
        OnDocBegin(this);
}

void THttpClient::TriggerDocData(const void* Buffer, std::int32_t Len) {
    if (OnDocData)
        OnDocData(this, Buffer, Len);
}

void THttpClient::TriggerDocEnd() {
    if (OnDocEnd)
        OnDocEnd(this);
}

void THttpClient::TriggerSendBegin() {
    if (OnSendBegin)
        OnSendBegin(this);
}

void THttpClient::TriggerSendData(const void* Buffer, std::int32_t Len) {
    if (OnSendData)
        OnSendData(this, Buffer, Len);
}

void THttpClient::TriggerSendEnd() {
    if (OnSendEnd)
        OnSendEnd(this);
}

void THttpClient::TriggerCommand(std::string& Line) {
    if (OnCommand)
        OnCommand(this, Line);
}

void THttpClient::TriggerHeaderData() {
    if (OnHeaderData)
        OnHeaderData(this);
}

void THttpClient::TriggerStateChange() {
    if (OnStateChange)
        OnStateChange(this);
}

void THttpClient::TriggerLocationChange() {
    if (OnLocationChange)
        OnLocationChange(this);
}

void THttpClient::TriggerRequestDone(THttpRequest RqType, std::uint16_t Error) {
    if (OnRequestDone)
        OnRequestDone(this, RqType, Error);
}

void THttpClient::TriggerDataAvailable(std::uint16_t Error) {
    if (OnDataAvailable)
        OnDataAvailable(this, Error);
}
