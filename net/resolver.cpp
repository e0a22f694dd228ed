#include "net/resolver.h"

#include <QCoreApplication>
#include <QObject>

#include <arpa/inet.h>
#include <netdb.h>

#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>

#include "net/socket_errors.h"
#include "net/socket_exception.h"
#include "net/socket_message.h"
#include "net/socket_resolve.h"

// The only thing a worker shares with the owner: the receiver, cleared under
// the lock when the resolver goes, so posting and destroying cannot overlap.
struct TResolver::TChannel {
    std::mutex Lock;
    QObject* Receiver;
};

TResolver::TResolver(QObject* Receiver)
    : NameWork(&TResolver::LookupName), AddrWork(&TResolver::LookupAddr),
      FChannel(std::make_shared<TChannel>()) {
    FChannel->Receiver = Receiver;
}

TResolver::~TResolver() {
    const std::lock_guard<std::mutex> Guard(FChannel->Lock);
    FChannel->Receiver = nullptr;
}

std::uintptr_t TResolver::Start(unsigned Msg, const std::string& Query, const TLookupWork& Work) {
    const std::uintptr_t Handle = ++FLastHandle;
    try {
        std::thread([Channel = FChannel, Work, Query, Msg, Handle] {
            TLookupResult Result;
            try {
                Result = Work(Query);
            } catch (...) {
                // Nothing may escape a worker; the owner learns of a failed lookup.
                Result = TLookupResult{wsaerr::NoRecovery, {}};
            }
            TSocketMessage Done{Msg, static_cast<std::intptr_t>(Handle),
                                MakeSelectParam(0, Result.Error), std::move(Result.Names)};
            const std::lock_guard<std::mutex> Guard(Channel->Lock);
            if (Channel->Receiver != nullptr)
                QCoreApplication::postEvent(Channel->Receiver,
                                            new TSocketMessageEvent(std::move(Done)));
        }).detach();
    } catch (const std::system_error& E) {
        throw ESocketException(Query + ": can't start DNS lookup, error #" +
                               std::to_string(WinsockErrorFromErrno(E.code().value())));
    }
    return Handle;
}

TLookupResult TResolver::LookupName(const std::string& Host) {
    addrinfo Hints{};
    Hints.ai_family = AF_INET;
    Hints.ai_socktype = SOCK_STREAM; // one entry per address instead of one per socket type
    addrinfo* List = nullptr;
    const int Rc = getaddrinfo(Host.c_str(), nullptr, &Hints, &List);
    TLookupResult Result;
    if (Rc != 0) {
        Result.Error = WinsockErrorFromEai(Rc, errno);
        return Result;
    }
    for (const addrinfo* Entry = List; Entry != nullptr; Entry = Entry->ai_next) {
        const auto* Addr = reinterpret_cast<const sockaddr_in*>(Entry->ai_addr);
        Result.Names.push_back(SocketAddrToDotted(Addr->sin_addr.s_addr));
    }
    freeaddrinfo(List);
    if (Result.Names.empty())
        Result.Error = wsaerr::NoData;
    return Result;
}

TLookupResult TResolver::LookupAddr(const std::string& Dotted) {
    sockaddr_in Addr{};
    Addr.sin_family = AF_INET;
    Addr.sin_addr.s_addr = inet_addr(Dotted.c_str());
    char Host[NI_MAXHOST] = {};
    const int Rc = getnameinfo(reinterpret_cast<const sockaddr*>(&Addr), sizeof Addr, Host,
                               sizeof Host, nullptr, 0, NI_NAMEREQD);
    TLookupResult Result;
    if (Rc != 0)
        Result.Error = WinsockErrorFromEai(Rc, errno);
    else
        Result.Names.emplace_back(Host);
    return Result;
}
