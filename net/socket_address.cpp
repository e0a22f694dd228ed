#include "net/socket_address.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <charconv>
#include <cstring>

namespace {

constexpr int kIpv4Bytes = 4;

// The dotted form written here: the system's formatter goes through printf,
// which costs more than the rest of a connection's address bookkeeping.
std::string DottedText(std::uint32_t NetworkOrder) {
    constexpr int kMaxDigits = 3;
    std::uint8_t bytes[kIpv4Bytes];
    std::memcpy(bytes, &NetworkOrder, sizeof bytes);
    std::string text;
    for (int i = 0; i < kIpv4Bytes; ++i) {
        char digits[kMaxDigits];
        if (i > 0)
            text += '.';
        text.append(digits, std::to_chars(digits, digits + kMaxDigits, bytes[i]).ptr);
    }
    return text;
}

} // namespace

TSocketAddress::TSocketAddress() {
    V4().sin_family = AF_INET;
}

std::optional<TSocketAddress> TSocketAddress::FromNumeric(const std::string& Text) {
    in_addr v4{};
    // inet_aton reads what inet_addr reads, 255.255.255.255 included.
    if (inet_aton(Text.c_str(), &v4) != 0)
        return FromIpv4(v4.s_addr);
    return FromIpv6Literal(Text);
}

std::optional<TSocketAddress> TSocketAddress::FromIpv6Literal(const std::string& Text) {
    // Every IPv6 literal has a colon: names and IPv4 texts need no parse.
    if (Text.find(':') == std::string::npos)
        return std::nullopt;
    // The numeric form of getaddrinfo never asks a name server, and unlike
    // inet_pton it reads a zone ("fe80::1%eth0").
    addrinfo hints{};
    hints.ai_family = AF_INET6;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (getaddrinfo(Text.c_str(), nullptr, &hints, &found) != 0)
        return std::nullopt;
    TSocketAddress address;
    std::memcpy(&address.FStorage, found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    return address;
}

TSocketAddress TSocketAddress::FromIpv4(std::uint32_t NetworkOrder) {
    TSocketAddress address;
    address.V4().sin_addr.s_addr = NetworkOrder;
    return address;
}

TSocketAddress TSocketAddress::FromSockaddr(const sockaddr_storage& Storage) {
    TSocketAddress address;
    if (Storage.ss_family == AF_INET || Storage.ss_family == AF_INET6)
        address.FStorage = Storage;
    return address;
}

std::uint16_t TSocketAddress::Port() const {
    return ntohs(IsIpv6() ? V6().sin6_port : V4().sin_port);
}

void TSocketAddress::SetPort(std::uint16_t Port) {
    (IsIpv6() ? V6().sin6_port : V4().sin_port) = htons(Port);
}

void TSocketAddress::SetHost(const TSocketAddress& Host) {
    const std::uint16_t port = Port();
    FStorage = Host.FStorage;
    SetPort(port);
}

std::uint32_t TSocketAddress::Ipv4() const {
    return V4().sin_addr.s_addr;
}

const std::uint8_t* TSocketAddress::Ipv6Bytes() const {
    return V6().sin6_addr.s6_addr;
}

bool TSocketAddress::IsIpv4Broadcast() const {
    return !IsIpv6() && V4().sin_addr.s_addr == INADDR_BROADCAST;
}

std::string TSocketAddress::Text() const {
    if (!IsIpv6())
        return DottedText(Ipv4());
    char text[NI_MAXHOST] = {};
    getnameinfo(Data(), Size(), text, sizeof text, nullptr, 0, NI_NUMERICHOST);
    return text;
}

socklen_t TSocketAddress::Size() const {
    return IsIpv6() ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

bool IsAnyAddressText(const std::string& Text) {
    return Text == "0.0.0.0" || Text == "::";
}
