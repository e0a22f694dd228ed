#include <gtest/gtest.h>

#include <time.h>

#include <chrono>

#include "http/http_client.h"
#include "tests/support/scripted_server.h"

namespace {

using testsupport::TScriptedServer;

double ProcessCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Head sleeps in the event loop while the server thinks: waiting two seconds
// for the answer must cost (almost) no processor time.
TEST(HeadWaitTest, WaitingForSlowServerCostsLittleCpu) {
    TScriptedServer server(
        {{TScriptedServer::ExpectUntil("\r\n\r\n"), TScriptedServer::Pause(std::chrono::seconds(2)),
          TScriptedServer::Send("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n"),
          TScriptedServer::Close()}});
    THttpClient client;
    client.SetURL("http://127.0.0.1:" + server.PortStr() + "/");

    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuMilliseconds();
    client.Head();
    const double cpuUsed = ProcessCpuMilliseconds() - cpuStart;
    const auto wallUsed = std::chrono::steady_clock::now() - wallStart;

    EXPECT_EQ(client.StatusCode(), 200);
    EXPECT_GE(wallUsed, std::chrono::milliseconds(1900));
    EXPECT_LT(cpuUsed, 100.0);
    RecordProperty("cpu_ms", std::to_string(cpuUsed));
    std::printf("Head waited %lld ms using %.1f ms of CPU time\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(wallUsed).count()),
                cpuUsed);
}

} // namespace
