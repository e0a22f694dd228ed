#include "net/socket_errors.h"

#include <gtest/gtest.h>

#include <netdb.h>

#include <cerrno>

namespace {

struct TErrnoCase {
    int Errno;
    int Winsock;
};

class ErrnoMapping : public testing::TestWithParam<TErrnoCase> {};

TEST_P(ErrnoMapping, MapsOntoTheWinsockNumber) {
    EXPECT_EQ(WinsockErrorFromErrno(GetParam().Errno), GetParam().Winsock);
}

INSTANTIATE_TEST_SUITE_P(
    Socket, ErrnoMapping,
    testing::Values(TErrnoCase{ECONNREFUSED, 10061}, TErrnoCase{ECONNRESET, 10054},
                    TErrnoCase{EPIPE, 10054}, TErrnoCase{ETIMEDOUT, 10060},
                    TErrnoCase{EHOSTUNREACH, 10065}, TErrnoCase{ENETUNREACH, 10051},
                    TErrnoCase{EWOULDBLOCK, 10035}, TErrnoCase{EAGAIN, 10035},
                    TErrnoCase{EINPROGRESS, 10036}, TErrnoCase{ENOTCONN, 10057},
                    TErrnoCase{EADDRINUSE, 10048}, TErrnoCase{ENOTSOCK, 10038},
                    TErrnoCase{ECONNABORTED, 10053}, TErrnoCase{EINVAL, 10022}));

TEST(EaiMapping, ResolverFailuresMapOnto11001To11004) {
    EXPECT_EQ(WinsockErrorFromEai(EAI_NONAME, 0), 11001);
    EXPECT_EQ(WinsockErrorFromEai(EAI_AGAIN, 0), 11002);
    EXPECT_EQ(WinsockErrorFromEai(EAI_FAIL, 0), 11003);
    EXPECT_EQ(WinsockErrorFromEai(EAI_NODATA, 0), 11004);
    EXPECT_EQ(WinsockErrorFromEai(EAI_ADDRFAMILY, 0), 11004);
    EXPECT_EQ(WinsockErrorFromEai(EAI_SYSTEM, ECONNREFUSED), 10061);
}

TEST(SocketErrorDesc, KnownNumbersHaveTheirTextOthersAreNotWinsockErrors) {
    EXPECT_EQ(SocketErrorDesc(0), "No Error");
    EXPECT_EQ(SocketErrorDesc(10061), "Connection refused");
    EXPECT_EQ(SocketErrorDesc(10054), "Connection reset by peer");
    EXPECT_EQ(SocketErrorDesc(11001), "Host not found");
    EXPECT_EQ(SocketErrorDesc(11004), "No Data");
    EXPECT_EQ(SocketErrorDesc(12345), "Not a WinSock error");
    EXPECT_EQ(SocketErrorDesc(20008), "Not a WinSock error");
    // An errno value without a Winsock counterpart never gets a Winsock text.
    EXPECT_EQ(SocketErrorDesc(WinsockErrorFromErrno(EIO)), "Not a WinSock error");
}

} // namespace
