#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "net/async_socket.h"
#include "net/resolver.h"
#include "tests/support/event_wait.h"

namespace nettest {

// Records the session events of one socket as short texts, in order.
struct TEventLog {
    std::vector<std::string> Entries;

    void Attach(TCustomAsyncSocket& Socket) {
        static const char* const Names[] = {"Invalid",   "Opened",    "Bound",     "Connecting",
                                            "Connected", "Accepting", "Listening", "Closed"};
        Socket.OnChangeState = [this](TCustomAsyncSocket*, TSocketState Old, TSocketState New) {
            Entries.push_back(std::string("state ") + Names[Old] + ">" + Names[New]);
        };
        const auto Record = [this](const char* What) {
            return [this, What](TCustomAsyncSocket*, std::uint16_t Error) {
                Entries.push_back(What + std::to_string(Error));
            };
        };
        Socket.OnSessionConnected = Record("connected ");
        Socket.OnSessionClosed = Record("closed ");
        Socket.OnDataSent = Record("sent ");
    }
    int Count(const std::string& Entry) const {
        return static_cast<int>(std::count(Entries.begin(), Entries.end(), Entry));
    }
    bool Has(const std::string& Entry) const { return Count(Entry) > 0; }
};

// One socket whose session events and send calls are recorded.
class TSocketTest : public testing::Test {
protected:
    TEventLog Events; // outlives the socket, which reports its last state change
    std::string Data;
    std::vector<std::int32_t> SendCalls;
    TAsyncSocket Socket;

    void SetUp() override {
        Events.Attach(Socket);
        Socket.OnSendData = [this](TCustomAsyncSocket*, std::int32_t Bytes) {
            SendCalls.push_back(Bytes);
        };
    }
};

// Starts a connection to 127.0.0.1:Port.
inline void StartConnect(TCustomAsyncSocket& Socket, std::uint16_t Port) {
    Socket.SetAddr("127.0.0.1");
    Socket.SetPort(std::to_string(Port));
    Socket.Connect();
}

// Connects to 127.0.0.1:Port and waits for the outcome.
inline bool ConnectAndWait(TCustomAsyncSocket& Socket, std::uint16_t Port) {
    StartConnect(Socket, Port);
    return testsupport::WaitUntil([&] { return Socket.State() != wsConnecting; }) &&
           Socket.State() == wsConnected;
}

// Appends whatever Socket receives to Data.
inline void Collect(TCustomAsyncSocket& Socket, std::string& Data) {
    Socket.OnDataAvailable = [&Data](TCustomAsyncSocket* Sender, std::uint16_t) {
        Data += Sender->ReceiveStr();
    };
}

// The message of the ESocketException that Call throws.
inline std::string MessageOf(const std::function<void()>& Call) {
    try {
        Call();
    } catch (const ESocketException& E) {
        return E.what();
    }
    return "(no exception)";
}

// A lookup that blocks until the test releases it, then answers with Answer.
// The worker shares it, and may outlive the test's socket.
struct THeldLookup {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Started = false;
    bool Released = false;
    TLookupResult Answer;

    // Makes Socket's name lookups wait for this one.
    static std::shared_ptr<THeldLookup>
    On(TCustomAsyncSocket& Socket, std::vector<std::string> Names = {}, bool Released = false) {
        auto Self = std::make_shared<THeldLookup>();
        Self->Answer.Names = std::move(Names);
        Self->Released = Released;
        Socket.Resolver().NameWork = [Self](const std::string&) {
            Self->Set(Self->Started);
            std::unique_lock<std::mutex> Guard(Self->Lock);
            Self->Changed.wait(Guard, [&Self] { return Self->Released; });
            return Self->Answer;
        };
        return Self;
    }
    void Set(bool& Flag) {
        const std::lock_guard<std::mutex> Guard(Lock);
        Flag = true;
        Changed.notify_all();
    }
    void Release() { Set(Released); }
    void WaitStarted() {
        std::unique_lock<std::mutex> Guard(Lock);
        Changed.wait(Guard, [this] { return Started; });
    }
};

// The sanitizer runtime needs descriptors of its own for its checks (it
// probes memory through a pipe), so a test that takes them all runs only in
// the normal build.
#ifdef __SANITIZE_ADDRESS__
#define QUORVIK_SKIP_WITHOUT_SPARE_DESCRIPTORS()                                                   \
    GTEST_SKIP() << "the sanitizer runtime needs spare descriptors"
#else
#define QUORVIK_SKIP_WITHOUT_SPARE_DESCRIPTORS()
#endif

// While it lives, the process cannot open another descriptor: the soft limit
// is lowered and every free number below it is taken.
class TDescriptorExhaustion {
public:
    TDescriptorExhaustion() {
        getrlimit(RLIMIT_NOFILE, &FOld);
        rlimit Low = FOld;
        Low.rlim_cur = std::min<rlim_t>(FOld.rlim_cur, Limit);
        setrlimit(RLIMIT_NOFILE, &Low);
        for (int Fd; (Fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            FTaken.push_back(Fd);
    }
    ~TDescriptorExhaustion() {
        for (const int Fd : FTaken)
            close(Fd);
        setrlimit(RLIMIT_NOFILE, &FOld);
    }
    TDescriptorExhaustion(const TDescriptorExhaustion&) = delete;
    TDescriptorExhaustion& operator=(const TDescriptorExhaustion&) = delete;

private:
    static constexpr rlim_t Limit = 512;
    rlimit FOld{};
    std::vector<int> FTaken;
};

} // namespace nettest
