#include "net/socket_endpoint.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/epoll.h>
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
    Watch(-1);
}

void TSocketEndpoint::Post(TSocketMessage Message) {
    QCoreApplication::postEvent(this, new TSocketMessageEvent(std::move(Message)));
}

void TSocketEndpoint::Watch(int Handle) {
    FReadNotifier.reset();
    FWriteNotifier.reset();
    FArrivalNotifier.reset();
    // A closed socket object holds no descriptor, the watch's included.
    if (FArrivalWatch >= 0)
        ::close(FArrivalWatch);
    FArrivalWatch = FWatched = -1;
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
    FArrivalWatch = epoll_create1(EPOLL_CLOEXEC);
    epoll_event event{};
    event.events = kArrivalEvents;
    event.data.fd = Handle;
    // Without the watch a reader that waits for more only hears of it at its
    // next receive call, as before; nothing else depends on it.
    if (FArrivalWatch < 0 || epoll_ctl(FArrivalWatch, EPOLL_CTL_ADD, Handle, &event) != 0)
        return;
    FWatched = Handle;
    FArrivalNotifier = std::make_unique<QSocketNotifier>(FArrivalWatch, QSocketNotifier::Read);
    FArrivalNotifier->setEnabled(false);
    QObject::connect(FArrivalNotifier.get(), &QSocketNotifier::activated, this,
                     [this, Handle] { NotifyArrival(Handle); });
}

void TSocketEndpoint::Notify(int Handle, bool Writable) {
    const TReadiness readiness = FReadiness; // the handler may delete this endpoint
    readiness(Handle, Writable);
}

std::uint32_t TSocketEndpoint::TakeArrivals() {
    std::uint32_t bits = 0;
    epoll_event events[kArrivalBatch];
    int n = 0;
    while (FWatched >= 0 && (n = epoll_wait(FArrivalWatch, events, kArrivalBatch, 0)) > 0)
        for (int i = 0; i < n; ++i)
            bits |= events[i].events;
    return bits;
}

void TSocketEndpoint::ForgetArrivals() {
    TakeArrivals();
}

void TSocketEndpoint::NotifyArrival(int Handle) {
    SetArrivalEnabled(false);
    const std::uint32_t bits = TakeArrivals();
    if (bits == 0)
        return;
    const TArrival arrival = FArrival; // the handler may delete this endpoint
    arrival(Handle, (bits & kHangupEvents) != 0);
}

void TSocketEndpoint::SetReadEnabled(bool Enabled) {
    if (FReadNotifier && FReadNotifier->isEnabled() != Enabled)
        FReadNotifier->setEnabled(Enabled);
}

void TSocketEndpoint::SetWriteEnabled(bool Enabled) {
    if (FWriteNotifier && FWriteNotifier->isEnabled() != Enabled)
        FWriteNotifier->setEnabled(Enabled);
}

void TSocketEndpoint::SetArrivalEnabled(bool Enabled) {
    if (FArrivalNotifier && FArrivalNotifier->isEnabled() != Enabled)
        FArrivalNotifier->setEnabled(Enabled);
}

bool TSocketEndpoint::event(QEvent* Event) {
    if (Event->type() <= QEvent::User || Event->type() > QEvent::MaxUser)
        return QObject::event(Event);
    // Called through a copy: the handler may delete the owner, and with it this endpoint.
    const TDispatch dispatch = FDispatch;
    dispatch(static_cast<TSocketMessageEvent*>(Event)->Message);
    return true;
}
