#include <sys/socket.h>

#include <gtest/gtest.h>

#include <dirent.h>
#include <poll.h>
#include <unistd.h>

#include <memory>

#include "net/async_socket.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/scripted_server.h"

using testsupport::TScriptedServer;
using testsupport::WaitUntil;

namespace {

using AsyncSocketSessionEnd = nettest::TSocketTest;

std::string LogText(const std::vector<std::string>& Entries) {
    std::string Text;
    for (const auto& Entry : Entries)
        Text += Entry + "; ";
    return Text;
}

// Entries of kind Kind ("sent", "closed", ...) that come after the first "closed".
int EntriesAfterClose(const std::vector<std::string>& Entries, const std::string& Kind) {
    int Count = 0;
    bool Closed = false;
    for (const auto& Entry : Entries) {
        if (Closed && Entry.rfind(Kind, 0) == 0)
            ++Count;
        Closed = Closed || Entry.rfind("closed", 0) == 0;
    }
    return Count;
}

int OpenDescriptors() {
    int Count = 0;
    if (DIR* Dir = opendir("/proc/self/fd")) {
        while (readdir(Dir) != nullptr)
            ++Count;
        closedir(Dir);
    }
    return Count;
}

TEST_F(AsyncSocketSessionEnd, HandlerClosingAtEndOfDataGetsOneSessionClosed) {
    TScriptedServer Server({{TScriptedServer::Send("last words"), TScriptedServer::Close()}});
    Socket.OnDataAvailable = [this](TCustomAsyncSocket* Sender, std::uint16_t) {
        char Buffer[100];
        const int N = Sender->Receive(Buffer, sizeof Buffer);
        if (N > 0)
            Data.append(Buffer, static_cast<std::size_t>(N));
        else if (N == 0)
            Sender->Close();
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
    testsupport::PumpEvents();
    EXPECT_EQ(Data, "last words");
    EXPECT_EQ(Events.Count("closed 0"), 1) << LogText(Events.Entries);
}

TEST_F(AsyncSocketSessionEnd, NoDataSentFollowsAResetDuringSending) {
    // The handler leaves the greeting unread, so the send path meets the reset.
    int Greetings = 0;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket*, std::uint16_t) { ++Greetings; };
    for (int Round = 0; Round < 3; ++Round) {
        TScriptedServer Server({{TScriptedServer::Send("hi"), TScriptedServer::ExpectCount(1),
                                 TScriptedServer::WaitGate(0), TScriptedServer::Reset()}});
        Events.Entries.clear();
        Greetings = 0;
        ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
        ASSERT_TRUE(WaitUntil([&] { return Greetings > 0; }));
        const std::string Block(32 << 20, 's'); // far more than the socket buffers take
        Socket.Send(Block.data(), static_cast<int>(Block.size()));
        Server.OpenGate(0); // the reset comes while the rest waits to be sent
        ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
        for (int I = 0; I < 10; ++I)
            testsupport::PumpEvents();
        EXPECT_EQ(EntriesAfterClose(Events.Entries, "sent"), 0) << LogText(Events.Entries);
        EXPECT_EQ(EntriesAfterClose(Events.Entries, "closed"), 0) << LogText(Events.Entries);
    }
}

TEST_F(AsyncSocketSessionEnd, PeerAddrAfterAResetEndsTheSessionWithOneSessionClosed) {
    TScriptedServer Server({{TScriptedServer::WaitGate(0), TScriptedServer::Reset()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    Server.OpenGate(0);
    // The reset reaches the system before the socket's events run.
    pollfd Hangup{Socket.SocketHandle(), POLLRDHUP, 0};
    ASSERT_EQ(poll(&Hangup, 1, 10000), 1);
    EXPECT_EQ(nettest::MessageOf([&] { Socket.PeerAddr(); }),
              "Error 10057 in function GetPeerName\r\nSocket is not connected");
    EXPECT_EQ(Socket.State(), wsClosed);
    for (int I = 0; I < 5; ++I)
        testsupport::PumpEvents();
    // The session ended by the reset, as its events would have said.
    EXPECT_EQ(Events.Count("closed 10054"), 1) << LogText(Events.Entries);
    EXPECT_EQ(EntriesAfterClose(Events.Entries, "closed"), 0) << LogText(Events.Entries);
}

TEST(AsyncSocketDup, DiscardsThePreviousSessionsUnsentBytes) {
    int First[2];
    int Second[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, First), 0);
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, Second), 0);
    TAsyncSocket Socket;
    Socket.Dup(First[0]);
    const std::string Block(1 << 20, 'o'); // far more than the pair buffers
    Socket.Send(Block.data(), static_cast<int>(Block.size()));
    Socket.Dup(Second[0]);
    Socket.SendStr("new");
    char Got[64] = {};
    const ssize_t N = recv(Second[1], Got, sizeof Got, MSG_DONTWAIT);
    EXPECT_EQ(std::string(Got, static_cast<std::size_t>(std::max<ssize_t>(N, 0))), "new");
    Socket.Close();
    for (const int Fd : {First[1], Second[1]})
        close(Fd);
}

// A new connection started inside a handler survives the handler's return.
class ReconnectInsideAHandler : public AsyncSocketSessionEnd,
                                public testing::WithParamInterface<const char*> {};

TEST_P(ReconnectInsideAHandler, KeepsTheNewSession) {
    const std::string Where = GetParam();
    TScriptedServer Second({{TScriptedServer::Send("second"), TScriptedServer::Drain()}});
    std::uint16_t FirstPort = 0;
    std::unique_ptr<TScriptedServer> First;
    if (Where == "refused") {
        TScriptedServer Gone({});
        FirstPort = Gone.Port();
    } else {
        First = std::make_unique<TScriptedServer>(std::vector<TScriptedServer::TScript>{
            {TScriptedServer::Send("first"), TScriptedServer::Close()}});
        FirstPort = First->Port();
    }
    bool Retried = false;
    const auto Retry = [&](TCustomAsyncSocket* Sender) {
        if (Retried)
            return;
        Retried = true;
        if (Where != "peer close, connect at once" && Sender->State() != wsClosed)
            Sender->Close();
        nettest::StartConnect(*Sender, Second.Port());
    };
    Socket.OnSessionConnected = [&](TCustomAsyncSocket* Sender, std::uint16_t Error) {
        Events.Entries.push_back("connected " + std::to_string(Error));
        if (Error != 0)
            Retry(Sender);
    };
    Socket.OnSessionClosed = [&](TCustomAsyncSocket* Sender, std::uint16_t Error) {
        Events.Entries.push_back("closed " + std::to_string(Error));
        if (Where != "refused")
            Retry(Sender);
    };
    nettest::Collect(Socket, Data);
    if (Where == "own close")
        Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
            Data += Sender->ReceiveStr();
            if (Data == "first")
                Sender->Close();
        };
    nettest::StartConnect(Socket, FirstPort);
    ASSERT_TRUE(WaitUntil([&] { return Data.find("second") != std::string::npos; }))
        << LogText(Events.Entries);
    testsupport::PumpEvents();
    EXPECT_EQ(Socket.State(), wsConnected) << LogText(Events.Entries);
    EXPECT_EQ(Socket.PeerPort(), Second.PortStr());
    Socket.OnDataAvailable = nullptr;
    Socket.OnSessionClosed = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Socket, ReconnectInsideAHandler,
                         testing::Values("refused", "peer close", "own close",
                                         "peer close, connect at once"));

TEST(AsyncSocketListen, AgainOnAListeningSocketRefusesWithoutLeakingAHandle) {
    TAsyncSocket Listener;
    const int Before = OpenDescriptors();
    Listener.SetAddr("127.0.0.1");
    Listener.SetPort("0");
    Listener.Listen();
    ASSERT_EQ(Listener.State(), wsListening);
    EXPECT_EQ(nettest::MessageOf([&] { Listener.Listen(); }), "Listen: Socket already in use");
    EXPECT_EQ(Listener.State(), wsListening);
    Listener.Close();
    EXPECT_EQ(OpenDescriptors(), Before);
}

} // namespace
