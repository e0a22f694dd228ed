#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include "net/async_socket.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

using testsupport::ProcessCpuMs;
using testsupport::TScriptedServer;

namespace {

constexpr double CpuBudgetMs = 50.0;

TEST(IdleCpu, ConnectedIdleSocketAndPendingLookupCostNoCpu) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    TAsyncSocket Connected;
    ASSERT_TRUE(nettest::ConnectAndWait(Connected, Server.Port()));
    TAsyncSocket Looking;
    auto Held = nettest::THeldLookup::On(Looking); // stays pending until the test ends
    Looking.DnsLookup("pending.example");

    // The loop blocks for the whole interval; a precise timer ends it.
    QEventLoop Idle;
    QTimer::singleShot(std::chrono::seconds(2), Qt::PreciseTimer, &Idle, &QEventLoop::quit);
    const double Before = ProcessCpuMs();
    Idle.exec();
    const double Used = ProcessCpuMs() - Before;
    RecordProperty("cpu_ms", std::to_string(Used));
    EXPECT_LT(Used, CpuBudgetMs);
    EXPECT_EQ(Connected.State(), wsConnected);
    Held->Release();
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
