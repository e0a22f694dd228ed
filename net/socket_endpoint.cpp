#include "net/socket_endpoint.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kArrivalEvents = EPOLLIN | EPOLLRDHUP | EPOLLET;
constexpr std::uint32_t kHangupEvents = EPOLLRDHUP | EPOLLHUP | EPOLLERR;
constexpr int kArrivalBatch = 4; // one handle is watched: a few slots take all

} // namespace

TSocketEndpoint::TSocketEndpoint(TDispatch Dispatch, TReadiness Readiness, TArrival Arrival)
    : FDispatch(std::move(Dispatch)), FReadiness(std::move(Readiness)),
      FArrival(std::move(Arrival)) {}

TSocketEndpoint::~TSocketEndpoint() {
    Watch(-1, false);
}

void TSocketEndpoint::Post(TSocketMessage Message) {
    QCoreApplication::postEvent(this, new TSocketMessageEvent(std::move(Message)));
}

void TSocketEndpoint::Watch(int Handle, bool CountsBytes) {
    // The notifiers outlive the descriptors they watch: made (disabled) for
    // the first one, they only change descriptor after that, which costs the
    // event loop nothing while they are off.
    SetReadEnabled(false);
    SetWriteEnabled(false);
    SetArrivalEnabled(false);
    // A closed socket object holds no descriptor, the watch's included.
    if (FArrivalWatch >= 0)
        ::close(FArrivalWatch);
    FArrivalWatch = FWatched = -1;
    if (Handle < 0) {
        if (FReadNotifier) {
            FReadNotifier->setSocket(-1);
            FWriteNotifier->setSocket(-1);
            FArrivalNotifier->setSocket(-1);
        }
        return;
    }
    if (!FReadNotifier) {
        FReadNotifier = MakeNotifier(QSocketNotifier::Read);
        FWriteNotifier = MakeNotifier(QSocketNotifier::Write);
        FArrivalNotifier = std::make_unique<QSocketNotifier>(QSocketNotifier::Read);
        QObject::connect(FArrivalNotifier.get(), &QSocketNotifier::activated, this,
                         [this] { NotifyArrival(); });
    }
    FReadNotifier->setSocket(Handle);
    FWriteNotifier->setSocket(Handle);
    FArrivalNotifier->setSocket(-1);
    FWatched = Handle;
    FQueuedAtForget = -1;
    // A datagram that follows another need not change the queued count:
    // only the watch itself sees it arrive.
    if (!CountsBytes)
        OpenArrivalWatch();
}

bool TSocketEndpoint::OpenArrivalWatch() {
    FArrivalWatch = epoll_create1(EPOLL_CLOEXEC);
    epoll_event event{};
    event.events = kArrivalEvents;
    event.data.fd = FWatched;
    // Without the watch a reader that waits for more only hears of it at its
    // next receive call, as before; nothing else depends on it.
    if (FArrivalWatch >= 0 && epoll_ctl(FArrivalWatch, EPOLL_CTL_ADD, FWatched, &event) == 0) {
        FArrivalNotifier->setSocket(FArrivalWatch);
        return true;
    }
    if (FArrivalWatch >= 0)
        ::close(FArrivalWatch);
    FArrivalWatch = -1;
    return false;
}

void TSocketEndpoint::StartArrivalWatch() {
    if (!OpenArrivalWatch())
        return;
    // A new watch reports what is there already. That is news only when
    // the peer sent more, or hung up, since the arrivals were forgotten;
    // then the watch is armed again, so that it fires from the event loop.
    const std::uint32_t bits = TakeArrivals();
    const int queued = QueuedBytes();
    if ((bits & kHangupEvents) == 0 && FQueuedAtForget >= 0 && queued <= FQueuedAtForget)
        return;
    epoll_event event{};
    event.events = kArrivalEvents;
    event.data.fd = FWatched;
    epoll_ctl(FArrivalWatch, EPOLL_CTL_MOD, FWatched, &event);
}

int TSocketEndpoint::QueuedBytes() const {
    int queued = 0;
    return ioctl(FWatched, FIONREAD, &queued) == 0 ? queued : -1;
}

std::unique_ptr<QSocketNotifier> TSocketEndpoint::MakeNotifier(QSocketNotifier::Type Type) {
    auto notifier = std::make_unique<QSocketNotifier>(Type);
    const bool writable = Type == QSocketNotifier::Write;
    QObject::connect(
        notifier.get(), &QSocketNotifier::activated, this,
        [this, writable](QSocketDescriptor Socket) { Notify(static_cast<int>(Socket), writable); });
    return notifier;
}

void TSocketEndpoint::Notify(int Handle, bool Writable) {
    const TReadiness readiness = FReadiness; // the handler may delete this endpoint
    readiness(Handle, Writable);
}

std::uint32_t TSocketEndpoint::TakeArrivals() {
    std::uint32_t bits = 0;
    epoll_event events[kArrivalBatch];
    int n = 0;
    // A batch that is not full took all there was: no further call is needed.
    do {
        n = FArrivalWatch >= 0 ? epoll_wait(FArrivalWatch, events, kArrivalBatch, 0) : 0;
        for (int i = 0; i < n; ++i)
            bits |= events[i].events;
    } while (n == kArrivalBatch);
    return bits;
}

void TSocketEndpoint::ForgetArrivals() {
    // Most readers never wait for an arrival: a stream socket's watch is
    // made only when one does, and until then the queued count marks what
    // is old.
    if (FArrivalWatch >= 0)
        TakeArrivals();
    else if (FWatched >= 0)
        FQueuedAtForget = QueuedBytes();
}

void TSocketEndpoint::NotifyArrival() {
    const int Handle = FWatched;
    SetArrivalEnabled(false);
    const std::uint32_t bits = TakeArrivals();
    if (bits == 0)
        return;
    const TArrival arrival = FArrival; // the handler may delete this endpoint
    arrival(Handle, (bits & kHangupEvents) != 0);
}

void TSocketEndpoint::SetEnabled(QSocketNotifier* Notifier, bool Enabled) {
    // A notifier without a descriptor stays off.
    if (Notifier != nullptr && Notifier->isEnabled() != Enabled &&
        (!Enabled || Notifier->isValid()))
        Notifier->setEnabled(Enabled);
}

void TSocketEndpoint::SetReadEnabled(bool Enabled) {
    SetEnabled(FReadNotifier.get(), Enabled);
}

void TSocketEndpoint::SetWriteEnabled(bool Enabled) {
    SetEnabled(FWriteNotifier.get(), Enabled);
}

void TSocketEndpoint::SetArrivalEnabled(bool Enabled) {
    if (Enabled && FArrivalWatch < 0 && FWatched >= 0)
        StartArrivalWatch();
    SetEnabled(FArrivalNotifier.get(), Enabled);
}

bool TSocketEndpoint::event(QEvent* Event) {
    if (Event->type() <= QEvent::User || Event->type() > QEvent::MaxUser)
        return QObject::event(Event);
    // Called through a copy: the handler may delete the owner, and with it this endpoint.
    const TDispatch dispatch = FDispatch;
    dispatch(static_cast<TSocketMessageEvent*>(Event)->Message);
    return true;
}
