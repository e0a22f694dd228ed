#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

#include "http/http_types.h"

// The HTTP client's notification endpoint: a QObject on the client's thread
// that receives the client's deferred messages as posted events and hands
// them back one at a time, in posting order. Messages still queued when the
// endpoint is destroyed are dropped.
class THttpNotifier : public QObject {
public:
    // Message numbers, counted from QEvent::User.
    enum TMessageKind { WM_HTTP_REQUEST_DONE = 1, WM_HTTP_SET_READY = 2, WM_HTTP_LOGIN = 3 };

    struct TMessage {
        TMessageKind Kind = WM_HTTP_REQUEST_DONE;
        // Serial number of the request that posted it, so that a message of
        // an ended request cannot act on the next one.
        std::uint64_t Request = 0;
        THttpRequest RqType = THttpRequest::httpAbort; // request done: what ended
        std::uint16_t Error = 0;                       // request done: its error
    };
    using TDispatch = std::function<void(const TMessage& Message)>;

    explicit THttpNotifier(TDispatch Dispatch);

    void Post(const TMessage& Message);

protected:
    bool event(QEvent* Event) override;

private:
    TDispatch FDispatch;
};
