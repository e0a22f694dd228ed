#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include "net/async_socket.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

using testsupport::ProcessCpuMs;
using testsupport::TScriptedServer;
using testsupport::WaitUntil;

namespace {

using Log = std::vector<std::string>;

constexpr double CpuBudgetMs = 50.0;

// Processor time used while the event loop runs idle for Interval.
double CpuWhileIdle(std::chrono::milliseconds Interval) {
    QEventLoop Idle;
    QTimer::singleShot(Interval, Qt::PreciseTimer, &Idle, &QEventLoop::quit);
    const double Before = ProcessCpuMs();
    Idle.exec();
    return ProcessCpuMs() - Before;
}

// A socket in line mode whose handler reads each offered line whole and logs
// it, together with the session's close.
class LineSocket : public nettest::TSocketTest {
protected:
    Log Lines;

    void SetUp() override {
        nettest::TSocketTest::SetUp();
        Socket.SetLineMode(true);
        Socket.OnDataAvailable = [this](TCustomAsyncSocket* Sender, std::uint16_t) {
            Lines.push_back("line " + Sender->ReceiveStr());
        };
        Socket.OnSessionClosed = [this](TCustomAsyncSocket*, std::uint16_t Error) {
            Lines.push_back("closed " + std::to_string(Error));
        };
    }
};

TEST_F(LineSocket, SplitTerminatorMakesOneLineAndTheRestIsALastLineAtClose) {
    TScriptedServer Server(
        {{TScriptedServer::Send("ab\r"), TScriptedServer::WaitGate(1),
          TScriptedServer::Send("\ncdx"), TScriptedServer::WaitGate(2), TScriptedServer::Close()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.LineBufferCount() == 3; }));
    EXPECT_TRUE(Lines.empty());
    Server.OpenGate(1);
    ASSERT_TRUE(WaitUntil([&] { return Socket.LineBufferCount() == 3 && !Lines.empty(); }));
    EXPECT_EQ(Lines, (Log{"line ab\r\n"}));
    Server.OpenGate(2);
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
    EXPECT_EQ(Lines, (Log{"line ab\r\n", "line cdx", "closed 0"}));
    EXPECT_EQ(Socket.LineBufferCount(), 0U);
}

TEST_F(LineSocket, LongLineReadInTenByteStepsThenTheNextLine) {
    const std::string Long = std::string(23, 'x') + "\r\n";
    TScriptedServer Server({{TScriptedServer::Send(Long + "next\r\n"), TScriptedServer::Drain()}});
    std::vector<int> Steps;
    std::string Got;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        char Buffer[10];
        const int N = Sender->Receive(Buffer, sizeof Buffer);
        Steps.push_back(N);
        Got.append(Buffer, static_cast<std::size_t>(std::max(N, 0)));
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Got.size() == Long.size() + 6; }));
    EXPECT_EQ(Steps, (std::vector<int>{10, 10, 5, 6}));
    EXPECT_EQ(Got, Long + "next\r\n");
    EXPECT_EQ(Socket.ReadCount(), static_cast<std::int32_t>(Got.size()));
}

TEST_F(LineSocket, LineWithoutTerminatorIsDeliveredWhenItReachesTheLimit) {
    const std::string Flood(TCustomLineSocket::kMaxLineLength + 10, 'z');
    TScriptedServer Server({{TScriptedServer::Send(Flood), TScriptedServer::Drain()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.LineBufferCount() == 10; }));
    ASSERT_EQ(Lines.size(), 1U);
    EXPECT_EQ(Lines[0], "line " + Flood.substr(0, TCustomLineSocket::kMaxLineLength));
}

struct TEditCase {
    const char* Name;
    bool Echo;
    bool Edit;
    std::string Input;
    std::string Echoed;
    std::string Line;
};

std::string Spaces(std::size_t Count) {
    return std::string(Count, ' ');
}

class LineEditing : public LineSocket, public testing::WithParamInterface<TEditCase> {};

TEST_P(LineEditing, EchoesAndEditsTheReceivedBytes) {
    const TEditCase& Case = GetParam();
    TScriptedServer Server({{TScriptedServer::Send(Case.Input), TScriptedServer::Drain()}});
    Socket.SetLineEcho(Case.Echo);
    Socket.SetLineEdit(Case.Edit);
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return !Lines.empty(); }));
    Socket.SendStr("|"); // marks the end of whatever was echoed
    ASSERT_TRUE(WaitUntil([&] { return Server.Received(0).find('|') != std::string::npos; }));
    EXPECT_EQ(Server.Received(0), Case.Echoed + "|");
    EXPECT_EQ(Lines, (Log{"line " + Case.Line}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineEditing,
    testing::Values(TEditCase{"EchoOnly", true, false, "h\bi\t\r\n", "h\bi\t\r\n", "h\bi\t\r\n"},
                    TEditCase{"Backspace", true, true, "abx\bc\r\n", "abx\b \bc\r\n", "abc\r\n"},
                    TEditCase{"BackspaceAtStart", true, true, "\bq\r\n", "q\r\n", "q\r\n"},
                    TEditCase{"TabToEight", true, true, "a\tb\r\n", "a" + Spaces(7) + "b\r\n",
                              "a" + Spaces(7) + "b\r\n"},
                    TEditCase{"TabAtStop", true, true, "12345678\tc\r\n",
                              "12345678" + Spaces(8) + "c\r\n", "12345678" + Spaces(8) + "c\r\n"},
                    TEditCase{"EditWithoutEcho", false, true, "\bab\b\tz\r\n", "",
                              "a" + Spaces(7) + "z\r\n"}),
    [](const testing::TestParamInfo<TEditCase>& Info) { return std::string(Info.param.Name); });

// Switching line mode off inside the handler while a line is half read: what
// follows is handed out in order, once, and nothing is left behind.
TEST_F(LineSocket, SwitchingOffMidLineKeepsTheOrderWithoutDuplicates) {
    const std::string Sent = "first line\r\nsecond\r\nthird";
    TScriptedServer Server({{TScriptedServer::Send(Sent), TScriptedServer::Drain()}});
    std::string Got;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        if (!Socket.LineMode()) {
            Got += Sender->ReceiveStr();
            return;
        }
        char Buffer[3];
        const int N = Sender->Receive(Buffer, sizeof Buffer);
        Got.append(Buffer, static_cast<std::size_t>(std::max(N, 0)));
        Socket.SetLineMode(false);
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Got.size() >= Sent.size(); }));
    EXPECT_EQ(Got, Sent);
    EXPECT_EQ(Socket.LineBufferCount(), 0U);
}

// Bytes held without a complete line when line mode goes off: the posted
// request offers them once, never repeats itself while nothing happens, and
// they come before what the system receives later.
TEST_F(LineSocket, HeldBytesAreOfferedOnceAndComeBeforeNewOnes) {
    TScriptedServer Server({{TScriptedServer::Send("part"), TScriptedServer::WaitGate(1),
                             TScriptedServer::Send("ial\r\n"), TScriptedServer::Drain()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.LineBufferCount() == 4; }));
    int Offers = 0; // a handler that takes the event but reads nothing
    Socket.OnDataAvailable = [&](TCustomAsyncSocket*, std::uint16_t) { ++Offers; };
    Socket.SetLineMode(false);
    const double Cpu = CpuWhileIdle(std::chrono::milliseconds(300));
    RecordProperty("cpu_ms", std::to_string(Cpu));
    EXPECT_LT(Cpu, CpuBudgetMs);
    EXPECT_EQ(Offers, 1);
    EXPECT_EQ(Socket.LineBufferCount(), 4U);

    std::string Got;
    nettest::Collect(Socket, Got);
    Server.OpenGate(1);
    ASSERT_TRUE(WaitUntil([&] { return Got.size() >= 9; }));
    EXPECT_EQ(Got, "partial\r\n");
}

TEST_F(LineSocket, SwitchingOnWithoutACompleteLineWaitsForMoreWithoutSpinning) {
    TScriptedServer Server({{TScriptedServer::Send("part"), TScriptedServer::WaitGate(1),
                             TScriptedServer::Send("ial\r\n"), TScriptedServer::Drain()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.LineBufferCount() == 4; }));
    Socket.SetLineMode(false);
    Socket.SetLineMode(true); // both requests find line mode on and no complete line
    const double Cpu = CpuWhileIdle(std::chrono::milliseconds(300));
    RecordProperty("cpu_ms", std::to_string(Cpu));
    EXPECT_LT(Cpu, CpuBudgetMs);
    EXPECT_TRUE(Lines.empty());
    EXPECT_EQ(Socket.LineBufferCount(), 4U);
    Server.OpenGate(1);
    ASSERT_TRUE(WaitUntil([&] { return !Lines.empty(); }));
    EXPECT_EQ(Lines, (Log{"line partial\r\n"}));
}

TEST_F(LineSocket, HeldBytesWithoutAHandlerAreDroppedWhenLineModeGoesOff) {
    TScriptedServer Server({{TScriptedServer::Send("rest"), TScriptedServer::Drain()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.LineBufferCount() == 4; }));
    Socket.OnDataAvailable = nullptr;
    Socket.SetLineMode(false);
    ASSERT_TRUE(WaitUntil([&] { return Socket.LineBufferCount() == 0; }));
    EXPECT_EQ(Socket.State(), wsConnected);
}

} // namespace

// A handler that reads on past its line gets nothing more in that event,
// even when the next lines reach the system meanwhile: they come cut, each in
// its own event.
TEST(LineSocketReadingPastTheLine, GetsNoUncutBytesThatArriveMeanwhile) {
    int Pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, Pair), 0);
    TAsyncSocket Socket;
    Socket.SetLineMode(true);
    Socket.Dup(Pair[0]);
    const std::string Later = "second\r\nthird\r\n";
    Log Lines;
    std::size_t Total = 0;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        if (Lines.empty()) { // arrives while the first line is handed out
            ASSERT_EQ(send(Pair[1], Later.data(), Later.size(), MSG_NOSIGNAL),
                      static_cast<ssize_t>(Later.size()));
        }
        std::string Line;
        char Buffer[64];
        int N;
        while ((N = Sender->Receive(Buffer, sizeof Buffer)) > 0)
            Line.append(Buffer, static_cast<std::size_t>(N));
        Total += Line.size();
        Lines.push_back(Line);
    };
    ASSERT_EQ(send(Pair[1], "first\r\n", 7, MSG_NOSIGNAL), 7);
    ASSERT_TRUE(WaitUntil([&] { return Total == 7 + Later.size(); }));
    EXPECT_EQ(Lines, (Log{"first\r\n", "second\r\n", "third\r\n"}));
    Socket.Close();
    close(Pair[1]);
}
