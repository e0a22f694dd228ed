#include "net/custom_sync_socket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

#include "net/socket_errors.h"

namespace {

constexpr std::int64_t kMsPerSecond = 1000;

std::int64_t ReadLineTimeoutMs(int Timeout) {
    if (Timeout == 0)
        return TCustomSyncSocket::kDefaultWaitTimeoutMs;
    if (Timeout < 0)
        return -static_cast<std::int64_t>(Timeout);
    return static_cast<std::int64_t>(Timeout) * kMsPerSecond;
}

bool ApplicationTerminating() {
    return QCoreApplication::instance() == nullptr || QCoreApplication::closingDown();
}

} // namespace

int TCustomSyncSocket::ReadLine(int Timeout, std::string& Line) {
    Line.clear();
    if (State() != wsConnected) {
        RaiseException("ReadLine failed: not connected");
        return wsaerr::NotConnected;
    }
    FWaitTimeout = ReadLineTimeoutMs(Timeout);
    FLineArrived = false;
    const TLifeToken::TWatch watch = FLife.Watch();
    const TSessionEvent callerHandler = OnDataAvailable;
    const bool callerLineMode = LineMode();
    // Gives the caller's settings back also when an exception passes.
    struct TRestore {
        TCustomSyncSocket& Socket;
        const TLifeToken::TWatch& Watch;
        const TSessionEvent& Handler;
        bool LineMode;
        bool ReadWasBusy;
        ~TRestore() {
            if (!Watch.Alive())
                return;
            Socket.EndReadWait(ReadWasBusy);
            Socket.OnDataAvailable = Handler;
            if (Socket.LineMode() == LineMode)
                Socket.OfferHeldBytesLater(); // a further line held goes to the caller's handler
            else
                Socket.SetLineMode(LineMode);
        }
    } restore{*this, watch, callerHandler, callerLineMode, BeginReadWait()};

    bool taken = false;
    OnDataAvailable = [this, &Line, &taken](TCustomAsyncSocket*, std::uint16_t) {
        if (taken)
            return; // one line per call: the next one stays held
        Line = ReceiveStr();
        taken = true;
        FLineArrived = true;
    };
    SetLineMode(true);
    DeliverLines(0, false); // a complete line may be held already
    if (taken)
        return 0;
    if (!watch.Alive())
        return kWaitAborted;
    const int result = WaitUntilReady(FLineArrived);
    if (result != 0 && watch.Alive() && !taken)
        Line = TakeHeldBytes();
    return result;
}

int TCustomSyncSocket::WaitUntilReady(const bool& Ready) {
    const TLifeToken::TWatch watch = FLife.Watch();
    const QDeadlineTimer deadline(FWaitTimeout, Qt::PreciseTimer);
    QTimer wake; // ends the blocking wait at the deadline
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (;;) {
        if (!watch.Alive())
            return kWaitAborted;
        if (Ready)
            return 0;
        if (deadline.hasExpired() || ApplicationTerminating() || Terminated())
            return kWaitAborted;
        MessagePump();
        if (!watch.Alive() || Ready)
            continue;
        wake.start(std::max<qint64>(1, deadline.remainingTime()));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

int TCustomSyncSocket::Synchronize(const std::function<void()>& Proc, const bool& Ready) {
    if (Proc)
        Proc();
    return WaitUntilReady(Ready);
}
