#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <cstdint>
#include <functional>
#include <memory>

#include "net/socket_message.h"

// A socket object's notification endpoint on the owner thread. It receives
// the posted private messages (as TSocketMessageEvent) and watches the
// descriptor with one read and one write notifier; both are reported through
// the callbacks given at construction. Posted messages still queued when the
// endpoint is destroyed are dropped by Qt.
//
// Besides the level-triggered notifiers it keeps an edge-triggered watch for
// new bytes and for the peer's hang-up: the read notifier would fire at once
// while unread bytes wait, so a reader that waits for more than is there
// (a whole message it only peeks at) is woken by the arrival watch instead.
class TSocketEndpoint : public QObject {
public:
    using TDispatch = std::function<void(TSocketMessage& Message)>;
    using TReadiness = std::function<void(int Handle, bool Writable)>;
    // Hangup: the peer closed or reset, rather than only sending more.
    using TArrival = std::function<void(int Handle, bool Hangup)>;

    TSocketEndpoint(TDispatch Dispatch, TReadiness Readiness, TArrival Arrival);
    ~TSocketEndpoint() override;

    void Post(TSocketMessage Message);

    // Watches the handle, every notification disabled; -1 watches none.
    // CountsBytes: a stream, whose queued byte count grows with every
    // arrival (not so a datagram socket's).
    void Watch(int Handle, bool CountsBytes);
    void SetReadEnabled(bool Enabled);
    void SetWriteEnabled(bool Enabled);
    // Forgets the arrivals seen so far: only later ones wake the watch.
    void ForgetArrivals();
    // While enabled, the first arrival after the last ForgetArrivals (also
    // one that came before this call) is reported once, then it disables.
    void SetArrivalEnabled(bool Enabled);

protected:
    bool event(QEvent* Event) override;

private:
    std::unique_ptr<QSocketNotifier> MakeNotifier(QSocketNotifier::Type Type);
    static void SetEnabled(QSocketNotifier* Notifier, bool Enabled);
    void Notify(int Handle, bool Writable);
    void NotifyArrival();
    // The arrival watch: made with the handle, or for a stream when a reader
    // first waits for an arrival; false when the system refused it.
    bool OpenArrivalWatch();
    void StartArrivalWatch();
    // The bytes queued for reading, -1 when unknown.
    int QueuedBytes() const;
    // Takes the arrivals queued in the watch; returns their event bits.
    std::uint32_t TakeArrivals();

    TDispatch FDispatch;
    TReadiness FReadiness;
    TArrival FArrival;
    std::unique_ptr<QSocketNotifier> FReadNotifier;
    std::unique_ptr<QSocketNotifier> FWriteNotifier;
    // An epoll instance holding the watched handle edge-triggered, at most
    // one per watched handle; its own descriptor is readable while an arrival
    // is queued.
    int FArrivalWatch = -1;
    int FWatched = -1;
    // Without the watch: the bytes queued when the arrivals were last
    // forgotten (-1: never, or unknown).
    int FQueuedAtForget = -1;
    std::unique_ptr<QSocketNotifier> FArrivalNotifier;
};
