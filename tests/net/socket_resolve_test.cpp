#include "net/socket_resolve.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include "net/socket_exception.h"

namespace {

struct TDottedCase {
    const char* Text;
    bool Dotted;
};

class DottedIP : public testing::TestWithParam<TDottedCase> {};

TEST_P(DottedIP, FollowsTheFourPartRule) {
    EXPECT_EQ(SocketIsDottedIP(GetParam().Text), GetParam().Dotted) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(
    Socket, DottedIP,
    testing::Values(TDottedCase{"192.168.1.1", true}, TDottedCase{"01.2.3.4", true},
                    TDottedCase{"  1.2.3.4", true}, TDottedCase{"1.2.3.4  ", true},
                    TDottedCase{"255.255.255.255", true}, TDottedCase{"0.0.0.0", true},
                    TDottedCase{"", false}, TDottedCase{"1.2.3", false},
                    TDottedCase{"1.2.3.4.5", false}, TDottedCase{"300.1.1.1", false},
                    TDottedCase{"1.2.3.256", false}, TDottedCase{".1.2.3", false},
                    TDottedCase{"1.2.3.", false}, TDottedCase{"1..2.3", false},
                    TDottedCase{"1.2.3.4x", false}, TDottedCase{"1.2.3.4 x", false},
                    TDottedCase{"localhost", false},
                    TDottedCase{"1.2.3.99999999999999999999999", false}));

std::string MessageOf(const std::function<void()>& Call) {
    try {
        Call();
    } catch (const ESocketException& E) {
        return E.what();
    }
    return "(no exception)";
}

TEST(SocketResolveHost, DottedTextsConvertDirectly) {
    EXPECT_EQ(SocketResolveHost("192.168.1.1"), inet_addr("192.168.1.1"));
    EXPECT_EQ(SocketResolveHost(" 127.0.0.1 "), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(SocketResolveHost("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(SocketResolveHost("localhost"), htonl(INADDR_LOOPBACK));
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
    EXPECT_EQ(SocketResolveProto("17"), 17);
    EXPECT_EQ(MessageOf([] { SocketResolveProto(""); }), "SocketResolveProto: Invalid Protocol.");
    EXPECT_EQ(MessageOf([] { SocketResolveProto("nosuchproto"); }),
              "SocketResolveProto: Cannot convert protocol 'nosuchproto', Error #11004");
}

TEST(SocketLocalHost, LoopbackHasANameAndThisMachineHasAddresses) {
    EXPECT_FALSE(SocketResolveIp("127.0.0.1").empty());
    EXPECT_FALSE(LocalHostName().empty());
    for (const std::string& Addr : LocalIPList())
        EXPECT_TRUE(SocketIsDottedIP(Addr)) << Addr;
}

} // namespace
