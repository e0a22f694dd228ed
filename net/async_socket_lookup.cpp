// Name lookups: a numeric address (dotted or IPv6) is answered inside the
// call, anything else runs on a worker (TResolver) whose completion comes back
// as a message; only the completion of the current lookup counts.
#include "net/custom_async_socket.h"

#include <arpa/inet.h>

#include "net/resolver.h"
#include "net/socket_errors.h"
#include "net/socket_resolve.h"

void TCustomAsyncSocket::StartLookup(unsigned Msg, const std::string& Query) {
    try {
        FLookupHandle = FResolver->Start(
            Msg, Query, Msg == WM_ASYNCGETHOSTBYNAME ? FResolver->NameWork : FResolver->AddrWork);
    } catch (const ESocketException& e) {
        RaiseException(e.what());
    }
}

void TCustomAsyncSocket::RefuseEmptyHost() {
    const TLifeToken::TWatch watch = FLife.Watch();
    RaiseException("DNS lookup: invalid host name.");
    if (watch.Alive())
        TriggerDNSLookupDone(wsaerr::InvalidArgument);
}

void TCustomAsyncSocket::DnsLookup(const std::string& HostName) {
    if (HostName.empty()) {
        RefuseEmptyHost();
        return;
    }
    FLookupHandle = 0; // a replaced lookup ends silently
    FDnsResult.clear();
    FDnsResultList.clear();
    // 255.255.255.255 cannot be told from a failed conversion and is looked up.
    const in_addr_t addr = inet_addr(HostName.c_str());
    const auto literal = TSocketAddress::FromIpv6Literal(HostName);
    if (addr != INADDR_NONE || literal) {
        FDnsResult = literal ? literal->Text() : SocketAddrToDotted(addr);
        TriggerDNSLookupDone(0);
        return;
    }
    StartLookup(WM_ASYNCGETHOSTBYNAME, HostName);
}

void TCustomAsyncSocket::ReverseDnsLookup(const std::string& HostAddr) {
    if (HostAddr.empty()) {
        RefuseEmptyHost();
        return;
    }
    FLookupHandle = 0;
    FDnsResult.clear();
    FDnsResultList.clear();
    StartLookup(WM_ASYNCGETHOSTBYADDR, HostAddr);
}

void TCustomAsyncSocket::CancelDnsLookup() {
    if (FLookupHandle == 0)
        return;
    FLookupHandle = 0; // its completion no longer matches and is dropped
    if (!FDestroying)
        TriggerDNSLookupDone(wsaerr::Interrupted);
}

void TCustomAsyncSocket::WMAsyncLookupDone(TSocketMessage& Msg) {
    if (FLookupHandle == 0 || static_cast<std::uintptr_t>(Msg.WParam) != FLookupHandle)
        return;
    FLookupHandle = 0;
    const auto error = static_cast<std::uint16_t>(Msg.LParam >> 16);
    if (error == 0 && !Msg.Results.empty()) {
        FDnsResultList = std::move(Msg.Results);
        FDnsResult = FDnsResultList.front();
    }
    TriggerDNSLookupDone(error);
}
