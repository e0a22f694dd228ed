#include <QPointer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "net/async_socket.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/scripted_server.h"

using testsupport::TScriptedServer;
using testsupport::WaitUntil;

namespace {

using Log = std::vector<std::string>;

class AsyncSocketSession : public testing::Test {
protected:
    // Declared first so that they outlive the socket, whose destruction still
    // reports the state change.
    nettest::TEventLog Events;
    std::string Data;
    TAsyncSocket Socket;

    void SetUp() override { Events.Attach(Socket); }

    void ReadIntoData() {
        Socket.OnDataAvailable = [this](TCustomAsyncSocket* Sender, std::uint16_t) {
            char Buffer[100];
            const int N = Sender->Receive(Buffer, sizeof Buffer);
            if (N > 0)
                Data.append(Buffer, static_cast<std::size_t>(N));
            Events.Entries.push_back("data " + std::to_string(N));
        };
    }
};

TEST_F(AsyncSocketSession, SuccessfulConnectPassesOpenedAndConnectingInsideTheCall) {
    TScriptedServer Server({{TScriptedServer::WaitGate(0)}});
    Socket.SetAddr("127.0.0.1");
    Socket.SetPort(Server.PortStr());
    Socket.Connect();
    EXPECT_EQ(Events.Entries, (Log{"state Closed>Opened", "state Opened>Connecting"}));
    ASSERT_TRUE(WaitUntil([&] { return Events.Has("connected 0"); }));
    EXPECT_EQ(Events.Entries, (Log{"state Closed>Opened", "state Opened>Connecting",
                                   "state Connecting>Connected", "connected 0"}));
    EXPECT_EQ(Socket.PeerAddr(), "127.0.0.1");
    EXPECT_EQ(Socket.PeerPort(), Server.PortStr());
    Server.OpenGate(0);
}

TEST_F(AsyncSocketSession, RefusedConnectIsConnectedWithErrorThenClosed) {
    Socket.SetAddr("127.0.0.1");
    Socket.SetPort(std::to_string(nettest::ClosedPort()));
    Socket.Connect();
    ASSERT_TRUE(WaitUntil([&] { return Events.Has("closed 0"); }));
    EXPECT_EQ(Events.Entries,
              (Log{"state Closed>Opened", "state Opened>Connecting", "state Connecting>Connected",
                   "connected 10061", "state Connected>Closed", "closed 0"}));
    EXPECT_EQ(Socket.State(), wsClosed);
    EXPECT_EQ(Socket.SocketHandle(), -1);
}

TEST_F(AsyncSocketSession, PeerCloseDeliversDataThenClosedThenStateChange) {
    TScriptedServer Server({{TScriptedServer::Send("hello, client"), TScriptedServer::Close()}});
    ReadIntoData();
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
    EXPECT_EQ(Data, "hello, client");
    // The close comes after the data; a last data event finds nothing (0).
    const Log Tail(Events.Entries.end() - 3, Events.Entries.end());
    EXPECT_EQ(Tail, (Log{"data 0", "closed 0", "state Connected>Closed"}));
    EXPECT_EQ(Events.Count("closed 0"), 1);
}

TEST_F(AsyncSocketSession, LocalCloseChangesStateThenReportsClosedOnce) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    Events.Entries.clear();
    Socket.Close();
    Socket.Close();
    EXPECT_EQ(Events.Entries, (Log{"state Connected>Closed", "closed 0"}));
}

// Counts the bytes the receive chain takes from the system.
class TRecvCountingSocket : public TAsyncSocket {
public:
    std::size_t Taken = 0;

protected:
    int DoRecv(void* Buffer, int BufferSize, int Flags) override {
        const int N = TAsyncSocket::DoRecv(Buffer, BufferSize, Flags);
        Taken += N > 0 ? static_cast<std::size_t>(N) : 0;
        return N;
    }
};

TEST(AsyncSocketReceive, DataWithoutHandlerIsReadAndThrownAway) {
    TScriptedServer Server(
        {{TScriptedServer::Send(std::string(5000, 'x')), TScriptedServer::WaitGate(0),
          TScriptedServer::Send("tail"), TScriptedServer::WaitGate(1)}});
    TRecvCountingSocket Socket;
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.Taken == 5000; }));
    EXPECT_EQ(Socket.RcvdCount(), 0);
    std::string Data;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        Data += Sender->ReceiveStr();
    };
    Server.OpenGate(0);
    ASSERT_TRUE(WaitUntil([&] { return Data.size() >= 4; }));
    EXPECT_EQ(Data, "tail");
    EXPECT_EQ(Socket.ReadCount(), 4); // discarded bytes were never handed out
    Server.OpenGate(1);
}

TEST_F(AsyncSocketSession, CloseInsideTheDataHandlerEndsTheSessionOnce) {
    TScriptedServer Server(
        {{TScriptedServer::Send(std::string(3000, 'z')), TScriptedServer::Drain()}});
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        Data += Sender->ReceiveStr();
        Sender->Close();
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
    EXPECT_FALSE(Data.empty());
    EXPECT_EQ(Events.Count("closed 0"), 1);
    EXPECT_TRUE(WaitUntil([&] { return Server.Done(); }));
}

TEST_F(AsyncSocketSession, BindingALocalAddressReportsThePortActuallyBound) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    Socket.SetLocalAddr("127.0.0.1");
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    EXPECT_NE(Socket.LocalPort(), "0");
    EXPECT_EQ(Socket.LocalPort(), Socket.GetXPort());
}

TEST_F(AsyncSocketSession, HandlerReadingInSmallStepsIsCalledUntilAllIsRead) {
    const std::string Payload(1000, 'p');
    TScriptedServer Server({{TScriptedServer::Send(Payload), TScriptedServer::WaitGate(0)}});
    int Calls = 0;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        ++Calls;
        char Buffer[10];
        const int N = Sender->Receive(Buffer, sizeof Buffer);
        if (N > 0)
            Data.append(Buffer, static_cast<std::size_t>(N));
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Data.size() == Payload.size(); }));
    EXPECT_GE(Calls, 100);
    Server.OpenGate(0);
}

TEST_F(AsyncSocketSession, HandlerThatReadsNothingIsNotCalledAgainUntilItReceives) {
    TScriptedServer Server({{TScriptedServer::Send("abc"), TScriptedServer::WaitGate(0)}});
    int Calls = 0;
    bool Read = false;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        ++Calls;
        if (Read)
            Data += Sender->ReceiveStr();
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Calls == 1; }));
    for (int I = 0; I < 20; ++I)
        testsupport::PumpEvents();
    EXPECT_EQ(Calls, 1);
    // A receive call outside the handler asks for the next notification.
    Read = true;
    char First;
    ASSERT_EQ(Socket.Receive(&First, 1), 1);
    ASSERT_TRUE(WaitUntil([&] { return Data == "bc"; }));
    Server.OpenGate(0);
}

TEST_F(AsyncSocketSession, DestroyingAConnectedSocketRaisesNoSessionClosed) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    auto Owned = std::make_unique<TAsyncSocket>();
    nettest::TEventLog OwnedEvents;
    OwnedEvents.Attach(*Owned);
    ASSERT_TRUE(nettest::ConnectAndWait(*Owned, Server.Port()));
    Owned.reset();
    EXPECT_EQ(OwnedEvents.Entries.back(), "state Connected>Closed");
    EXPECT_FALSE(OwnedEvents.Has("closed 0"));
    EXPECT_TRUE(WaitUntil([&] { return Server.Done(); }));
}

TEST_F(AsyncSocketSession, ReleaseInsideAHandlerDeletesTheSocketAfterwards) {
    TScriptedServer Server({{TScriptedServer::Send("x"), TScriptedServer::Drain()}});
    QPointer<TAsyncSocket> Released = new TAsyncSocket;
    bool StillThereAfterRelease = false;
    Released->OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        Sender->ReceiveStr();
        Sender->Release();
        StillThereAfterRelease = Released != nullptr && Sender->State() == wsConnected;
    };
    Released->SetAddr("127.0.0.1");
    Released->SetPort(Server.PortStr());
    Released->Connect();
    ASSERT_TRUE(WaitUntil([&] { return Released == nullptr; }));
    EXPECT_TRUE(StillThereAfterRelease);
    EXPECT_TRUE(WaitUntil([&] { return Server.Done(); }));
}

TEST_F(AsyncSocketSession, DeletingTheSocketDirectlyInsideAHandlerIsSurvived) {
    TScriptedServer Server({{TScriptedServer::Send("x"), TScriptedServer::Close()}});
    QPointer<TAsyncSocket> Doomed = new TAsyncSocket;
    Doomed->OnDataAvailable = [](TCustomAsyncSocket* Sender, std::uint16_t) { delete Sender; };
    Doomed->SetAddr("127.0.0.1");
    Doomed->SetPort(Server.PortStr());
    Doomed->Connect();
    EXPECT_TRUE(WaitUntil([&] { return Doomed == nullptr; }));
}

TEST_F(AsyncSocketSession, CloseDelayedClosesAfterTheHandlerReturns) {
    TScriptedServer Server({{TScriptedServer::Send("x"), TScriptedServer::Drain()}});
    TSocketState StateAfterCall = wsInvalidState;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        Sender->ReceiveStr();
        Sender->CloseDelayed();
        StateAfterCall = Sender->State();
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
    EXPECT_EQ(StateAfterCall, wsConnected);
    EXPECT_EQ(Events.Count("closed 0"), 1);
}

class BackgroundException : public testing::TestWithParam<bool> {};

TEST_P(BackgroundException, ReachesOnBgExceptionAndAbortsUnlessKept) {
    const bool CanClose = GetParam();
    TScriptedServer Server({{TScriptedServer::Drain()}});
    TAsyncSocket Socket;
    std::string Seen;
    Socket.OnSessionConnected = [](TCustomAsyncSocket*, std::uint16_t) {
        throw ESocketException("handler failed");
    };
    Socket.OnBgException = [&](TCustomAsyncSocket*, const std::exception& E, bool& Close) {
        Seen = E.what();
        Close = CanClose;
    };
    Socket.SetAddr("127.0.0.1");
    Socket.SetPort(Server.PortStr());
    Socket.Connect();
    ASSERT_TRUE(WaitUntil([&] { return !Seen.empty(); }));
    EXPECT_EQ(Seen, "handler failed");
    EXPECT_EQ(Socket.State(), CanClose ? wsClosed : wsConnected);
}

INSTANTIATE_TEST_SUITE_P(Socket, BackgroundException, testing::Bool());

// Lets a test post private messages, such as the test exception.
class TTestMessageSocket : public TAsyncSocket {
public:
    void PostTestException() { PostSocketMessage(WM_TEST_EXCEPTION); }
    void PostSelect(std::uint32_t Bits) {
        PostSocketMessage(WM_ASYNCSELECT, MakeSelectParam(Bits, 0));
    }
};

TEST(AsyncSocketBackground, PostedTestExceptionReachesTheHandler) {
    TTestMessageSocket Socket;
    std::string Seen;
    Socket.OnBgException = [&](TCustomAsyncSocket*, const std::exception& E, bool&) {
        Seen = E.what();
    };
    Socket.PostTestException();
    EXPECT_TRUE(WaitUntil([&] { return !Seen.empty(); }));
    EXPECT_EQ(Seen, "Test exception in socket");
}

TEST(AsyncSocketConnect, CloseNotificationWhileConnectingIsIgnored) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    nettest::TEventLog Events;
    TTestMessageSocket Socket;
    Events.Attach(Socket);
    Socket.SetAddr("127.0.0.1");
    Socket.SetPort(Server.PortStr());
    Socket.Connect();
    Socket.PostSelect(FD_CLOSE_BIT);
    ASSERT_TRUE(WaitUntil([&] { return Events.Has("connected 0"); }));
    EXPECT_FALSE(Events.Has("closed 0"));
    EXPECT_EQ(Socket.State(), wsConnected);
}

TEST(AsyncSocketReceive, PausedSocketDeliversNothingUntilResumed) {
    TScriptedServer Server({{TScriptedServer::WaitGate(0), TScriptedServer::Send("late"),
                             TScriptedServer::WaitGate(1)}});
    TAsyncSocket Socket;
    std::string Data;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        Data += Sender->ReceiveStr();
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    Socket.Pause();
    Server.OpenGate(0);
    ASSERT_TRUE(WaitUntil([&] { return Socket.RcvdCount() == 4; }));
    for (int I = 0; I < 10; ++I)
        testsupport::PumpEvents();
    EXPECT_EQ(Data, "");
    Socket.Resume();
    EXPECT_TRUE(WaitUntil([&] { return Data == "late"; }));
    Server.OpenGate(1);
}

std::string MessageOf(const std::function<void()>& Call) {
    try {
        Call();
    } catch (const ESocketException& E) {
        return E.what();
    }
    return "(no exception)";
}

TEST_F(AsyncSocketSession, PropertiesChangeOnlyWhileClosed) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    Socket.SetAddr("  127.0.0.1 ");
    EXPECT_EQ(Socket.Addr(), "127.0.0.1");
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    // The value already held may be assigned in any state.
    EXPECT_EQ(MessageOf([&] { Socket.SetPort(Server.PortStr()); }), "(no exception)");
    EXPECT_EQ(MessageOf([&] { Socket.SetPort("81"); }), "Cannot change Port if not closed");
    EXPECT_EQ(MessageOf([&] { Socket.SetAddr("10.0.0.1"); }), "Cannot change Addr if not closed");
    EXPECT_EQ(MessageOf([&] { Socket.SetProto("udp"); }), "Cannot change Proto if not closed");
    EXPECT_EQ(MessageOf([&] { Socket.SetLocalPort("1"); }),
              "Cannot change LocalPort if not closed");
    EXPECT_EQ(MessageOf([&] { Socket.SetLocalAddr("127.0.0.1"); }),
              "Cannot change LocalAddr if not closed");
    EXPECT_EQ(Socket.Port(), Server.PortStr());
    Socket.Close();
    EXPECT_EQ(MessageOf([&] { Socket.SetLocalAddr("no address"); }),
              "SetLocalAddr(): Invalid IP address");
    Socket.SetLocalAddr("");
    EXPECT_EQ(Socket.LocalAddr(), "0.0.0.0");
    Socket.SetLocalAddr("127.1");
    EXPECT_EQ(Socket.LocalAddr(), "127.0.0.1");
    Socket.SetSendFlags(wsSendUrgent);
    EXPECT_EQ(Socket.SendFlags(), wsSendUrgent);
    EXPECT_EQ(MessageOf([&] { Socket.SetSendFlags(static_cast<TSocketSendFlags>(7)); }),
              "Invalid SendFlags");
    EXPECT_EQ(Socket.SendFlags(), wsSendUrgent);
}

TEST_F(AsyncSocketSession, ConnectRefusesWhatItCannotDo) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    Socket.SetAddr("127.0.0.1");
    Socket.SetPort(Server.PortStr());
    Socket.Connect();
    EXPECT_EQ(MessageOf([&] { Socket.Connect(); }), "Connect: Socket already in use");
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsConnected; }));
    Socket.Close();
    // Every close forgets Addr and Port: they must be assigned again.
    EXPECT_EQ(MessageOf([&] { Socket.Connect(); }), "Connect: No Port Specified");
    Socket.SetPort(Server.PortStr());
    EXPECT_EQ(MessageOf([&] { Socket.Connect(); }), "Connect: No IP Address Specified");
    Socket.SetAddr("127.0.0.1");
    Socket.SetProto("");
    EXPECT_EQ(MessageOf([&] { Socket.Connect(); }), "Connect: No Protocol Specified");
    Socket.SetProto("tcp");
    Socket.SetPort("nosuchservice");
    EXPECT_EQ(MessageOf([&] { Socket.Connect(); }),
              "connect: SocketResolvePort: Cannot convert port 'nosuchservice', Error #11004");
    EXPECT_EQ(Socket.State(), wsClosed);
}

TEST_F(AsyncSocketSession, OnErrorReplacesTheExceptionAndTheOperationGoesOn) {
    int Errors = 0;
    Socket.OnError = [&](TCustomAsyncSocket*) { ++Errors; };
    EXPECT_EQ(MessageOf([&] { Socket.Connect(); }), "(no exception)");
    EXPECT_EQ(Errors, 1);
    EXPECT_EQ(Socket.State(), wsClosed);
}

TEST(AsyncSocketServerSide, ListenAcceptAndDupCarryASession) {
    TAsyncSocket Listener;
    TAsyncSocket Served;
    TAsyncSocket Client;
    std::string ServedGot;
    Listener.SetAddr("127.0.0.1");
    Listener.SetPort("0");
    Listener.OnSessionAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t Error) {
        ASSERT_EQ(Error, 0);
        Served.Dup(Sender->Accept());
    };
    Served.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        ServedGot += Sender->ReceiveStr();
        if (ServedGot == "ping")
            Sender->SendStr("pong");
    };
    std::string ClientGot;
    Client.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        ClientGot += Sender->ReceiveStr();
    };
    Client.OnSessionConnected = [](TCustomAsyncSocket* Sender, std::uint16_t) {
        Sender->SendStr("ping");
    };
    Listener.Listen();
    ASSERT_EQ(Listener.State(), wsListening);
    const std::string Port = Listener.GetXPort();
    ASSERT_NE(Port, "0");
    Client.SetAddr("127.0.0.1");
    Client.SetPort(Port);
    Client.Connect();
    ASSERT_TRUE(WaitUntil([&] { return ClientGot == "pong"; }));
    EXPECT_EQ(Served.State(), wsConnected);
    EXPECT_EQ(Served.PeerPort(), Client.GetXPort());
}

TEST(AsyncSocketServerSide, AcceptOnANonListeningSocketFails) {
    TAsyncSocket Socket;
    int Errors = 0;
    Socket.OnError = [&](TCustomAsyncSocket*) { ++Errors; };
    EXPECT_EQ(Socket.Accept(), -1);
    EXPECT_EQ(Errors, 1);
    EXPECT_EQ(Socket.LastError(), 10022);
}

TEST(AsyncSocketUdp, DatagramsTravelBetweenAListenerAndAConnectedSocket) {
    TAsyncSocket Receiver;
    TAsyncSocket Sender;
    bool ReceiverUp = false;
    Receiver.SetProto("udp");
    Receiver.SetAddr("127.0.0.1");
    Receiver.SetPort("0");
    Receiver.OnSessionConnected = [&](TCustomAsyncSocket*, std::uint16_t) { ReceiverUp = true; };
    std::string Got;
    std::string From;
    Receiver.OnDataAvailable = [&](TCustomAsyncSocket* Socket, std::uint16_t) {
        char Buffer[64];
        sockaddr_in Peer{};
        const int N = Socket->ReceiveFrom(Buffer, sizeof Buffer, Peer);
        if (N > 0) {
            Got.assign(Buffer, static_cast<std::size_t>(N));
            From = std::to_string(ntohs(Peer.sin_port));
        }
    };
    Receiver.Listen();
    EXPECT_TRUE(ReceiverUp); // a datagram listener is connected inside Listen
    EXPECT_EQ(Receiver.State(), wsConnected);

    bool SenderUp = false;
    Sender.OnSessionConnected = [&](TCustomAsyncSocket*, std::uint16_t) { SenderUp = true; };
    Sender.SetProto("udp");
    Sender.SetAddr("127.0.0.1");
    Sender.SetPort(Receiver.GetXPort());
    Sender.Connect();
    EXPECT_TRUE(SenderUp);
    EXPECT_EQ(Sender.SendStr("datagram"), 8);
    ASSERT_TRUE(WaitUntil([&] { return !Got.empty(); }));
    EXPECT_EQ(Got, "datagram");
    EXPECT_EQ(From, Sender.GetXPort());
}

} // namespace
