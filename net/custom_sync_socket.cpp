#include "net/custom_sync_socket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

#include "net/socket_errors.h"

namespace {

constexpr std::int64_t MsPerSecond = 1000;

std::int64_t ReadLineTimeoutMs(int Timeout) {
    if (Timeout == 0)
        return TCustomSyncSocket::DefaultWaitTimeoutMs;
    if (Timeout < 0)
        return -static_cast<std::int64_t>(Timeout);
    return static_cast<std::int64_t>(Timeout) * MsPerSecond;
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
    const TSessionEvent CallerHandler = OnDataAvailable;
    const bool CallerLineMode = LineMode();
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
    } Restore{*this, watch, CallerHandler, CallerLineMode, BeginReadWait()};

    bool Taken = false;
    OnDataAvailable = [this, &Line, &Taken](TCustomAsyncSocket*, std::uint16_t) {
        if (Taken)
            return; // one line per call: the next one stays held
        Line = ReceiveStr();
        Taken = true;
        FLineArrived = true;
    };
    SetLineMode(true);
    DeliverLines(0, false); // a complete line may be held already
    if (Taken)
        return 0;
    if (!watch.Alive())
        return WaitAborted;
    const int Result = WaitUntilReady(FLineArrived);
    if (Result != 0 && watch.Alive() && !Taken)
        Line = TakeHeldBytes();
    return Result;
}

int TCustomSyncSocket::WaitUntilReady(const bool& Ready) {
    const TLifeToken::TWatch watch = FLife.Watch();
    const QDeadlineTimer Deadline(FWaitTimeout, Qt::PreciseTimer);
    QTimer Wake; // ends the blocking wait at the deadline
    Wake.setSingleShot(true);
    Wake.setTimerType(Qt::PreciseTimer);
    for (;;) {
        if (!watch.Alive())
            return WaitAborted;
        if (Ready)
            return 0;
        if (Deadline.hasExpired() || ApplicationTerminating() || Terminated())
            return WaitAborted;
        MessagePump();
        if (!watch.Alive() || Ready)
            continue;
        Wake.start(std::max<qint64>(1, Deadline.remainingTime()));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

int TCustomSyncSocket::Synchronize(const std::function<void()>& Proc, const bool& Ready) {
    if (Proc)
        Proc();
    return WaitUntilReady(Ready);
}
