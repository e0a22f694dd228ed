// THttpClient against libcurl's easy interface, in one process, on a loopback
// server: HEAD requests over a new connection each (HTTP/1.0 on both sides),
// and POST of a file's content. The two sides take turns round by round, so
// that a drift of the machine's load hits both alike. A third HEAD side makes
// only the system calls of such a request, without any library: the rate no
// client on this machine and server can pass.
//
// Usage: http_client_bench --head-url=URL [--post-url=URL --post-file=FILE]
//                          [--rounds=N] [Google Benchmark options]
// The JSON output (--benchmark_format=json) names each run
// "<what>/<side>/round:<n>"; bench/run.sh takes the medians from it.
#include "http/http_client.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kDefaultRounds = 5;
constexpr int kMaxRounds = 100;
constexpr double kHeadMinSeconds = 0.5; // per round and side
constexpr int kPostIterations = 2;      // per round and side
constexpr long kStatusOk = 200;

struct TBenchSetup {
    std::string HeadUrl;
    std::string PostUrl;
    std::string PostFile;
    int Rounds = kDefaultRounds;
};

// --- THttpClient -------------------------------------------------------------

void QuorvikHead(benchmark::State& state, const std::string& url) {
    THttpClient client;
    client.SetURL(url);
    for (auto _ : state) {
        client.Head();
        if (client.StatusCode() != kStatusOk) {
            state.SkipWithError(("HEAD answered " + std::to_string(client.StatusCode())).c_str());
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void QuorvikPost(benchmark::State& state, const TBenchSetup& setup) {
    QFile body(QString::fromStdString(setup.PostFile));
    if (!body.open(QIODevice::ReadOnly)) {
        state.SkipWithError("cannot open the POST file");
        return;
    }
    THttpClient client;
    client.SetURL(setup.PostUrl);
    client.SetSendStream(&body);
    for (auto _ : state) {
        body.seek(0);
        client.Post();
        if (client.StatusCode() != kStatusOk || client.SentCount() != body.size()) {
            state.SkipWithError(("POST answered " + std::to_string(client.StatusCode()) +
                                 " after " + std::to_string(client.SentCount()) + " bytes")
                                    .c_str());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}

// --- libcurl -------------------------------------------------------------------

struct TCurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using TCurlHandle = std::unique_ptr<CURL, TCurlDeleter>;

size_t DiscardBytes(char*, size_t size, size_t count, void*) {
    return size * count;
}

size_t ReadFromFile(char* buffer, size_t size, size_t count, void* file) {
    return std::fread(buffer, size, count, static_cast<std::FILE*>(file));
}

// One handle for all requests, as the THttpClient side has one client; a new
// connection each time, in HTTP/1.0 as THttpClient speaks it.
TCurlHandle CurlHandle(const std::string& url) {
    TCurlHandle handle(curl_easy_init());
    curl_easy_setopt(handle.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle.get(), CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, DiscardBytes);
    curl_easy_setopt(handle.get(), CURLOPT_HEADERFUNCTION, DiscardBytes);
    return handle;
}

// Empty when the transfer went through with status 200; else why not.
std::string CurlFailure(CURL* handle, CURLcode result) {
    if (result != CURLE_OK)
        return curl_easy_strerror(result);
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    return status == kStatusOk ? std::string() : "answered " + std::to_string(status);
}

void CurlHead(benchmark::State& state, const std::string& url) {
    const TCurlHandle handle = CurlHandle(url);
    curl_easy_setopt(handle.get(), CURLOPT_NOBODY, 1L);
    for (auto _ : state) {
        const std::string failure = CurlFailure(handle.get(), curl_easy_perform(handle.get()));
        if (!failure.empty()) {
            state.SkipWithError(("HEAD " + failure).c_str());
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void CurlPost(benchmark::State& state, const TBenchSetup& setup) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> body(
        std::fopen(setup.PostFile.c_str(), "rb"), std::fclose);
    if (!body) {
        state.SkipWithError("cannot open the POST file");
        return;
    }
    std::fseek(body.get(), 0, SEEK_END);
    const curl_off_t size = std::ftell(body.get());
    const TCurlHandle handle = CurlHandle(setup.PostUrl);
    curl_easy_setopt(handle.get(), CURLOPT_POST, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_POSTFIELDSIZE_LARGE, size);
    curl_easy_setopt(handle.get(), CURLOPT_READFUNCTION, ReadFromFile);
    curl_easy_setopt(handle.get(), CURLOPT_READDATA, body.get());
    for (auto _ : state) {
        std::rewind(body.get());
        std::string failure = CurlFailure(handle.get(), curl_easy_perform(handle.get()));
        curl_off_t sent = 0;
        curl_easy_getinfo(handle.get(), CURLINFO_SIZE_UPLOAD_T, &sent);
        if (failure.empty() && sent != size)
            failure = "stopped after " + std::to_string(sent) + " bytes";
        if (!failure.empty()) {
            state.SkipWithError(("POST " + failure).c_str());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * size);
}

// --- the system calls alone ---------------------------------------------------

// One HEAD as THttpClient's socket makes it (the same socket options, a
// non-blocking connect, the same request bytes, shutdown before the close),
// with the answer read up to its header's end. Empty when it went through; else why not.
std::string BareHead(const sockaddr_in& server, const std::string& request) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
        return "socket failed";
    const linger lingerOption{1, 0};
    const int on = -1;
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &lingerOption, sizeof lingerOption);
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server);
    pollfd ready{fd, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    std::string answer;
    if (poll(&ready, 1, -1) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
        error == 0 && send(fd, request.data(), request.size(), MSG_NOSIGNAL) > 0) {
        char buffer[4096];
        ready.events = POLLIN;
        while (answer.find("\r\n\r\n") == std::string::npos && poll(&ready, 1, -1) == 1) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            answer.append(buffer, static_cast<std::size_t>(n));
        }
    }
    shutdown(fd, SHUT_WR);
    close(fd);
    return answer.starts_with("HTTP/1.1 200 ") || answer.starts_with("HTTP/1.0 200 ")
               ? std::string()
               : "no 200 answer";
}

void SyscallsHead(benchmark::State& state, const std::string& url) {
    const QUrl address(QString::fromStdString(url));
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<std::uint16_t>(address.port(80)));
    if (inet_pton(AF_INET, address.host().toLatin1().constData(), &server.sin_addr) != 1) {
        state.SkipWithError("the HEAD address needs an IPv4 literal");
        return;
    }
    // The bytes THttpClient sends, taken from one of its requests.
    std::string request;
    THttpClient client;
    client.SetURL(url);
    client.OnCommand = [&request](THttpClient*, std::string& line) { request += line + "\r\n"; };
    client.Head();
    for (auto _ : state) {
        const std::string failure = BareHead(server, request);
        if (!failure.empty()) {
            state.SkipWithError(("HEAD " + failure).c_str());
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

// --- set-up --------------------------------------------------------------------

// Takes "--name=value" into target; false when the argument is another one.
bool TakeOption(std::string_view argument, std::string_view name, std::string& target) {
    if (!argument.starts_with(name) || argument.size() <= name.size() ||
        argument[name.size()] != '=')
        return false;
    target = argument.substr(name.size() + 1);
    return true;
}

bool ParseSetup(int argc, char** argv, TBenchSetup& setup) {
    std::string rounds = std::to_string(kDefaultRounds);
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!TakeOption(argument, "--head-url", setup.HeadUrl) &&
            !TakeOption(argument, "--post-url", setup.PostUrl) &&
            !TakeOption(argument, "--post-file", setup.PostFile) &&
            !TakeOption(argument, "--rounds", rounds)) {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return false;
        }
    }
    setup.Rounds = std::atoi(rounds.c_str());
    const bool postComplete = setup.PostUrl.empty() == setup.PostFile.empty();
    return !setup.HeadUrl.empty() && postComplete && setup.Rounds >= 1 &&
           setup.Rounds <= kMaxRounds;
}

void RegisterRound(const TBenchSetup& setup, int round) {
    const std::string suffix = "/round:" + std::to_string(round);
    benchmark::RegisterBenchmark(("head/quorvik" + suffix).c_str(), QuorvikHead, setup.HeadUrl)
        ->MinTime(kHeadMinSeconds)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("head/curl" + suffix).c_str(), CurlHead, setup.HeadUrl)
        ->MinTime(kHeadMinSeconds)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("head/syscalls" + suffix).c_str(), SyscallsHead, setup.HeadUrl)
        ->MinTime(kHeadMinSeconds)
        ->UseRealTime();
    if (setup.PostUrl.empty())
        return;
    benchmark::RegisterBenchmark(("post/quorvik" + suffix).c_str(), QuorvikPost, setup)
        ->Iterations(kPostIterations)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("post/curl" + suffix).c_str(), CurlPost, setup)
        ->Iterations(kPostIterations)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

} // namespace

int main(int argc, char** argv) {
    // THttpClient reports through the event loop of its thread.
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    TBenchSetup setup;
    if (!ParseSetup(argc, argv, setup)) {
        std::fprintf(stderr,
                     "usage: http_client_bench --head-url=URL [--post-url=URL "
                     "--post-file=FILE] [--rounds=1..%d] [benchmark options]\n",
                     kMaxRounds);
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    for (int round = 0; round < setup.Rounds; ++round)
        RegisterRound(setup, round);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}
