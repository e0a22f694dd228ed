#pragma once

#include <cstdint>
#include <string>

// The numbers of the SOCKS 4, 4A and 5 exchanges as the client layer sends
// and reads them, and the failures the proxies' reply codes stand for.
namespace socks_protocol {

constexpr std::uint8_t kSocks4Version = 4;
constexpr std::uint8_t kSocks4ReplyVersion = 0;
constexpr std::uint8_t kSocks5Version = 5;
constexpr std::uint8_t kAuthVersion = 1; // user name and password sub-negotiation
constexpr std::uint8_t kCommandConnect = 1;
constexpr std::uint8_t kMethodNone = 0;
constexpr std::uint8_t kMethodUsercode = 2;
constexpr std::uint8_t kAddressIPv4 = 1;
constexpr std::uint8_t kAddressDomain = 3;
constexpr std::uint8_t kAddressIPv6 = 4;
constexpr std::uint32_t kSocks4aAddress = 1; // 0.0.0.1: the host name follows the user id
constexpr std::uint8_t kSocks4Granted = 90;
constexpr std::uint8_t kSocks5Succeeded = 0;
constexpr std::uint8_t kAuthSucceeded = 0;

constexpr int kShortReplySize = 2;   // method choice, authentication status
constexpr int kSocks5ReplyHead = 5;  // enough to know the length of the whole reply
constexpr int kSocks5IPv4Reply = 10; // header, 4 address bytes, port
constexpr int kSocks5IPv6Reply = 22; // header, 16 address bytes, port
constexpr int kIpv6AddressSize = 16;
constexpr int kSocks5DomainReply = 7; // header, length byte, port; plus the name

// The SocksLevel texts.
constexpr char kSocks5Level[] = "5";
constexpr char kSocks4aLevel[] = "4A";

// A failed negotiation's number (socks_errors) and text.
struct TFailure {
    int Number;
    std::string Text;
};

// The failure a reply code stands for; codes outside the protocol's table
// are unassigned.
TFailure Socks5ReplyFailure(int Code);
TFailure Socks4ReplyFailure(int Code);

} // namespace socks_protocol
