#include "net/socket_resolve.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netdb.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

#include "net/socket_errors.h"
#include "tests/net/socket_test_helpers.h"

using nettest::MessageOf;

namespace {

TEST(SocketErrors, ErrnoAndResolverFailuresMapOntoWinsockNumbers) {
    const std::pair<int, int> Errnos[] = {
        {ECONNREFUSED, 10061}, {ECONNRESET, 10054},  {EPIPE, 10054},        {ETIMEDOUT, 10060},
        {EHOSTUNREACH, 10065}, {ENETUNREACH, 10051}, {EWOULDBLOCK, 10035},  {EAGAIN, 10035},
        {EINPROGRESS, 10036},  {ENOTCONN, 10057},    {EADDRINUSE, 10048},   {ENOTSOCK, 10038},
        {ECONNABORTED, 10053}, {EINVAL, 10022},      {EAFNOSUPPORT, 10047}, {EADDRNOTAVAIL, 10049}};
    for (const auto& [Errno, Winsock] : Errnos)
        EXPECT_EQ(WinsockErrorFromErrno(Errno), Winsock) << "errno " << Errno;
    EXPECT_EQ(WinsockErrorFromEai(EAI_NONAME, 0), 11001);
    EXPECT_EQ(WinsockErrorFromEai(EAI_AGAIN, 0), 11002);
    EXPECT_EQ(WinsockErrorFromEai(EAI_FAIL, 0), 11003);
    EXPECT_EQ(WinsockErrorFromEai(EAI_NODATA, 0), 11004);
    EXPECT_EQ(WinsockErrorFromEai(EAI_ADDRFAMILY, 0), 11004);
    EXPECT_EQ(WinsockErrorFromEai(EAI_SYSTEM, ECONNREFUSED), 10061);
}

TEST(SocketErrors, KnownNumbersHaveTheirTextOthersAreNotWinsockErrors) {
    EXPECT_EQ(SocketErrorDesc(0), "No Error");
    EXPECT_EQ(SocketErrorDesc(10061), "Connection refused");
    EXPECT_EQ(SocketErrorDesc(10054), "Connection reset by peer");
    EXPECT_EQ(SocketErrorDesc(11001), "Host not found");
    EXPECT_EQ(SocketErrorDesc(11004), "No Data");
    EXPECT_EQ(SocketErrorDesc(12345), "Not a WinSock error");
    EXPECT_EQ(SocketErrorDesc(20008), "Not a WinSock error");
}

TEST(SocketErrors, EveryErrnoValueGetsAWinsockNumberWithAText) {
    EXPECT_EQ(WinsockErrorFromErrno(0), 0);
    EXPECT_EQ(WinsockErrorFromErrno(EPROTO), 10053);
    EXPECT_EQ(WinsockErrorFromErrno(ENOSR), 10055);
    EXPECT_EQ(WinsockErrorFromErrno(EIO), 10107);
    EXPECT_EQ(SocketErrorDesc(10107), "System call failure");
    std::string Unmapped;
    for (int Errno = 1; Errno < 134; ++Errno)
        if (SocketErrorDesc(WinsockErrorFromErrno(Errno)) == "Not a WinSock error")
            Unmapped += std::to_string(Errno) + " ";
    EXPECT_EQ(Unmapped, "");
}

TEST(SocketIsDottedIP, FollowsTheFourPartRule) {
    for (const char* Text :
         {"192.168.1.1", "01.2.3.4", "  1.2.3.4", "1.2.3.4  ", "255.255.255.255", "0.0.0.0"})
        EXPECT_TRUE(SocketIsDottedIP(Text)) << Text;
    for (const char* Text :
         {"", "1.2.3", "1.2.3.4.5", "300.1.1.1", "1.2.3.256", ".1.2.3", "1.2.3.", "1..2.3",
          "1.2.3.4x", "1.2.3.4 x", "localhost", "1.2.3.99999999999999999999999"})
        EXPECT_FALSE(SocketIsDottedIP(Text)) << Text;
}

TEST(SocketResolveHost, DottedTextsConvertDirectly) {
    EXPECT_EQ(SocketResolveHost("192.168.1.1"), inet_addr("192.168.1.1"));
    EXPECT_EQ(SocketResolveHost(" 127.0.0.1 "), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(SocketResolveHost("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(SocketResolveHost("localhost"), htonl(INADDR_LOOPBACK));
}

TEST(SocketAddrToDotted, WritesEachByteInDecimal) {
    for (const char* text : {"0.0.0.0", "255.255.255.255", "10.0.200.7", "1.20.3.40"})
        EXPECT_EQ(SocketAddrToDotted(inet_addr(text)), text);
}

TEST(SocketResolveHost, FailuresCarryTheirMessages) {
    EXPECT_EQ(MessageOf([] { SocketResolveHost(""); }), "SocketResolveHost: '' Invalid Hostname.");
    EXPECT_EQ(MessageOf([] { SocketResolveHost(std::string(257, 'a')); }),
              "SocketResolveHost: '" + std::string(257, 'a') + "' Invalid Hostname.");
    // Dotted by the four-part rule but refused by the converter (8 is not octal).
    EXPECT_EQ(MessageOf([] { SocketResolveHost("08.1.1.1"); }),
              "SocketResolveHost: '08.1.1.1' Invalid IP address.");
    // A part over 255 makes it a host name, and as a name it does not exist.
    EXPECT_EQ(MessageOf([] {
                  SocketResolveHost("300.1.1.1");
              }).rfind("SocketResolveHost: Cannot convert host address '300.1.1.1', Error #110", 0),
              0u);
}

TEST(SocketResolvePort, NumbersDirectlyNamesThroughTheServicesDatabase) {
    EXPECT_EQ(SocketResolvePort("8080", ""), 8080);
    EXPECT_EQ(SocketResolvePort("80abc", "tcp"), 80);
    EXPECT_EQ(SocketResolvePort("65537", "tcp"), 1); // only the low 16 bits count
    EXPECT_EQ(SocketResolvePort("http", "tcp"), 80);
    EXPECT_EQ(SocketResolvePort(" http ", ""), 80);
    EXPECT_EQ(MessageOf([] { SocketResolvePort("", "tcp"); }), "SocketResolvePort: Invalid Port.");
    EXPECT_EQ(MessageOf([] { SocketResolvePort(std::string(32, '1'), "tcp"); }),
              "SocketResolvePort: Invalid Port.");
    EXPECT_EQ(MessageOf([] { SocketResolvePort("nosuchservice", "tcp"); }),
              "SocketResolvePort: Cannot convert port 'nosuchservice', Error #11004");
}

TEST(SocketResolveProto, NumbersAndNames) {
    EXPECT_EQ(SocketResolveProto("tcp"), 6);
    EXPECT_EQ(SocketResolveProto("udp"), 17);
    EXPECT_EQ(SocketResolveProto(" TCP "), 6);
    EXPECT_EQ(SocketResolveProto("17"), 17);
    // Names beyond the known ones come from the protocols database.
    if (std::ifstream("/etc/protocols")) {
        EXPECT_EQ(SocketResolveProto("icmp"), 1);
    }
    EXPECT_EQ(MessageOf([] { SocketResolveProto(""); }), "SocketResolveProto: Invalid Protocol.");
    EXPECT_EQ(MessageOf([] { SocketResolveProto("nosuchproto"); }),
              "SocketResolveProto: Cannot convert protocol 'nosuchproto', Error #11004");
}

TEST(SocketHostRecords, ByNameAndByAddressOrNone) {
    const auto ByName = SocketGetHostByName("localhost");
    ASSERT_TRUE(ByName.has_value());
    EXPECT_FALSE(ByName->Name.empty());
    EXPECT_NE(std::find(ByName->Addresses.begin(), ByName->Addresses.end(), "127.0.0.1"),
              ByName->Addresses.end());
    const auto ByAddr = SocketGetHostByAddr("127.0.0.1");
    ASSERT_TRUE(ByAddr.has_value());
    EXPECT_FALSE(ByAddr->Name.empty());
    EXPECT_FALSE(SocketGetHostByName("no-such-host.invalid").has_value());
    EXPECT_FALSE(SocketGetHostByAddr("not an address").has_value());
}

TEST(SocketLocalHost, LoopbackHasANameAndThisMachineHasAddresses) {
    EXPECT_FALSE(SocketResolveIp("127.0.0.1").empty());
    EXPECT_FALSE(LocalHostName().empty());
    for (const std::string& Addr : LocalIPList())
        EXPECT_TRUE(SocketIsDottedIP(Addr)) << Addr;
}

} // namespace
