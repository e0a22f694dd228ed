#include "net/resolver.h"

#include <QCoreApplication>
#include <QObject>

#include <arpa/inet.h>
#include <netdb.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "net/socket_address.h"
#include "net/socket_errors.h"
#include "net/socket_exception.h"
#include "net/socket_message.h"

// The only thing a worker shares with the owner: the receiver, cleared under
// the lock when the resolver goes, so posting and destroying cannot overlap.
struct TResolver::TChannel {
    std::mutex Lock;
    QObject* Receiver;
};

TResolver::TResolver(QObject* Receiver)
    : NameWork([](const std::string& Host) { return LookupName(Host); }),
      AddrWork(&TResolver::LookupAddr), FChannel(std::make_shared<TChannel>()) {
    FChannel->Receiver = Receiver;
}

TResolver::~TResolver() {
    const std::lock_guard<std::mutex> guard(FChannel->Lock);
    FChannel->Receiver = nullptr;
}

std::uintptr_t TResolver::Start(unsigned Msg, const std::string& Query, const TLookupWork& Work) {
    const std::uintptr_t handle = ++FLastHandle;
    try {
        std::thread([channel = FChannel, Work, Query, Msg, handle] {
            TLookupResult result;
            try {
                result = Work(Query);
            } catch (...) {
                // Nothing may escape a worker; the owner learns of a failed lookup.
                result = TLookupResult{wsaerr::NoRecovery, {}};
            }
            TSocketMessage done{Msg, static_cast<std::intptr_t>(handle),
                                MakeSelectParam(0, result.Error), std::move(result.Names)};
            const std::lock_guard<std::mutex> guard(channel->Lock);
            if (channel->Receiver != nullptr)
                QCoreApplication::postEvent(channel->Receiver,
                                            new TSocketMessageEvent(std::move(done)));
        }).detach();
    } catch (const std::system_error& e) {
        throw ESocketException(Query + ": can't start DNS lookup, error #" +
                               std::to_string(WinsockErrorFromErrno(e.code().value())));
    }
    return handle;
}

TLookupResult TResolver::LookupName(const std::string& Host, int Family) {
    addrinfo hints{};
    hints.ai_family = Family;
    hints.ai_socktype = SOCK_STREAM; // one entry per address instead of one per socket type
    // No AI_ADDRCONFIG: it ignores loopback addresses, so a name of ::1 would
    // not resolve on a machine without a global IPv6 address. An address that
    // cannot be reached fails its connect at once, and the next one is tried.
    addrinfo* list = nullptr;
    const int rc = getaddrinfo(Host.c_str(), nullptr, &hints, &list);
    TLookupResult result;
    if (rc != 0) {
        result.Error = WinsockErrorFromEai(rc, errno);
        return result;
    }
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        sockaddr_storage storage{};
        std::memcpy(&storage, entry->ai_addr, entry->ai_addrlen);
        result.Names.push_back(TSocketAddress::FromSockaddr(storage).Text());
    }
    freeaddrinfo(list);
    if (result.Names.empty())
        result.Error = wsaerr::NoData;
    return result;
}

TLookupResult TResolver::LookupAddr(const std::string& Address) {
    const TSocketAddress addr = TSocketAddress::FromIpv6Literal(Address).value_or(
        TSocketAddress::FromIpv4(inet_addr(Address.c_str())));
    char host[NI_MAXHOST] = {};
    const int rc =
        getnameinfo(addr.Data(), addr.Size(), host, sizeof host, nullptr, 0, NI_NAMEREQD);
    TLookupResult result;
    if (rc != 0)
        result.Error = WinsockErrorFromEai(rc, errno);
    else
        result.Names.emplace_back(host);
    return result;
}
