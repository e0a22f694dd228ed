#pragma once

#include <QObject>

#include <functional>
#include <memory>

#include "net/socket_message.h"

class QSocketNotifier;

// A socket object's notification endpoint on the owner thread. It receives
// the posted private messages (as TSocketMessageEvent) and watches the
// descriptor with one read and one write notifier; both are reported through
// the callbacks given at construction. Posted messages still queued when the
// endpoint is destroyed are dropped by Qt.
class TSocketEndpoint : public QObject {
public:
    using TDispatch = std::function<void(TSocketMessage& Message)>;
    using TReadiness = std::function<void(int Handle, bool Writable)>;

    TSocketEndpoint(TDispatch Dispatch, TReadiness Readiness);
    ~TSocketEndpoint() override;

    void Post(TSocketMessage Message);

    // Creates both notifiers (disabled) for the handle; -1 removes them.
    void Watch(int Handle);
    void SetReadEnabled(bool Enabled);
    void SetWriteEnabled(bool Enabled);

protected:
    bool event(QEvent* Event) override;

private:
    void Notify(int Handle, bool Writable);

    TDispatch FDispatch;
    TReadiness FReadiness;
    std::unique_ptr<QSocketNotifier> FReadNotifier;
    std::unique_ptr<QSocketNotifier> FWriteNotifier;
};
