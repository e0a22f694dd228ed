#include "net/socket_resolve.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "net/resolver.h"
#include "net/socket_errors.h"
#include "net/socket_exception.h"

namespace {

constexpr std::size_t kMaxHostLength = 256;
constexpr std::size_t kMaxPortLength = 32; // port and protocol texts must be shorter
constexpr std::size_t kHostNameArea = 64;
constexpr std::size_t kDatabaseBufferSize = 1024;
// Host records with many aliases and addresses need more; the lookup asks
// again with twice the area until this bound.
constexpr std::size_t kMaxHostRecordSize = 64 * 1024;
constexpr int kMaxOctet = 255;

struct TKnownProtocol {
    const char* Name;
    int Number;
};
constexpr TKnownProtocol kKnownProtocols[] = {{"tcp", IPPROTO_TCP}, {"udp", IPPROTO_UDP}};

bool IsDigit(char C) {
    return std::isdigit(static_cast<unsigned char>(C)) != 0;
}

std::string Format(const char* Prefix, const std::string& Text, int Error) {
    return std::string(Prefix) + " '" + Text + "', Error #" + std::to_string(Error);
}

// The decimal value of the leading digits; wraps like the 16-bit field it fills.
std::uint32_t LeadingNumber(const std::string& Text) {
    std::uint32_t value = 0;
    for (const char c : Text) {
        if (!IsDigit(c))
            break;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

THostEntry ToHostEntry(const hostent& Record) {
    THostEntry entry{Record.h_name ? Record.h_name : "", {}, {}};
    for (char** alias = Record.h_aliases; alias && *alias; ++alias)
        entry.Aliases.emplace_back(*alias);
    for (char** addr = Record.h_addr_list; addr && *addr; ++addr) {
        std::uint32_t value = 0;
        std::memcpy(&value, *addr, sizeof value);
        entry.Addresses.push_back(SocketAddrToDotted(value));
    }
    return entry;
}

// Runs one of the reentrant host lookups, growing its area while it is too small.
template <class TLookup> std::optional<THostEntry> LookupHostRecord(TLookup Lookup) {
    for (std::size_t size = kDatabaseBufferSize; size <= kMaxHostRecordSize; size *= 2) {
        std::vector<char> area(size);
        hostent record{};
        hostent* found = nullptr;
        int hostError = 0;
        const int result = Lookup(record, area.data(), area.size(), found, hostError);
        if (result == ERANGE)
            continue;
        if (result != 0 || found == nullptr || record.h_addrtype != AF_INET)
            return std::nullopt;
        return ToHostEntry(record);
    }
    return std::nullopt;
}

} // namespace

std::optional<THostEntry> SocketGetHostByName(const std::string& Name) {
    return LookupHostRecord(
        [&](hostent& Record, char* Area, std::size_t Size, hostent*& Found, int& HostError) {
            return gethostbyname_r(Name.c_str(), &Record, Area, Size, &Found, &HostError);
        });
}

std::optional<THostEntry> SocketGetHostByAddr(const std::string& Dotted) {
    in_addr addr{};
    if (inet_pton(AF_INET, TrimSpaces(Dotted).c_str(), &addr) != 1)
        return std::nullopt;
    return LookupHostRecord(
        [&](hostent& Record, char* Area, std::size_t Size, hostent*& Found, int& HostError) {
            return gethostbyaddr_r(&addr, sizeof addr, AF_INET, &Record, Area, Size, &Found,
                                   &HostError);
        });
}

bool SocketIsDottedIP(const std::string& Text) {
    std::size_t i = 0;
    while (i < Text.size() && Text[i] == ' ')
        ++i;
    if (i < Text.size() && Text[i] == '.')
        return false;
    int dots = 0;
    int value = 0;
    for (; i < Text.size(); ++i) {
        const char c = Text[i];
        if (IsDigit(c)) {
            // Saturates: any value above 255 fails in the same way.
            value = std::min(value * 10 + (c - '0'), kMaxOctet + 1);
        } else if (c == '.') {
            ++dots;
            if (dots > 3 || value > kMaxOctet || i + 1 == Text.size() || !IsDigit(Text[i + 1]))
                return false;
            value = 0;
        } else {
            if (Text.find_first_not_of(' ', i) != std::string::npos)
                return false;
            break;
        }
    }
    return dots == 3 && value <= kMaxOctet;
}

namespace {

// SocketResolveHost for one family, or for both with AF_UNSPEC.
TSocketAddress ResolveHostOf(const std::string& Host, int Family) {
    if (Host.empty() || Host.size() > kMaxHostLength)
        throw ESocketException("SocketResolveHost: '" + Host + "' Invalid Hostname.");
    const std::string trimmed = TrimSpaces(Host);
    if (SocketIsDottedIP(Host)) {
        const in_addr_t addr = inet_addr(trimmed.c_str());
        if (addr == INADDR_NONE && trimmed != "255.255.255.255")
            throw ESocketException("SocketResolveHost: '" + Host + "' Invalid IP address.");
        return TSocketAddress::FromIpv4(addr);
    }
    if (Family != AF_INET)
        if (const auto literal = TSocketAddress::FromIpv6Literal(trimmed))
            return *literal;
    const TLookupResult found = TResolver::LookupName(trimmed, Family);
    if (found.Error != 0)
        throw ESocketException(
            Format("SocketResolveHost: Cannot convert host address", Host, found.Error));
    // Back from text; 255.255.255.255 comes back right, as inet_aton reads it.
    return TSocketAddress::FromNumeric(found.Names.front()).value_or(TSocketAddress());
}

} // namespace

std::uint32_t SocketResolveHost(const std::string& Host) {
    return ResolveHostOf(Host, AF_INET).Ipv4();
}

TSocketAddress SocketResolveAddress(const std::string& Host) {
    return ResolveHostOf(Host, AF_UNSPEC);
}

std::uint16_t SocketResolvePort(const std::string& Port, const std::string& Proto) {
    if (Port.empty() || Port.size() >= kMaxPortLength)
        throw ESocketException("SocketResolvePort: Invalid Port.");
    const std::string trimmed = TrimSpaces(Port);
    if (!trimmed.empty() && IsDigit(trimmed[0]))
        return static_cast<std::uint16_t>(LeadingNumber(trimmed));
    const std::string trimmedProto = TrimSpaces(Proto);
    servent entry{};
    servent* found = nullptr;
    char buffer[kDatabaseBufferSize];
    getservbyname_r(trimmed.c_str(), trimmedProto.empty() ? nullptr : trimmedProto.c_str(), &entry,
                    buffer, sizeof buffer, &found);
    // The services database sets no error number; Winsock reports WSANO_DATA.
    if (found == nullptr)
        throw ESocketException(
            Format("SocketResolvePort: Cannot convert port", Port, wsaerr::NoData));
    return ntohs(static_cast<std::uint16_t>(found->s_port));
}

int SocketResolveProto(const std::string& Proto) {
    if (Proto.empty() || Proto.size() >= kMaxPortLength)
        throw ESocketException("SocketResolveProto: Invalid Protocol.");
    const std::string trimmed = TrimSpaces(Proto);
    if (!trimmed.empty() && IsDigit(trimmed[0]))
        return static_cast<int>(LeadingNumber(trimmed));
    // The protocols every socket uses are known without reading the
    // database at each connect; it also keeps them working on a machine
    // without one, or in a process out of descriptors to read it.
    for (const TKnownProtocol& known : kKnownProtocols)
        if (strcasecmp(trimmed.c_str(), known.Name) == 0)
            return known.Number;
    protoent entry{};
    protoent* found = nullptr;
    char buffer[kDatabaseBufferSize];
    getprotobyname_r(trimmed.c_str(), &entry, buffer, sizeof buffer, &found);
    if (found != nullptr)
        return found->p_proto;
    throw ESocketException(
        Format("SocketResolveProto: Cannot convert protocol", Proto, wsaerr::NoData));
}

std::string LocalHostName() {
    char name[kHostNameArea + 1] = {};
    if (gethostname(name, kHostNameArea) != 0)
        throw ESocketException("Winsock.GetHostName failed");
    return name;
}

std::string SocketResolveIp(const std::string& Dotted) {
    const TLookupResult result = TResolver::LookupAddr(Dotted);
    return result.Names.empty() ? std::string() : result.Names.front();
}

std::vector<std::string> LocalIPList() {
    return TResolver::LookupName(LocalHostName(), AF_INET).Names;
}

std::string TrimSpaces(const std::string& Text) {
    const auto first = Text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return Text.substr(first, Text.find_last_not_of(' ') - first + 1);
}

std::string SocketAddrToDotted(std::uint32_t Addr) {
    return TSocketAddress::FromIpv4(Addr).Text();
}
