#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>

#include <chrono>
#include <type_traits>

#include "net/async_socket.h"
#include "net/socket_errors.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

using namespace std::chrono_literals;
using testsupport::ProcessCpuMs;
using testsupport::TScriptedServer;
using testsupport::WaitUntil;

namespace {

constexpr double CpuBudgetMs = 50.0;

// Runs the event loop for Interval and returns the processor time it used.
double CpuWhilePumping(std::chrono::milliseconds Interval) {
    const double Before = ProcessCpuMs();
    WaitUntil([] { return false; }, Interval);
    return ProcessCpuMs() - Before;
}

TEST(ReceiveWait, PeerCloseReachesAHandlerThatReadsNothing) {
    TScriptedServer Server({{TScriptedServer::Send("unread"), TScriptedServer::Pause(300ms),
                             TScriptedServer::Close()}});
    TAsyncSocket Socket;
    int Calls = 0;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket*, std::uint16_t) { ++Calls; };
    bool Closed = false;
    Socket.OnSessionClosed = [&](TCustomAsyncSocket*, std::uint16_t) { Closed = true; };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    // Guard: without the close the wait below would never end.
    bool GuardFired = false;
    QTimer::singleShot(5s, &Socket, [&] {
        GuardFired = true;
        Socket.Abort();
    });
    const double Before = ProcessCpuMs();
    Socket.WaitForClose();
    const double Used = ProcessCpuMs() - Before;
    RecordProperty("cpu_ms", std::to_string(Used));
    EXPECT_TRUE(Closed);
    EXPECT_FALSE(GuardFired);
    EXPECT_GE(Calls, 1);
    EXPECT_LT(Used, CpuBudgetMs);
}

TEST(ReceiveWait, PeekingForAWholeMessageWaitsForMoreBytesWithoutSpinning) {
    TScriptedServer Server({{TScriptedServer::Send("12345"), TScriptedServer::Pause(1s),
                             TScriptedServer::Send("67890"), TScriptedServer::Drain()}});
    TAsyncSocket Socket;
    std::string Message;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        char Buffer[10];
        if (Sender->PeekData(Buffer, sizeof Buffer) == sizeof Buffer &&
            Sender->Receive(Buffer, sizeof Buffer) == sizeof Buffer)
            Message.assign(Buffer, sizeof Buffer);
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    const double Before = ProcessCpuMs();
    ASSERT_TRUE(WaitUntil([&] { return !Message.empty(); }, 5s));
    const double Used = ProcessCpuMs() - Before;
    RecordProperty("cpu_ms", std::to_string(Used));
    EXPECT_EQ(Message, "1234567890");
    EXPECT_LT(Used, CpuBudgetMs);
}

// The rest of the message arrives while the handler that peeked at its start
// still runs: the wait that follows must not take it for old bytes.
TEST(ReceiveWait, BytesArrivingDuringAPeekingHandlerWakeItAgain) {
    TScriptedServer Server({{TScriptedServer::Send("12345"), TScriptedServer::WaitGate(1),
                             TScriptedServer::Send("67890"), TScriptedServer::Drain()}});
    TAsyncSocket Socket;
    std::string Message;
    int Calls = 0;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        char Buffer[10];
        const int Peeked = Sender->PeekData(Buffer, sizeof Buffer);
        if (Peeked == sizeof Buffer && Sender->Receive(Buffer, sizeof Buffer) == sizeof Buffer)
            Message.assign(Buffer, sizeof Buffer);
        if (++Calls > 1 || Peeked == sizeof Buffer)
            return;
        // Blocks until the whole message is queued, and leaves it unread.
        Server.OpenGate(1);
        const int Handle = Sender->SocketHandle();
        const int Flags = fcntl(Handle, F_GETFL);
        fcntl(Handle, F_SETFL, Flags & ~O_NONBLOCK);
        recv(Handle, Buffer, sizeof Buffer, MSG_PEEK | MSG_WAITALL);
        fcntl(Handle, F_SETFL, Flags);
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return !Message.empty(); }, 5s));
    EXPECT_EQ(Message, "1234567890");
}

TEST(ReceiveWait, ListenerWhoseAcceptFailsForLackOfDescriptorsDoesNotSpin) {
    QUORVIK_SKIP_WITHOUT_SPARE_DESCRIPTORS();
    TAsyncSocket Listener;
    Listener.SetAddr("127.0.0.1");
    Listener.SetPort("0");
    Listener.OnError = [](TCustomAsyncSocket*) {};
    int Failures = 0;
    int Accepted = -1;
    Listener.OnSessionAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        const int Handle = Sender->Accept();
        if (Handle < 0) {
            EXPECT_EQ(Sender->LastError(), wsaerr::TooManyFiles);
            ++Failures;
        } else {
            Accepted = Handle;
        }
    };
    Listener.Listen();
    TAsyncSocket Client;
    nettest::StartConnect(Client, static_cast<std::uint16_t>(std::stoi(Listener.GetXPort())));
    double Used = 0;
    {
        nettest::TDescriptorExhaustion Exhausted;
        ASSERT_TRUE(WaitUntil([&] { return Failures > 0; }));
        Used = CpuWhilePumping(1s);
    }
    RecordProperty("cpu_ms_per_s", std::to_string(Used));
    EXPECT_LT(Used, CpuBudgetMs);
    // Once descriptors are free again, the waiting connection is taken.
    ASSERT_TRUE(WaitUntil([&] { return Accepted >= 0; }, 3s));
    close(Accepted);
}

TEST(ReceiveWait, APeerSendingWithoutPauseLetsTimersRun) {
    constexpr std::size_t Flood = 64u << 20;
    TScriptedServer Server(
        {{TScriptedServer::Send(std::string(Flood, 'f')), TScriptedServer::Drain()}});
    TAsyncSocket Socket;
    std::size_t Received = 0;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        char Buffer[1024]; // a slow reader: the peer stays ahead of it
        const int N = Sender->Receive(Buffer, sizeof Buffer);
        Received += static_cast<std::size_t>(std::max(N, 0));
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Received > 0; }));
    std::size_t ReceivedAtTimer = 0;
    QTimer::singleShot(1ms, &Socket, [&] { ReceivedAtTimer = Received; });
    ASSERT_TRUE(WaitUntil([&] { return ReceivedAtTimer > 0; }, 30s));
    EXPECT_LT(ReceivedAtTimer, Flood / 2);
    // Reception goes on by itself after the timer, without new data arriving.
    ASSERT_TRUE(WaitUntil([&] { return Received == Flood; }, 30s));
}

TEST(ReceiveWait, ConnectWithoutDescriptorsReportsTooManyFiles) {
    QUORVIK_SKIP_WITHOUT_SPARE_DESCRIPTORS();
    TAsyncSocket Socket;
    int Errors = 0;
    Socket.OnError = [&](TCustomAsyncSocket*) { ++Errors; };
    {
        nettest::TDescriptorExhaustion Exhausted;
        nettest::StartConnect(Socket, 9);
    }
    EXPECT_EQ(Errors, 1);
    EXPECT_EQ(Socket.LastError(), wsaerr::TooManyFiles);
    EXPECT_EQ(Socket.State(), wsClosed);
}

TEST(ReceiveWait, ByteCountersHoldMoreThanTwoGibibytes) {
    TAsyncSocket Socket;
    EXPECT_TRUE((std::is_same_v<decltype(Socket.ReadCount()), std::int64_t>));
    EXPECT_EQ(Socket.ReadCount(), 0);
}

} // namespace
