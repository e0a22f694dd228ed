#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/socket_address.h"

// Free conversions of host, port and protocol texts. Each raises
// ESocketException directly (never through a socket's OnError).

// True for a dotted IPv4 text of exactly four parts of at most 255 each;
// leading spaces, leading zeros and trailing spaces are accepted.
bool SocketIsDottedIP(const std::string& Text);

// IPv4 address in network byte order. Dotted texts are converted directly,
// anything else is looked up synchronously (blocking).
std::uint32_t SocketResolveHost(const std::string& Host);

// IPv4 or IPv6 address (port 0): dotted texts and IPv6 literals are converted
// directly, anything else is looked up synchronously (blocking), and the
// system's preferred address is taken. Failures read as SocketResolveHost's.
TSocketAddress SocketResolveAddress(const std::string& Host);

// Port number in host byte order: the leading decimal digits, or a service
// name looked up for the given protocol (any protocol when empty).
std::uint16_t SocketResolvePort(const std::string& Port, const std::string& Proto);

// Protocol number: the leading decimal digits, or a protocol name ("tcp" 6,
// "udp" 17).
int SocketResolveProto(const std::string& Proto);

// A host record of the hosts database or DNS: official name, aliases and
// IPv4 addresses as dotted texts.
struct THostEntry {
    std::string Name;
    std::vector<std::string> Aliases;
    std::vector<std::string> Addresses;
};

// The host record of a name (gethostbyname_r; blocking), none when unknown.
std::optional<THostEntry> SocketGetHostByName(const std::string& Name);

// The host record of a dotted IPv4 address (gethostbyaddr_r; blocking), none
// when the text is no address or the address has no record.
std::optional<THostEntry> SocketGetHostByAddr(const std::string& Dotted);

// This machine's host name; raises "Winsock.GetHostName failed" on failure.
std::string LocalHostName();

// Host name of a dotted address (blocking reverse lookup); empty when none.
std::string SocketResolveIp(const std::string& Dotted);

// This machine's IPv4 addresses as dotted texts, looked up by its host name
// (blocking); empty when the name has none.
std::vector<std::string> LocalIPList();

// Copy without leading and trailing blanks (only ' '; tabs are kept).
std::string TrimSpaces(const std::string& Text);

// Dotted text of an IPv4 address in network byte order.
std::string SocketAddrToDotted(std::uint32_t Addr);
