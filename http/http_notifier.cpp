#include "http/http_notifier.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

class THttpMessageEvent : public QEvent {
public:
    explicit THttpMessageEvent(const THttpNotifier::TMessage& Message)
        : QEvent(static_cast<QEvent::Type>(static_cast<int>(QEvent::User) + Message.Kind)),
          Message(Message) {}

    THttpNotifier::TMessage Message;
};

} // namespace

THttpNotifier::THttpNotifier(TDispatch Dispatch) : FDispatch(std::move(Dispatch)) {}

void THttpNotifier::Post(const TMessage& Message) {
    QCoreApplication::postEvent(this, new THttpMessageEvent(Message));
}

bool THttpNotifier::event(QEvent* Event) {
    const int kind = Event->type() - QEvent::User;
    if (kind < WM_HTTP_REQUEST_DONE || kind > WM_HTTP_LOGIN)
        return QObject::event(Event);
    FDispatch(static_cast<THttpMessageEvent*>(Event)->Message);
    return true;
}
