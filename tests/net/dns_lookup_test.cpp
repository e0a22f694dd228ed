#include <QPointer>

#include <gtest/gtest.h>

#include <netdb.h>

#include "net/async_socket.h"
#include "tests/net/socket_test_helpers.h"

using nettest::THeldLookup;
using testsupport::WaitUntil;

namespace {

// Counts the lookup completions that reach the socket, current or not.
class TCountingSocket : public TAsyncSocket {
public:
    int Completions = 0;

protected:
    void WndProc(TSocketMessage& Msg) override {
        if (Msg.Msg == WM_ASYNCGETHOSTBYNAME || Msg.Msg == WM_ASYNCGETHOSTBYADDR)
            ++Completions;
        TAsyncSocket::WndProc(Msg);
    }
};

class DnsLookup : public testing::Test {
protected:
    TCountingSocket Socket;
    std::vector<int> Done;

    void SetUp() override {
        Socket.OnDnsLookupDone = [this](TCustomAsyncSocket*, std::uint16_t Error) {
            Done.push_back(Error);
        };
    }
    bool WaitDone() {
        return WaitUntil([&] { return !Done.empty(); });
    }
};

TEST_F(DnsLookup, DottedAddressIsAnsweredInsideTheCall) {
    Socket.DnsLookup("192.168.1.1");
    EXPECT_EQ(Done, std::vector<int>{0});
    EXPECT_EQ(Socket.DnsResult(), "192.168.1.1");
    EXPECT_TRUE(Socket.DnsResultList().empty());
}

TEST_F(DnsLookup, Ipv6LiteralIsAnsweredInsideTheCall) {
    Socket.DnsLookup("0:0::1");
    EXPECT_EQ(Done, std::vector<int>{0});
    EXPECT_EQ(Socket.DnsResult(), "::1");
    EXPECT_TRUE(Socket.DnsResultList().empty());
}

// The system's lookup is asked for both families: an IPv6 address comes back
// as one, not as an IPv4 address standing in for it.
TEST(Resolver, LookupGivesIpv6AddressesAsTheyAre) {
    const TLookupResult Found = TResolver::LookupName("::1");
    EXPECT_EQ(Found.Error, 0);
    EXPECT_EQ(Found.Names, std::vector<std::string>{"::1"});
}

TEST_F(DnsLookup, NameThatDoesNotExistGives11001) {
    // Without a reachable name server the system may only say "try again".
    addrinfo Hints{};
    Hints.ai_family = AF_INET;
    addrinfo* List = nullptr;
    if (getaddrinfo("nonexistent.invalid", nullptr, &Hints, &List) != EAI_NONAME)
        GTEST_SKIP() << "the system resolver cannot tell that the name does not exist";
    Socket.DnsLookup("nonexistent.invalid");
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Done, std::vector<int>{11001});
    EXPECT_EQ(Socket.DnsResult(), "");
    EXPECT_TRUE(Socket.DnsResultList().empty());
}

TEST_F(DnsLookup, AllOnesAddressIsLookedUpAndAllAnswersArriveInRecordOrder) {
    const std::vector<std::string> Names{"10.0.0.3", "10.0.0.1", "10.0.0.2"};
    THeldLookup::On(Socket, Names, true);
    Socket.DnsLookup("255.255.255.255");
    EXPECT_TRUE(Done.empty()); // unlike other dotted addresses, not answered inside the call
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Socket.DnsResultList(), Names);
    EXPECT_EQ(Socket.DnsResult(), "10.0.0.3");
}

TEST_F(DnsLookup, NewLookupReplacesAPendingOneSilentlyAndCancelReports10004) {
    auto First = THeldLookup::On(Socket, {"10.1.1.1"});
    Socket.DnsLookup("first.example");
    First->WaitStarted();
    THeldLookup::On(Socket, {"10.2.2.2"}, true);
    Socket.DnsLookup("second.example");
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Socket.DnsResult(), "10.2.2.2");
    auto Third = THeldLookup::On(Socket, {"10.3.3.3"});
    Socket.DnsLookup("third.example");
    Third->WaitStarted();
    Socket.CancelDnsLookup();
    EXPECT_EQ(Done, (std::vector<int>{0, 10004}));
    // The late completions of the replaced and the cancelled lookup are dropped.
    First->Release();
    Third->Release();
    ASSERT_TRUE(WaitUntil([&] { return Socket.Completions == 3; }));
    EXPECT_EQ(Done, (std::vector<int>{0, 10004}));
    EXPECT_EQ(Socket.DnsResult(), "");
}

TEST_F(DnsLookup, LocalhostResolvesToLoopbackAfterASocketDiedWithItsLookupInFlight) {
    std::shared_ptr<THeldLookup> Held;
    int DeadDone = 0;
    {
        TAsyncSocket Dying;
        Dying.OnDnsLookupDone = [&](TCustomAsyncSocket*, std::uint16_t) { ++DeadDone; };
        Held = THeldLookup::On(Dying, {"10.1.1.1"});
        Dying.DnsLookup("held.example");
        Held->WaitStarted();
    }
    Held->Release(); // its worker finds the channel closed and posts nothing
    Socket.DnsLookup("localhost");
    EXPECT_TRUE(Done.empty());
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Done, std::vector<int>{0});
    EXPECT_EQ(Socket.DnsResult(), "127.0.0.1");
    ASSERT_FALSE(Socket.DnsResultList().empty());
    EXPECT_EQ(Socket.DnsResultList().front(), "127.0.0.1");
    EXPECT_EQ(DeadDone, 0);
}

TEST_F(DnsLookup, EmptyHostRaisesOrReports10022) {
    EXPECT_EQ(nettest::MessageOf([&] { Socket.DnsLookup(""); }), "DNS lookup: invalid host name.");
    EXPECT_TRUE(Done.empty());
    Socket.OnError = [](TCustomAsyncSocket*) {};
    Socket.DnsLookup("");
    EXPECT_EQ(Done, std::vector<int>{10022});
}

// A handler deletes the socket inside a lookup call: through OnError for an
// empty host, or through OnDnsLookupDone(10004) when Abort cancels a lookup.
class HandlerDeletesTheSocketInsideALookupCall : public testing::TestWithParam<bool> {};

TEST_P(HandlerDeletesTheSocketInsideALookupCall, AndTheCallReturnsWithoutTouchingIt) {
    const bool ByAbort = GetParam();
    QPointer<TAsyncSocket> Doomed = new TAsyncSocket;
    const auto Delete = [](TCustomAsyncSocket* Sender, auto...) { delete Sender; };
    if (ByAbort) {
        Doomed->OnDnsLookupDone = Delete;
        auto Held = THeldLookup::On(*Doomed, {"10.1.1.1"}, true);
        Doomed->DnsLookup("held.example");
        Doomed->Abort();
    } else {
        Doomed->OnError = Delete;
        Doomed->DnsLookup("");
    }
    EXPECT_EQ(Doomed, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Socket, HandlerDeletesTheSocketInsideALookupCall, testing::Bool());

// The case: a loopback address of either family.
class ReverseDnsLookup : public DnsLookup, public testing::WithParamInterface<std::string> {};

TEST_P(ReverseDnsLookup, OfLoopbackGivesOneHostName) {
    // Not every machine names the IPv6 loopback address in its hosts file.
    const auto Named = TSocketAddress::FromNumeric(GetParam());
    char Host[NI_MAXHOST];
    if (getnameinfo(Named->Data(), Named->Size(), Host, sizeof Host, nullptr, 0, NI_NAMEREQD) != 0)
        GTEST_SKIP() << "the system has no name for " << GetParam();
    Socket.ReverseDnsLookup(GetParam());
    ASSERT_TRUE(WaitDone());
    ASSERT_EQ(Done, std::vector<int>{0});
    EXPECT_EQ(Socket.DnsResult(), Host);
    EXPECT_EQ(Socket.DnsResultList(), std::vector<std::string>{Socket.DnsResult()});
}

INSTANTIATE_TEST_SUITE_P(Loopback, ReverseDnsLookup, testing::Values("127.0.0.1", "::1"),
                         [](const auto& Info) { return Info.index == 0 ? "IPv4" : "IPv6"; });

} // namespace
