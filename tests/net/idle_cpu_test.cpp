#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include "net/async_socket.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/event_wait.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/scripted_server.h"

using testsupport::ProcessCpuMs;
using testsupport::TScriptedServer;

namespace {

constexpr double CpuBudgetMs = 50.0;
// A connect racing two addresses that never answer waits on its descriptors.
constexpr double RaceCpuBudgetMs = 5.0;
constexpr std::chrono::seconds IdleTime(2);

// Runs the event loop for IdleTime; the processor time it cost, in ms.
double IdleCpuMs() {
    // The loop blocks for the whole interval; a precise timer ends it.
    QEventLoop Idle;
    QTimer::singleShot(IdleTime, Qt::PreciseTimer, &Idle, &QEventLoop::quit);
    const double Before = ProcessCpuMs();
    Idle.exec();
    return ProcessCpuMs() - Before;
}

TEST(IdleCpu, ConnectedIdleSocketAndPendingLookupCostNoCpu) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    TAsyncSocket Connected;
    ASSERT_TRUE(nettest::ConnectAndWait(Connected, Server.Port()));
    TAsyncSocket Looking;
    auto Held = nettest::THeldLookup::On(Looking); // stays pending until the test ends
    Looking.DnsLookup("pending.example");

    const double Used = IdleCpuMs();
    RecordProperty("cpu_ms", std::to_string(Used));
    EXPECT_LT(Used, CpuBudgetMs);
    EXPECT_EQ(Connected.State(), wsConnected);
    Held->Release();
}

TEST(IdleCpu, RaceAgainstTwoSilentAddressesCostsNoCpu) {
    const testsupport::TSilentListener First("127.0.0.2");
    const testsupport::TSilentListener Second("127.0.0.3", First.Port());
    TAsyncSocket Racing;
    Racing.SetAddrList({"127.0.0.2", "127.0.0.3"});
    Racing.SetPort(std::to_string(First.Port()));
    Racing.Connect();
    const double Used = IdleCpuMs();
    RecordProperty("cpu_ms", std::to_string(Used));
    EXPECT_LT(Used, RaceCpuBudgetMs);
    EXPECT_EQ(Racing.State(), wsConnecting);
}

TEST(IdleCpu, WaitForCloseBlocksUntilThePeerHasClosed) {
    TScriptedServer Server({{TScriptedServer::Pause(std::chrono::milliseconds(1000)),
                             TScriptedServer::Send("bye"), TScriptedServer::Close()}});
    TAsyncSocket Socket;
    std::string Got;
    nettest::Collect(Socket, Got);
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    const double Before = ProcessCpuMs();
    Socket.WaitForClose();
    const double Used = ProcessCpuMs() - Before;
    RecordProperty("cpu_ms", std::to_string(Used));
    EXPECT_EQ(Socket.State(), wsClosed);
    EXPECT_EQ(Got, "bye");
    EXPECT_LT(Used, CpuBudgetMs);
}

} // namespace
