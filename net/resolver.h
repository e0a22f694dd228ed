#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/socket.h>

class QObject;

// Result of one blocking lookup: a Winsock error number (0 for success) and
// the addresses as text in the system's order (dotted IPv4, IPv6), or the one
// host name of a reverse lookup.
struct TLookupResult {
    int Error = 0;
    std::vector<std::string> Names;
};

// The blocking step of a lookup. It runs on a worker thread and must touch no
// socket object: it gets a copy of the query and returns a plain value.
using TLookupWork = std::function<TLookupResult(const std::string& Query)>;

// Runs host lookups off the owner thread. Each lookup gets a fresh non-zero
// task handle; its completion is posted to the receiver as a TSocketMessage
// (the task handle in WParam, the error in the high 16 bits of LParam).
// The worker never holds the receiver itself, only a shared channel that the
// destructor closes, so a completion for a destroyed receiver is never posted.
// Owner thread only, apart from the workers.
class TResolver {
public:
    explicit TResolver(QObject* Receiver);
    ~TResolver();
    TResolver(const TResolver&) = delete;
    TResolver& operator=(const TResolver&) = delete;

    // Starts Work(Query) on a worker; the completion arrives as message Msg.
    // Raises ESocketException when no worker can be started.
    std::uintptr_t Start(unsigned Msg, const std::string& Query, const TLookupWork& Work);

    // The lookups used by sockets; replaceable so that tests can hold a lookup up.
    TLookupWork NameWork;
    TLookupWork AddrWork;

    // Addresses of a host name (getaddrinfo), of both families unless one is
    // asked for, in the order the system prefers (RFC 6724, /etc/gai.conf).
    static TLookupResult LookupName(const std::string& Host, int Family = AF_UNSPEC);
    // Host name of an address (getnameinfo): an IPv6 literal, or any other
    // text as inet_addr reads it.
    static TLookupResult LookupAddr(const std::string& Address);

private:
    struct TChannel;
    std::shared_ptr<TChannel> FChannel;
    std::uintptr_t FLastHandle = 0;
};
