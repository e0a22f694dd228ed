// Private messages and their dispatch, the socket's own message pump, and the
// seconds/microseconds helpers.
#include "net/custom_async_socket.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

#include "net/socket_endpoint.h"

void TCustomAsyncSocket::PostSocketMessage(unsigned Msg, std::uint32_t LParam) {
    FEndpoint->Post(TSocketMessage{Msg, FHSocket, LParam, {}, FSessionId});
}

// No exception may leave a Qt event handler: whatever a handler throws ends
// here and is treated as a background exception.
void TCustomAsyncSocket::Dispatch(TSocketMessage& Msg) {
    if (Msg.Msg == WM_QUIT_LOOP) {
        TakeQuitMessage();
        return;
    }
    const TLifeToken::TWatch watch = FLife.Watch();
    try {
        WndProc(Msg);
    } catch (const std::exception& e) {
        if (watch.Alive())
            HandleBackGroundException(e);
    } catch (...) {
        if (watch.Alive())
            HandleBackGroundException(ESocketException("Unknown exception in socket event"));
    }
}

void TCustomAsyncSocket::WndProc(TSocketMessage& Msg) {
    switch (Msg.Msg) {
    case WM_ASYNCSELECT:
        WMASyncSelect(Msg);
        break;
    case WM_ASYNCGETHOSTBYNAME:
    case WM_ASYNCGETHOSTBYADDR:
        WMAsyncLookupDone(Msg);
        break;
    case WM_CLOSE_DELAYED:
        // A close asked for in an earlier session must not end this one.
        if (Msg.Session == FSessionId)
            Close();
        break;
    case WM_RELEASE:
        delete this;
        break;
    case WM_TEST_EXCEPTION:
        throw ESocketException("Test exception in socket");
    default:
        break;
    }
}

void TCustomAsyncSocket::MessagePump() {
    if (FMultiThreaded)
        ProcessMessages();
    else
        QCoreApplication::processEvents();
}

void TCustomAsyncSocket::PostQuitMessage() {
    // Built without reading the session fields: the caller may be another thread.
    FEndpoint->Post(TSocketMessage{WM_QUIT_LOOP, 0, 0, {}, 0});
}

void TCustomAsyncSocket::TakeQuitMessage() {
    FTerminated = true;
    if (FMessageLoop != nullptr)
        FMessageLoop->exit();
}

bool TCustomAsyncSocket::ProcessMessage() {
    QAbstractEventDispatcher* const dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher != nullptr && dispatcher->processEvents(QEventLoop::AllEvents);
}

void TCustomAsyncSocket::ProcessMessages() {
    for (int round = 0; round < kMaxPumpRounds && ProcessMessage(); ++round) {
    }
}

void TCustomAsyncSocket::MessageLoop() {
    if (FTerminated)
        return;
    const TLifeToken::TWatch watch = FLife.Watch();
    QEventLoop loop;
    QEventLoop* const outer = FMessageLoop;
    FMessageLoop = &loop;
    // exec also returns when the thread's loop is asked to quit, and at once
    // when that request came earlier.
    loop.exec();
    if (!watch.Alive())
        return;
    FMessageLoop = outer;
    FTerminated = true;
}

bool TCustomAsyncSocket::TimerIsSet(const timeval& Tvp) const {
    return Tvp.tv_sec != 0 || Tvp.tv_usec != 0;
}

void TCustomAsyncSocket::TimerClear(timeval& Tvp) {
    Tvp = timeval{};
}

bool TCustomAsyncSocket::TimerCmp(const timeval& Tvp, const timeval& Uvp, bool IsEqual) const {
    return (Tvp.tv_sec == Uvp.tv_sec && Tvp.tv_usec == Uvp.tv_usec) == IsEqual;
}
