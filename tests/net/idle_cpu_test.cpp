#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <time.h>

#include <condition_variable>
#include <memory>
#include <mutex>

#include "net/async_socket.h"
#include "net/resolver.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/scripted_server.h"

using testsupport::TScriptedServer;

namespace {

constexpr auto IdleWait = std::chrono::seconds(2);
constexpr auto SilentPeer = std::chrono::milliseconds(1000);
constexpr double CpuBudgetMs = 50.0;

double ProcessCpuMs() {
    timespec Now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &Now);
    return static_cast<double>(Now.tv_sec) * 1000.0 + static_cast<double>(Now.tv_nsec) / 1e6;
}

// A lookup that stays pending until the test ends.
struct TGate {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Open = false;
};

TEST(IdleCpu, ConnectedIdleSocketAndPendingLookupCostNoCpu) {
    TScriptedServer Server({{TScriptedServer::WaitGate(0)}});
    TAsyncSocket Connected;
    ASSERT_TRUE(nettest::ConnectAndWait(Connected, Server.Port()));

    auto Gate = std::make_shared<TGate>();
    TAsyncSocket Looking;
    Looking.Resolver().NameWork = [Gate](const std::string&) {
        std::unique_lock<std::mutex> Guard(Gate->Lock);
        Gate->Changed.wait(Guard, [&Gate] { return Gate->Open; });
        return TLookupResult{};
    };
    Looking.DnsLookup("pending.example");

    // The loop blocks for the whole interval; a precise timer ends it.
    QEventLoop Idle;
    QTimer::singleShot(IdleWait, Qt::PreciseTimer, &Idle, &QEventLoop::quit);
    const double Before = ProcessCpuMs();
    Idle.exec();
    const double Used = ProcessCpuMs() - Before;
    RecordProperty("cpu_ms", std::to_string(Used));
    EXPECT_LT(Used, CpuBudgetMs);
    EXPECT_EQ(Connected.State(), wsConnected);

    {
        const std::lock_guard<std::mutex> Guard(Gate->Lock);
        Gate->Open = true;
    }
    Gate->Changed.notify_all();
    Server.OpenGate(0);
}

TEST(IdleCpu, WaitForCloseBlocksInsteadOfSpinning) {
    TScriptedServer Server({{TScriptedServer::Pause(SilentPeer), TScriptedServer::Close()}});
    TAsyncSocket Socket;
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    const double Before = ProcessCpuMs();
    Socket.WaitForClose();
    const double Used = ProcessCpuMs() - Before;
    RecordProperty("cpu_ms", std::to_string(Used));
    EXPECT_EQ(Socket.State(), wsClosed);
    EXPECT_LT(Used, CpuBudgetMs);
}

} // namespace
