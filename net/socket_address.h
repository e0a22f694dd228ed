#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <optional>
#include <string>

// An IPv4 or IPv6 address with a port, in the form the system calls take.
// A new one is the IPv4 "any" address with port 0.
class TSocketAddress {
public:
    TSocketAddress();

    // A dotted IPv4 text (as inet_addr reads it) or an IPv6 literal, with
    // an optional "%" zone for a link-local one; no brackets, no lookup.
    static std::optional<TSocketAddress> FromNumeric(const std::string& Text);
    // An IPv6 literal only.
    static std::optional<TSocketAddress> FromIpv6Literal(const std::string& Text);
    // An IPv4 address in network byte order.
    static TSocketAddress FromIpv4(std::uint32_t NetworkOrder);
    // What the system wrote into a sockaddr of either family; another family
    // reads as the IPv4 any address.
    static TSocketAddress FromSockaddr(const sockaddr_storage& Storage);

    int Family() const { return FStorage.ss_family; }
    bool IsIpv6() const { return Family() == AF_INET6; }
    // Host byte order.
    std::uint16_t Port() const;
    void SetPort(std::uint16_t Port);
    // Takes the address of Host and keeps this one's port.
    void SetHost(const TSocketAddress& Host);
    // IPv4 only: the address in network byte order.
    std::uint32_t Ipv4() const;
    // IPv6 only: the 16 address bytes.
    const std::uint8_t* Ipv6Bytes() const;
    bool IsIpv4Broadcast() const;
    // Dotted or IPv6 text, an IPv6 one with its zone.
    std::string Text() const;

    const sockaddr* Data() const { return reinterpret_cast<const sockaddr*>(&FStorage); }
    socklen_t Size() const;
    // For the calls that fill the whole storage (accept); Capacity is its size.
    sockaddr* MutableData() { return reinterpret_cast<sockaddr*>(&FStorage); }
    static constexpr socklen_t kCapacity = sizeof(sockaddr_storage);

private:
    sockaddr_in& V4() { return reinterpret_cast<sockaddr_in&>(FStorage); }
    const sockaddr_in& V4() const { return reinterpret_cast<const sockaddr_in&>(FStorage); }
    sockaddr_in6& V6() { return reinterpret_cast<sockaddr_in6&>(FStorage); }
    const sockaddr_in6& V6() const { return reinterpret_cast<const sockaddr_in6&>(FStorage); }

    sockaddr_storage FStorage{};
};

// The any address of a family, as a socket binds to it: "0.0.0.0" or "::".
bool IsAnyAddressText(const std::string& Text);
