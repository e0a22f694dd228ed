#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "http/http_hop.h"
#include "http/http_target.h"
#include "http/socks_route.h"
#include "net/tls_peer_info.h"

// The records of one request's hops, made as the client goes through them.
// A hop begins when its lookup starts; the times of its phases are
// milliseconds since then, from a monotonic clock, each taken the first
// time its phase is over. There are as many records as the client makes
// hops: its limit of redirections bounds them.
class THopRecorder {
public:
    const std::vector<THttpHop>& Hops() const { return FHops; }

    // A new request: no hops yet.
    void Clear();
    // A hop to `target` begins, asked with `method` ("HEAD", "GET" or
    // "POST"), through the target's HTTP proxy or else the SOCKS server of
    // `socks`. Its answer's lines will start at `headerStart` of the lines
    // the client receives.
    void Begin(const THttpTarget& target, const TSocksRoute& socks, std::string method,
               std::size_t headerStart);
    // A lookup of `host` starts, and one ends with `address`. Only a name
    // looked up ends the lookup phase: an address stands for itself.
    void LookUp(const std::string& host);
    void LookedUp(const std::string& address);
    // The connection stands (to the proxy, when there is one).
    void Connected(const std::string& address, const std::string& port);
    void TlsDone(const TTlsPeerInfo& tls);
    // The hop goes over the connection an earlier one left open, to
    // `address` and `port`: no lookup, connection or handshake of its own.
    void Reused(const std::string& address, const std::string& port,
                const std::optional<TTlsPeerInfo>& tls);
    // The hop's attempt over a kept connection ended before any answer: its
    // record goes, and the hop begins again.
    void Restart();
    // The request header is handed to the socket.
    void RequestSent();
    // Bytes of the answer arrived.
    void Received();
    // A status line arrived; a final one follows an interim one.
    void Status(const std::string& line, int code, const std::string& reason);
    void HeaderEnded();
    // The answer's "location" that is followed, as sent; and the hop it led
    // to, once it is taken.
    void Location(const std::string& value);
    void Followed(const THttpTarget& target);
    // The request failed in its last hop, for `reason`.
    void Fail(const std::string& reason);
    // The hop's connection is over; its header lines are those of
    // `received` from its start on.
    void End(const std::vector<std::string>& received);

private:
    using TClock = std::chrono::steady_clock;

    // Milliseconds since the hop began.
    double Elapsed() const;
    // Records the time of `phase` unless it has one; only while a hop runs.
    void Mark(std::optional<double> THttpHopTimes::*phase);
    THttpHop* Running();
    // Notes where the running hop's connection goes; false when none runs.
    bool SetPeer(const std::string& address, const std::string& port);

    std::vector<THttpHop> FHops;
    bool FRunning = false;
    TClock::time_point FStart;
    std::size_t FHeaderStart = 0;
    std::string FLookupHost;
    bool FNameLookedUp = false;
};
