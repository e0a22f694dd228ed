#include "net/socket_endpoint.h"

#include <QCoreApplication>
#include <QSocketNotifier>

TSocketEndpoint::TSocketEndpoint(TDispatch Dispatch, TReadiness Readiness)
    : FDispatch(std::move(Dispatch)), FReadiness(std::move(Readiness)) {}

TSocketEndpoint::~TSocketEndpoint() = default;

void TSocketEndpoint::Post(TSocketMessage Message) {
    QCoreApplication::postEvent(this, new TSocketMessageEvent(std::move(Message)));
}

void TSocketEndpoint::Watch(int Handle) {
    FReadNotifier.reset();
    FWriteNotifier.reset();
    if (Handle < 0)
        return;
    FReadNotifier = std::make_unique<QSocketNotifier>(Handle, QSocketNotifier::Read);
    FWriteNotifier = std::make_unique<QSocketNotifier>(Handle, QSocketNotifier::Write);
    FReadNotifier->setEnabled(false);
    FWriteNotifier->setEnabled(false);
    QObject::connect(FReadNotifier.get(), &QSocketNotifier::activated, this,
                     [this, Handle] { Notify(Handle, false); });
    QObject::connect(FWriteNotifier.get(), &QSocketNotifier::activated, this,
                     [this, Handle] { Notify(Handle, true); });
}

void TSocketEndpoint::Notify(int Handle, bool Writable) {
    const TReadiness Readiness = FReadiness; // the handler may delete this endpoint
    Readiness(Handle, Writable);
}

void TSocketEndpoint::SetReadEnabled(bool Enabled) {
    if (FReadNotifier && FReadNotifier->isEnabled() != Enabled)
        FReadNotifier->setEnabled(Enabled);
}

void TSocketEndpoint::SetWriteEnabled(bool Enabled) {
    if (FWriteNotifier && FWriteNotifier->isEnabled() != Enabled)
        FWriteNotifier->setEnabled(Enabled);
}

bool TSocketEndpoint::event(QEvent* Event) {
    if (Event->type() <= QEvent::User || Event->type() > QEvent::MaxUser)
        return QObject::event(Event);
    // Called through a copy: the handler may delete the owner, and with it this endpoint.
    const TDispatch Dispatch = FDispatch;
    Dispatch(static_cast<TSocketMessageEvent*>(Event)->Message);
    return true;
}
