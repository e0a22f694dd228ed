#pragma once

#include <QTimer>

#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <vector>

#include "net/socket_address.h"

class QSocketNotifier;

// How long an attempt has to connect before the next address is tried too.
constexpr std::chrono::milliseconds kConnectAttemptDelay(250);

// The addresses in the order a race tries them: the families alternate,
// starting with the first address's, each family keeping its own order.
std::vector<TSocketAddress> AlternateFamilies(const std::vector<TSocketAddress>& Addresses);

// The further attempts of one TCP connect to a host with several addresses
// (RFC 8305). The socket makes its own attempt to the first address; the race
// starts the next one kConnectAttemptDelay after the last one started while
// none has connected, and at once when one fails. The first attempt that
// connects wins: the others are closed, silently. Each attempt has its own
// descriptor and write notifier, and the race holds a timer only while an
// address is left to try, so that waiting costs no processor time.
//
// The socket learns the outcome through Won (a further attempt connected:
// its descriptor is handed over) or Lost (every attempt failed; the error
// is that of the last failure), each called from the event loop as the last
// thing the race does, so the socket may destroy the race inside them.
// Neither is called from Start or OwnAttemptEnded, whose results tell the
// same. Destroying the race closes every attempt it holds.
class TConnectRace {
public:
    // A new non-blocking stream descriptor for an address, with the socket's
    // options; a negative Winsock error number when it cannot be made.
    using TOpen = std::function<int(const TSocketAddress& Address)>;
    using TWon = std::function<void(int Handle, const TSocketAddress& Address)>;
    using TLost = std::function<void(int Error)>;

    TConnectRace(std::vector<TSocketAddress> Others, TOpen Open, TWon Won, TLost Lost);
    ~TConnectRace();
    TConnectRace(const TConnectRace&) = delete;
    TConnectRace& operator=(const TConnectRace&) = delete;

    // Begins after the socket's own attempt started (OwnError 0) or failed at
    // once (its Winsock error). False when every attempt has failed already.
    bool Start(int OwnError);
    // The outcome of the socket's own attempt. Success ends the race; a
    // failure starts the next address. False while a further attempt runs.
    bool OwnAttemptEnded(int Error);
    // A new race is held: its attempts' outcomes and its timer wait until
    // the socket lets it go on (after its state change), and again while
    // the socket is paused.
    void Hold(bool Held);
    bool OwnAttemptPending() const { return FOwnPending; }
    // The Winsock error of the failure that came last.
    int LastError() const { return FLastError; }

private:
    struct TAttempt;

    // Starts addresses until one is connecting; false when none is left.
    bool StartNext();
    void AttemptReady(TAttempt* Attempt);
    bool Running() const { return FOwnPending || !FAttempts.empty(); }

    std::vector<TSocketAddress> FOthers;
    std::size_t FNext = 0;
    TOpen FOpen;
    TWon FWon;
    TLost FLost;
    std::list<std::unique_ptr<TAttempt>> FAttempts;
    QTimer FDelay;
    bool FOwnPending = true;
    bool FHeld = true;
    int FLastError = 0;
};
