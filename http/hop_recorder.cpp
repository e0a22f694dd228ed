#include "http/hop_recorder.h"

#include <charconv>

#include "http/uri.h"

namespace {

// The address as the request names it to a proxy: no user information, no
// fragment, percent-encoded as sent.
std::string HopAddress(const TUri& uri) {
    return AbsoluteRequestTarget(uri);
}

// "host:port", an IPv6 address in brackets.
std::string HostAndPort(const std::string& host, const std::string& port) {
    return (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + port;
}

} // namespace

void THopRecorder::Clear() {
    FHops.clear();
    FRunning = false;
}

void THopRecorder::Begin(const THttpTarget& target, const TSocksRoute& socks, std::string method,
                         std::size_t headerStart) {
    THttpHop& hop = FHops.emplace_back();
    hop.Url = HopAddress(target.Uri);
    hop.Method = std::move(method);
    if (target.Proxy.Kind == TProxyKind::Http)
        hop.Proxy = HostAndPort(target.Proxy.Host, target.Proxy.Port);
    else if (!socks.Server.empty())
        hop.Proxy = HostAndPort(socks.Server, socks.Port);
    FRunning = true;
    FStart = TClock::now();
    FHeaderStart = headerStart;
    FNameLookedUp = false;
}

THttpHop* THopRecorder::Running() {
    return FRunning ? &FHops.back() : nullptr;
}

double THopRecorder::Elapsed() const {
    return std::chrono::duration<double, std::milli>(TClock::now() - FStart).count();
}

void THopRecorder::Mark(std::optional<double> THttpHopTimes::*phase) {
    THttpHop* hop = Running();
    if (hop != nullptr && !(hop->Times.*phase))
        hop->Times.*phase = Elapsed();
}

void THopRecorder::LookUp(const std::string& host) {
    FLookupHost = host;
}

void THopRecorder::LookedUp(const std::string& address) {
    FNameLookedUp = FNameLookedUp || address != FLookupHost;
    // Through SOCKS the server's lookup may follow the host's: the phase
    // ends with the last.
    if (THttpHop* hop = Running(); hop != nullptr && FNameLookedUp)
        hop->Times.LookupDone = Elapsed();
}

bool THopRecorder::SetPeer(const std::string& address, const std::string& port) {
    THttpHop* hop = Running();
    if (hop == nullptr)
        return false;
    hop->Address = address;
    std::uint16_t number = 0;
    std::from_chars(port.data(), port.data() + port.size(), number);
    hop->Port = number;
    return true;
}

void THopRecorder::Connected(const std::string& address, const std::string& port) {
    if (SetPeer(address, port))
        Mark(&THttpHopTimes::Connected);
}

void THopRecorder::Reused(const std::string& address, const std::string& port,
                          const std::optional<TTlsPeerInfo>& tls) {
    if (SetPeer(address, port))
        FHops.back().Tls = tls;
}

void THopRecorder::Restart() {
    if (FRunning)
        FHops.pop_back();
    FRunning = false;
}

void THopRecorder::TlsDone(const TTlsPeerInfo& tls) {
    if (THttpHop* hop = Running()) {
        hop->Tls = tls;
        Mark(&THttpHopTimes::TlsDone);
    }
}

void THopRecorder::RequestSent() {
    Mark(&THttpHopTimes::RequestSent);
}

void THopRecorder::Received() {
    Mark(&THttpHopTimes::FirstByte);
}

void THopRecorder::Status(const std::string& line, int code, const std::string& reason) {
    if (THttpHop* hop = Running()) {
        hop->Version = line.substr(0, line.find(' '));
        hop->Status = code;
        hop->Reason = reason;
    }
}

void THopRecorder::HeaderEnded() {
    Mark(&THttpHopTimes::HeaderEnded);
}

void THopRecorder::Location(const std::string& value) {
    if (THttpHop* hop = Running())
        hop->Location = value;
}

void THopRecorder::Followed(const THttpTarget& target) {
    if (!FHops.empty())
        FHops.back().Target = HopAddress(target.Uri);
}

void THopRecorder::Fail(const std::string& reason) {
    if (!FHops.empty())
        FHops.back().Failure = reason;
}

void THopRecorder::End(const std::vector<std::string>& received) {
    THttpHop* hop = Running();
    if (hop == nullptr)
        return;
    Mark(&THttpHopTimes::Ended);
    if (FHeaderStart < received.size())
        hop->HeaderLines.assign(received.begin() + static_cast<std::ptrdiff_t>(FHeaderStart),
                                received.end());
    FRunning = false;
}
