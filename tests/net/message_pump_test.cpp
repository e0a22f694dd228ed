#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "net/async_socket.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

using testsupport::TScriptedServer;
using testsupport::WaitUntil;

namespace {

// Wakes the main thread's blocking wait.
void WakeMainThread() {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
}

// Records every message that reaches the socket's dispatch.
class TRecordingSocket : public TAsyncSocket {
public:
    std::vector<unsigned> Messages;

protected:
    void WndProc(TSocketMessage& Msg) override {
        Messages.push_back(Msg.Msg);
        TAsyncSocket::WndProc(Msg);
    }
};

TEST(MessagePump, QuitMessageSetsTerminatedWithoutBeingDispatched) {
    TRecordingSocket Socket;
    Socket.CloseDelayed();
    Socket.PostQuitMessage();
    EXPECT_FALSE(Socket.Terminated());
    EXPECT_TRUE(Socket.ProcessMessage());
    Socket.ProcessMessages();
    EXPECT_TRUE(Socket.Terminated());
    EXPECT_EQ(Socket.Messages, (std::vector<unsigned>{WM_CLOSE_DELAYED}));
}

TEST(MessagePump, MessageLoopRunsUntilTheQuitMessage) {
    TAsyncSocket Socket;
    bool Ran = false;
    QTimer::singleShot(0, [&] {
        Ran = true;
        Socket.PostQuitMessage();
    });
    Socket.MessageLoop();
    EXPECT_TRUE(Ran);
    EXPECT_TRUE(Socket.Terminated());
}

// What the worker saw; written by the worker, read by the test after join.
struct TWorkerResult {
    bool Connected = false;
    bool EventsOnWorker = true;
    int FirstRead = -1;
    std::string FirstLine;
    bool Terminated = false;
    int ReadAfterQuit = -1;
};

// A socket owned by a worker thread does its whole session on that thread's
// own event loop; a quit request for the thread ends its message loop.
TEST(MessagePump, WorkerThreadSocketRunsOnItsOwnEventLoop) {
    TScriptedServer Server({{TScriptedServer::Expect("HELLO\r\n"),
                             TScriptedServer::Send("WELCOME\r\n"), TScriptedServer::Drain()}});
    TWorkerResult Result;
    std::atomic<bool> InLoop{false};
    std::atomic<bool> Finished{false};
    std::unique_ptr<QThread> Worker(QThread::create([&] {
        TAsyncSocket Socket;
        Socket.SetMultiThreaded(true);
        QThread* const Self = QThread::currentThread();
        Socket.OnChangeState = [&](TCustomAsyncSocket*, TSocketState, TSocketState) {
            Result.EventsOnWorker = Result.EventsOnWorker && QThread::currentThread() == Self;
        };
        Result.Connected = nettest::ConnectAndWait(Socket, Server.Port());
        if (Result.Connected) {
            Socket.SendStr("HELLO\r\n");
            Socket.Flush();
            Result.FirstRead = Socket.ReadLine(5, Result.FirstLine);
            QTimer::singleShot(0, [&] {
                InLoop = true;
                WakeMainThread();
            });
            Socket.MessageLoop();
            Result.Terminated = Socket.Terminated();
            std::string Line;
            Result.ReadAfterQuit = Socket.ReadLine(5, Line);
        }
        Finished = true;
        WakeMainThread();
    }));
    Worker->start();
    ASSERT_TRUE(WaitUntil([&] { return InLoop || Finished; }, std::chrono::seconds(20)));
    Worker->quit();
    if (!WaitUntil([&] { return Finished.load(); }, std::chrono::seconds(20))) {
        Worker.release(); // still blocked: left behind rather than hanging the run
        FAIL() << "the worker's message loop did not end";
    }
    Worker->wait();
    EXPECT_TRUE(Result.Connected);
    EXPECT_TRUE(Result.EventsOnWorker);
    EXPECT_EQ(Server.Received(0), "HELLO\r\n");
    EXPECT_EQ(Result.FirstRead, 0);
    EXPECT_EQ(Result.FirstLine, "WELCOME\r\n");
    EXPECT_TRUE(Result.Terminated);
    EXPECT_EQ(Result.ReadAfterQuit, TCustomSyncSocket::kWaitAborted);
}

} // namespace
