#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "net/async_socket.h"
#include "net/connect_race.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/scripted_server.h"

using testsupport::TScriptedServer;
using testsupport::TSilentListener;
using testsupport::WaitUntil;

namespace {

using Log = std::vector<std::string>;

// The one connect the layers above see, whichever attempt won it.
const Log kConnected{"state Closed>Opened", "state Opened>Connecting", "state Connecting>Connected",
                     "connected 0"};
// The answer through the second address comes within this of the start.
constexpr qint64 kSecondAnswersWithinMs = 300;
// An IPv4 address that no TCP connect may go to: refused at once, locally.
constexpr char kUnreachable[] = "224.0.0.1";

std::vector<std::string> Texts(const std::vector<TSocketAddress>& Addresses) {
    std::vector<std::string> texts;
    for (const TSocketAddress& address : Addresses)
        texts.push_back(address.Text());
    return texts;
}

std::vector<std::string> Alternated(const std::vector<std::string>& Texts) {
    std::vector<TSocketAddress> addresses;
    for (const std::string& text : Texts)
        addresses.push_back(*TSocketAddress::FromNumeric(text));
    return ::Texts(AlternateFamilies(addresses));
}

int OpenDescriptors() {
    const std::filesystem::directory_iterator all("/proc/self/fd");
    return static_cast<int>(std::distance(begin(all), end(all)));
}

TEST(ConnectRaceOrder, FamiliesAlternateFromTheFirstAddressOn) {
    EXPECT_EQ(Alternated({"::1", "::2", "10.0.0.1", "10.0.0.2", "::3"}),
              (std::vector<std::string>{"::1", "10.0.0.1", "::2", "10.0.0.2", "::3"}));
    EXPECT_EQ(Alternated({"10.0.0.1", "10.0.0.2", "::1"}),
              (std::vector<std::string>{"10.0.0.1", "::1", "10.0.0.2"}));
    EXPECT_EQ(Alternated({"10.0.0.2", "10.0.0.1"}),
              (std::vector<std::string>{"10.0.0.2", "10.0.0.1"}));
}

class ConnectRace : public nettest::TSocketTest {
protected:
    void Start(const std::vector<std::string>& Addresses, std::uint16_t Port) {
        Clock.start();
        Socket.SetAddrList(Addresses);
        Socket.SetPort(std::to_string(Port));
        Socket.Connect();
    }
    bool WaitConnected() {
        return WaitUntil([&] { return Events.Has("connected 0"); });
    }

    QElapsedTimer Clock;
};

TEST_F(ConnectRace, SilentFirstAddressLosesToTheSecondAfterTheDelay) {
    TScriptedServer Server({{TScriptedServer::Expect("ping"), TScriptedServer::Send("pong")}});
    const TSilentListener Silent("127.0.0.2", Server.Port());
    std::string Got;
    nettest::Collect(Socket, Got);
    Start({"127.0.0.2", "127.0.0.1"}, Server.Port());
    ASSERT_TRUE(WaitConnected());
    const qint64 Elapsed = Clock.elapsed();
    EXPECT_GE(Elapsed, kConnectAttemptDelay.count());
    EXPECT_LT(Elapsed, kSecondAnswersWithinMs);
    EXPECT_EQ(Events.Entries, kConnected);
    EXPECT_EQ(Socket.RemoteSockAddr().Text(), "127.0.0.1");
    EXPECT_EQ(Socket.PeerAddr(), "127.0.0.1");
    Socket.SendStr("ping");
    ASSERT_TRUE(WaitUntil([&] { return Got == "pong"; }));
}

TEST_F(ConnectRace, RefusedFirstAddressHandsOverToTheNextAtOnce) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    // Nothing listens on 127.0.0.2 with that port: refused, on the way back.
    Start({"127.0.0.2", "127.0.0.1"}, Server.Port());
    ASSERT_TRUE(WaitConnected());
    EXPECT_LT(Clock.elapsed(), kConnectAttemptDelay.count());
    EXPECT_EQ(Events.Entries, kConnected);
    EXPECT_EQ(Socket.RemoteSockAddr().Text(), "127.0.0.1");
}

// The case: the addresses, and the error of the failure that comes last.
class ConnectRaceFailure
    : public ConnectRace,
      public testing::WithParamInterface<std::pair<std::vector<std::string>, int>> {};

TEST_P(ConnectRaceFailure, EndsTheConnectWithTheLastFailure) {
    std::uint16_t Port = 0;
    {
        TScriptedServer Gone({});
        Port = Gone.Port();
    } // nothing listens there any more
    const auto& [Addresses, Error] = GetParam();
    Start(Addresses, Port);
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
    EXPECT_EQ(Events.Entries,
              (Log{"state Closed>Opened", "state Opened>Connecting", "state Connecting>Connected",
                   "connected " + std::to_string(Error), "state Connected>Closed", "closed 0"}));
}

const char* const kFailureNames[] = {"AllRefuse", "UnreachableLast", "RefusedLast"};
INSTANTIATE_TEST_SUITE_P(
    Addresses, ConnectRaceFailure,
    testing::Values(std::pair{std::vector<std::string>{"127.0.0.2", "127.0.0.1"}, 10061},
                    std::pair{std::vector<std::string>{"127.0.0.2", kUnreachable}, 10051},
                    std::pair{std::vector<std::string>{kUnreachable, "127.0.0.2"}, 10061}),
    [](const auto& Info) { return kFailureNames[Info.index]; });

// The case: how the race is ended (Abort, Close, destruction).
class ConnectRaceEnd : public testing::TestWithParam<int> {};

TEST_P(ConnectRaceEnd, LeavesNoDescriptorOpen) {
    const TSilentListener First("127.0.0.2");
    const TSilentListener Second("127.0.0.3", First.Port());
    const int Before = OpenDescriptors();
    auto Socket = std::make_unique<TAsyncSocket>();
    Socket->SetAddrList({"127.0.0.2", "127.0.0.3"});
    Socket->SetPort(std::to_string(First.Port()));
    Socket->Connect();
    // Both attempts run once the delay has passed: two descriptors (the
    // socket's arrival watch is made only when a reader waits for one).
    ASSERT_TRUE(WaitUntil([&] { return OpenDescriptors() == Before + 2; }));
    const std::function<void()> Ends[] = {[&] { Socket->Abort(); }, [&] { Socket->Close(); },
                                          [&] { Socket.reset(); }};
    Ends[GetParam()]();
    EXPECT_EQ(OpenDescriptors(), Before);
}

const char* const kEndNames[] = {"Abort", "Close", "Destruction"};
INSTANTIATE_TEST_SUITE_P(Ways, ConnectRaceEnd, testing::Range(0, 3),
                         [](const auto& Info) { return kEndNames[Info.param]; });

} // namespace
