#include "net/connect_race.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "net/socket_errors.h"

std::vector<TSocketAddress> AlternateFamilies(const std::vector<TSocketAddress>& Addresses) {
    std::vector<TSocketAddress> first;
    std::vector<TSocketAddress> other;
    for (const TSocketAddress& address : Addresses)
        (address.Family() == Addresses.front().Family() ? first : other).push_back(address);
    std::vector<TSocketAddress> alternated;
    for (std::size_t i = 0; i < std::max(first.size(), other.size()); ++i) {
        if (i < first.size())
            alternated.push_back(first[i]);
        if (i < other.size())
            alternated.push_back(other[i]);
    }
    return alternated;
}

struct TConnectRace::TAttempt {
    TAttempt(int Handle, const TSocketAddress& Address) : Handle(Handle), Address(Address) {}
    ~TAttempt() {
        Notifier.reset(); // before its descriptor goes
        if (Handle >= 0)
            ::close(Handle);
    }
    TAttempt(const TAttempt&) = delete;
    TAttempt& operator=(const TAttempt&) = delete;

    int Handle;
    TSocketAddress Address;
    std::unique_ptr<QSocketNotifier> Notifier;
};

TConnectRace::TConnectRace(std::vector<TSocketAddress> Others, TOpen Open, TWon Won, TLost Lost)
    : FOthers(std::move(Others)), FOpen(std::move(Open)), FWon(std::move(Won)),
      FLost(std::move(Lost)) {
    FDelay.setSingleShot(true);
    FDelay.setTimerType(Qt::PreciseTimer); // a coarse one may fire 5% early
    FDelay.setInterval(kConnectAttemptDelay);
    // Some attempt still runs when the delay passes, since a failure starts
    // the next address at once: the race goes on whatever this start does.
    QObject::connect(&FDelay, &QTimer::timeout, &FDelay, [this] { StartNext(); });
}

TConnectRace::~TConnectRace() = default;

bool TConnectRace::Start(int OwnError) {
    if (OwnError == 0)
        return true; // the delay starts once the race goes on
    FOwnPending = false;
    FLastError = OwnError;
    return StartNext();
}

bool TConnectRace::OwnAttemptEnded(int Error) {
    FOwnPending = false;
    if (Error == 0) {
        FAttempts.clear();
        FDelay.stop();
        FNext = FOthers.size();
        return true;
    }
    FLastError = Error;
    return !StartNext();
}

void TConnectRace::Hold(bool Held) {
    if (Held == FHeld)
        return;
    FHeld = Held;
    for (const auto& attempt : FAttempts)
        attempt->Notifier->setEnabled(!Held);
    if (Held)
        FDelay.stop();
    else if (FNext < FOthers.size())
        FDelay.start();
}

bool TConnectRace::StartNext() {
    while (FNext < FOthers.size()) {
        const TSocketAddress& address = FOthers[FNext++];
        const int handle = FOpen(address);
        if (handle < 0) {
            FLastError = -handle;
            continue;
        }
        auto attempt = std::make_unique<TAttempt>(handle, address);
        if (::connect(handle, address.Data(), address.Size()) != 0 && errno != EINPROGRESS) {
            FLastError = LastSocketError();
            continue; // a refusal known at once: the next address follows at once
        }
        // The first writability after the connect is its outcome.
        attempt->Notifier = std::make_unique<QSocketNotifier>(handle, QSocketNotifier::Write);
        attempt->Notifier->setEnabled(!FHeld);
        TAttempt* const started = attempt.get();
        QObject::connect(started->Notifier.get(), &QSocketNotifier::activated,
                         started->Notifier.get(), [this, started] { AttemptReady(started); });
        FAttempts.push_back(std::move(attempt));
        if (FNext < FOthers.size() && !FHeld)
            FDelay.start();
        return true;
    }
    FDelay.stop();
    return Running();
}

void TConnectRace::AttemptReady(TAttempt* Attempt) {
    int error = 0;
    socklen_t len = sizeof error;
    getsockopt(Attempt->Handle, SOL_SOCKET, SO_ERROR, &error, &len);
    const auto found =
        std::find_if(FAttempts.begin(), FAttempts.end(),
                     [Attempt](const auto& Entry) { return Entry.get() == Attempt; });
    if (error == 0) {
        const int handle = std::exchange(Attempt->Handle, -1);
        const TSocketAddress address = Attempt->Address;
        // The others end here, and no event of theirs reaches anyone.
        FAttempts.clear();
        FDelay.stop();
        FNext = FOthers.size();
        const TWon won = FWon; // may destroy this race
        won(handle, address);
        return;
    }
    FLastError = WinsockErrorFromErrno(error);
    FAttempts.erase(found);
    if (StartNext())
        return;
    const TLost lost = FLost; // may destroy this race
    lost(FLastError);
}
