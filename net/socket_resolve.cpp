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

constexpr std::size_t MaxHostLength = 256;
constexpr std::size_t MaxPortLength = 32; // port and protocol texts must be shorter
constexpr std::size_t HostNameArea = 64;
constexpr std::size_t DatabaseBufferSize = 1024;
// Host records with many aliases and addresses need more; the lookup asks
// again with twice the area until this bound.
constexpr std::size_t MaxHostRecordSize = 64 * 1024;
constexpr int MaxOctet = 255;

bool IsDigit(char C) {
    return std::isdigit(static_cast<unsigned char>(C)) != 0;
}

std::string Format(const char* Prefix, const std::string& Text, int Error) {
    return std::string(Prefix) + " '" + Text + "', Error #" + std::to_string(Error);
}

// The decimal value of the leading digits; wraps like the 16-bit field it fills.
std::uint32_t LeadingNumber(const std::string& Text) {
    std::uint32_t Value = 0;
    for (const char C : Text) {
        if (!IsDigit(C))
            break;
        Value = Value * 10 + static_cast<std::uint32_t>(C - '0');
    }
    return Value;
}

THostEntry ToHostEntry(const hostent& Record) {
    THostEntry Entry{Record.h_name ? Record.h_name : "", {}, {}};
    for (char** Alias = Record.h_aliases; Alias && *Alias; ++Alias)
        Entry.Aliases.emplace_back(*Alias);
    for (char** Addr = Record.h_addr_list; Addr && *Addr; ++Addr) {
        std::uint32_t Value = 0;
        std::memcpy(&Value, *Addr, sizeof Value);
        Entry.Addresses.push_back(SocketAddrToDotted(Value));
    }
    return Entry;
}

// Runs one of the reentrant host lookups, growing its area while it is too small.
template <class TLookup> std::optional<THostEntry> LookupHostRecord(TLookup Lookup) {
    for (std::size_t Size = DatabaseBufferSize; Size <= MaxHostRecordSize; Size *= 2) {
        std::vector<char> Area(Size);
        hostent Record{};
        hostent* Found = nullptr;
        int HostError = 0;
        const int Result = Lookup(Record, Area.data(), Area.size(), Found, HostError);
        if (Result == ERANGE)
            continue;
        if (Result != 0 || Found == nullptr || Record.h_addrtype != AF_INET)
            return std::nullopt;
        return ToHostEntry(Record);
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
    in_addr Addr{};
    if (inet_pton(AF_INET, TrimSpaces(Dotted).c_str(), &Addr) != 1)
        return std::nullopt;
    return LookupHostRecord(
        [&](hostent& Record, char* Area, std::size_t Size, hostent*& Found, int& HostError) {
            return gethostbyaddr_r(&Addr, sizeof Addr, AF_INET, &Record, Area, Size, &Found,
                                   &HostError);
        });
}

bool SocketIsDottedIP(const std::string& Text) {
    std::size_t I = 0;
    while (I < Text.size() && Text[I] == ' ')
        ++I;
    if (I < Text.size() && Text[I] == '.')
        return false;
    int Dots = 0;
    int Value = 0;
    for (; I < Text.size(); ++I) {
        const char C = Text[I];
        if (IsDigit(C)) {
            // Saturates: any value above 255 fails in the same way.
            Value = std::min(Value * 10 + (C - '0'), MaxOctet + 1);
        } else if (C == '.') {
            ++Dots;
            if (Dots > 3 || Value > MaxOctet || I + 1 == Text.size() || !IsDigit(Text[I + 1]))
                return false;
            Value = 0;
        } else {
            if (Text.find_first_not_of(' ', I) != std::string::npos)
                return false;
            break;
        }
    }
    return Dots == 3 && Value <= MaxOctet;
}

std::uint32_t SocketResolveHost(const std::string& Host) {
    if (Host.empty() || Host.size() > MaxHostLength)
        throw ESocketException("SocketResolveHost: '" + Host + "' Invalid Hostname.");
    const std::string Trimmed = TrimSpaces(Host);
    if (SocketIsDottedIP(Host)) {
        const in_addr_t Addr = inet_addr(Trimmed.c_str());
        if (Addr == INADDR_NONE && Trimmed != "255.255.255.255")
            throw ESocketException("SocketResolveHost: '" + Host + "' Invalid IP address.");
        return Addr;
    }
    const TLookupResult Found = TResolver::LookupName(Trimmed);
    if (Found.Error != 0)
        throw ESocketException(
            Format("SocketResolveHost: Cannot convert host address", Host, Found.Error));
    // Back from dotted text; 255.255.255.255 comes back right, as INADDR_NONE is that value.
    return inet_addr(Found.Names.front().c_str());
}

std::uint16_t SocketResolvePort(const std::string& Port, const std::string& Proto) {
    if (Port.empty() || Port.size() >= MaxPortLength)
        throw ESocketException("SocketResolvePort: Invalid Port.");
    const std::string Trimmed = TrimSpaces(Port);
    if (!Trimmed.empty() && IsDigit(Trimmed[0]))
        return static_cast<std::uint16_t>(LeadingNumber(Trimmed));
    const std::string TrimmedProto = TrimSpaces(Proto);
    servent Entry{};
    servent* Found = nullptr;
    char Buffer[DatabaseBufferSize];
    getservbyname_r(Trimmed.c_str(), TrimmedProto.empty() ? nullptr : TrimmedProto.c_str(), &Entry,
                    Buffer, sizeof Buffer, &Found);
    // The services database sets no error number; Winsock reports WSANO_DATA.
    if (Found == nullptr)
        throw ESocketException(
            Format("SocketResolvePort: Cannot convert port", Port, wsaerr::NoData));
    return ntohs(static_cast<std::uint16_t>(Found->s_port));
}

int SocketResolveProto(const std::string& Proto) {
    if (Proto.empty() || Proto.size() >= MaxPortLength)
        throw ESocketException("SocketResolveProto: Invalid Protocol.");
    const std::string Trimmed = TrimSpaces(Proto);
    if (!Trimmed.empty() && IsDigit(Trimmed[0]))
        return static_cast<int>(LeadingNumber(Trimmed));
    protoent Entry{};
    protoent* Found = nullptr;
    char Buffer[DatabaseBufferSize];
    getprotobyname_r(Trimmed.c_str(), &Entry, Buffer, sizeof Buffer, &Found);
    if (Found != nullptr)
        return Found->p_proto;
    // A machine without a protocols database, or a process out of descriptors
    // to read it, must still be able to connect.
    if (strcasecmp(Trimmed.c_str(), "tcp") == 0)
        return IPPROTO_TCP;
    if (strcasecmp(Trimmed.c_str(), "udp") == 0)
        return IPPROTO_UDP;
    throw ESocketException(
        Format("SocketResolveProto: Cannot convert protocol", Proto, wsaerr::NoData));
}

std::string LocalHostName() {
    char Name[HostNameArea + 1] = {};
    if (gethostname(Name, HostNameArea) != 0)
        throw ESocketException("Winsock.GetHostName failed");
    return Name;
}

std::string SocketResolveIp(const std::string& Dotted) {
    const TLookupResult Result = TResolver::LookupAddr(Dotted);
    return Result.Names.empty() ? std::string() : Result.Names.front();
}

std::vector<std::string> LocalIPList() {
    return TResolver::LookupName(LocalHostName()).Names;
}

std::string TrimSpaces(const std::string& Text) {
    const auto First = Text.find_first_not_of(' ');
    if (First == std::string::npos)
        return {};
    return Text.substr(First, Text.find_last_not_of(' ') - First + 1);
}

std::string SocketAddrToDotted(std::uint32_t Addr) {
    in_addr In{};
    In.s_addr = Addr;
    char Text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &In, Text, sizeof Text);
    return Text;
}
