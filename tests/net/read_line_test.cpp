#include <QElapsedTimer>

#include <gtest/gtest.h>

#include "net/async_socket.h"
#include "net/socket_errors.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

using nettest::MessageOf;
using testsupport::ProcessCpuMs;
using testsupport::TScriptedServer;

namespace {

using ReadLine = nettest::TSocketTest;

struct TTimeoutCase {
    int Timeout;
    std::int64_t Milliseconds;
};

class ReadLineTimeout : public ReadLine, public testing::WithParamInterface<TTimeoutCase> {};

// Two lines in one packet: each call returns one, and the caller's handler
// and line mode are back afterwards.
TEST_P(ReadLineTimeout, ReturnsOneLineEachAndRestoresTheCallersSettings) {
    TScriptedServer Server(
        {{TScriptedServer::Send("hello\r\nworld\r\n"), TScriptedServer::Drain()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    int CallerEvents = 0;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket*, std::uint16_t) { ++CallerEvents; };
    std::string First;
    std::string Second;
    EXPECT_EQ(Socket.ReadLine(GetParam().Timeout, First), 0);
    EXPECT_EQ(Socket.WaitTimeout(), GetParam().Milliseconds);
    EXPECT_EQ(Socket.ReadLine(GetParam().Timeout, Second), 0);
    EXPECT_EQ(First, "hello\r\n");
    EXPECT_EQ(Second, "world\r\n");
    EXPECT_FALSE(Socket.LineMode());
    ASSERT_TRUE(Socket.OnDataAvailable);
    Socket.OnDataAvailable(&Socket, 0);
    EXPECT_EQ(CallerEvents, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadLineTimeout,
                         testing::Values(TTimeoutCase{0, 60000}, TTimeoutCase{3, 3000},
                                         TTimeoutCase{-500, 500}));

TEST_F(ReadLine, TimeOutReturnsThePartialLineAfterTheDeadlineWithoutSpinning) {
    TScriptedServer Server({{TScriptedServer::Send("par"), TScriptedServer::Drain()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    std::string Line;
    QElapsedTimer Clock;
    Clock.start();
    const double CpuBefore = ProcessCpuMs();
    EXPECT_EQ(Socket.ReadLine(-500, Line), TCustomSyncSocket::kWaitAborted);
    const double Cpu = ProcessCpuMs() - CpuBefore;
    RecordProperty("cpu_ms", std::to_string(Cpu));
    EXPECT_GE(Clock.elapsed(), 490);
    EXPECT_LT(Clock.elapsed(), 2000);
    EXPECT_LT(Cpu, 50.0);
    EXPECT_EQ(Line, "par");
    EXPECT_EQ(Socket.LineBufferCount(), 0U);
}

TEST_F(ReadLine, PeerCloseEndsTheWaitWithTheLastLine) {
    TScriptedServer Server({{TScriptedServer::Send("bye"), TScriptedServer::Close()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    std::string Line;
    EXPECT_EQ(Socket.ReadLine(10, Line), 0);
    EXPECT_EQ(Line, "bye");
    EXPECT_EQ(Socket.State(), wsClosed);
}

// The read notifications are off while a read handler runs; a ReadLine
// inside one must still see the next line.
TEST_F(ReadLine, WorksInsideAReadHandler) {
    TScriptedServer Server(
        {{TScriptedServer::Send("go"), TScriptedServer::Pause(std::chrono::milliseconds(100)),
          TScriptedServer::Send("line\r\n"), TScriptedServer::Drain()}});
    int Result = -1;
    std::string Line;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        Data += Sender->ReceiveStr();
        if (Result == -1)
            Result = Socket.ReadLine(-2000, Line);
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return Result != -1; }));
    EXPECT_EQ(Data, "go");
    EXPECT_EQ(Result, 0);
    EXPECT_EQ(Line, "line\r\n");
}

TEST_F(ReadLine, NotConnectedRaisesOrCallsOnError) {
    std::string Line = "old";
    EXPECT_EQ(MessageOf([&] { Socket.ReadLine(1, Line); }), "ReadLine failed: not connected");
    EXPECT_EQ(Line, "");
    int Errors = 0;
    Socket.OnError = [&](TCustomAsyncSocket*) { ++Errors; };
    EXPECT_EQ(Socket.ReadLine(1, Line), wsaerr::NotConnected);
    EXPECT_EQ(Errors, 1);
}

} // namespace
