#include <QPointer>

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <memory>

#include "net/async_socket.h"
#include "net/socket_library.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/scripted_server.h"

using nettest::MessageOf;
using testsupport::TScriptedServer;
using testsupport::WaitUntil;

namespace {

using Log = std::vector<std::string>;

using AsyncSocketSession = nettest::TSocketTest;

TEST_F(AsyncSocketSession, ConnectPassesOpenedAndConnectingInsideTheCallAndClosesOnce) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    Socket.SetLocalAddr("127.0.0.1");
    nettest::StartConnect(Socket, Server.Port());
    EXPECT_EQ(Events.Entries, (Log{"state Closed>Opened", "state Opened>Connecting"}));
    ASSERT_TRUE(WaitUntil([&] { return Events.Has("connected 0"); }));
    EXPECT_EQ(Events.Entries, (Log{"state Closed>Opened", "state Opened>Connecting",
                                   "state Connecting>Connected", "connected 0"}));
    EXPECT_EQ(Socket.PeerAddr(), "127.0.0.1");
    EXPECT_EQ(Socket.PeerPort(), Server.PortStr());
    // A bound local address reports the port actually bound.
    EXPECT_NE(Socket.LocalPort(), "0");
    EXPECT_EQ(Socket.LocalPort(), Socket.GetXPort());
    Events.Entries.clear();
    Socket.Close();
    Socket.Close();
    EXPECT_EQ(Events.Entries, (Log{"state Connected>Closed", "closed 0"}));
}

TEST_F(AsyncSocketSession, RefusedConnectIsConnectedWithErrorThenClosed) {
    std::uint16_t Port = 0;
    {
        TScriptedServer Gone({});
        Port = Gone.Port();
    } // nothing listens there any more
    nettest::StartConnect(Socket, Port);
    ASSERT_TRUE(WaitUntil([&] { return Events.Has("closed 0"); }));
    EXPECT_EQ(Events.Entries,
              (Log{"state Closed>Opened", "state Opened>Connecting", "state Connecting>Connected",
                   "connected 10061", "state Connected>Closed", "closed 0"}));
    EXPECT_EQ(Socket.State(), wsClosed);
    EXPECT_EQ(Socket.SocketHandle(), -1);
}

TEST_F(AsyncSocketSession, PeerCloseDeliversDataThenClosedThenStateChange) {
    TScriptedServer Server({{TScriptedServer::Send("hello, client"), TScriptedServer::Close()}});
    Socket.OnDataAvailable = [this](TCustomAsyncSocket* Sender, std::uint16_t) {
        char Buffer[100];
        const int N = Sender->Receive(Buffer, sizeof Buffer);
        Data.append(Buffer, static_cast<std::size_t>(std::max(N, 0)));
        Events.Entries.push_back("data " + std::to_string(N));
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
    EXPECT_EQ(Data, "hello, client");
    // The close comes after the data; a last data event finds nothing (0).
    EXPECT_EQ(Log(Events.Entries.end() - 3, Events.Entries.end()),
              (Log{"data 0", "closed 0", "state Connected>Closed"}));
    EXPECT_EQ(Events.Count("closed 0"), 1);
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
          TScriptedServer::Send("tail"), TScriptedServer::Drain()}});
    TRecvCountingSocket Socket;
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.Taken == 5000; }));
    EXPECT_EQ(Socket.RcvdCount(), 0);
    std::string Data;
    nettest::Collect(Socket, Data);
    Server.OpenGate(0);
    ASSERT_TRUE(WaitUntil([&] { return Data.size() >= 4; }));
    EXPECT_EQ(Data, "tail");
    EXPECT_EQ(Socket.ReadCount(), 4); // discarded bytes were never handed out
}

class CloseInsideTheDataHandler : public AsyncSocketSession,
                                  public testing::WithParamInterface<bool> {};

TEST_P(CloseInsideTheDataHandler, EndsTheSessionOnceAtOnceOrAfterTheHandler) {
    const bool Delayed = GetParam();
    TScriptedServer Server(
        {{TScriptedServer::Send(std::string(3000, 'z')), TScriptedServer::Drain()}});
    TSocketState StateAfterCall = wsInvalidState;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        Data += Sender->ReceiveStr();
        Delayed ? Sender->CloseDelayed() : Sender->Close();
        StateAfterCall = Sender->State();
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
    EXPECT_FALSE(Data.empty());
    EXPECT_EQ(StateAfterCall, Delayed ? wsConnected : wsClosed);
    EXPECT_EQ(Events.Count("closed 0"), 1);
    EXPECT_TRUE(WaitUntil([&] { return Server.Done(); }));
}

INSTANTIATE_TEST_SUITE_P(Socket, CloseInsideTheDataHandler, testing::Bool());

TEST_F(AsyncSocketSession, HandlerIsCalledWhileItReadsAndNotAgainWhenItReadsNothing) {
    TScriptedServer Server(
        {{TScriptedServer::Send(std::string(1000, 'p')), TScriptedServer::Drain()}});
    int Calls = 0;
    bool Read = false;
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        ++Calls;
        char Buffer[10];
        const int N = Read ? Sender->Receive(Buffer, sizeof Buffer) : 0;
        if (N > 0)
            Data.append(Buffer, static_cast<std::size_t>(N));
    };
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return Calls == 1; }));
    for (int I = 0; I < 20; ++I)
        testsupport::PumpEvents();
    EXPECT_EQ(Calls, 1);
    // A receive call outside the handler asks for the next notification; the
    // handler reading in small steps is then called until all is read.
    Read = true;
    char First;
    ASSERT_EQ(Socket.Receive(&First, 1), 1);
    ASSERT_TRUE(WaitUntil([&] { return Data.size() == 999; }));
    EXPECT_GE(Calls, 100);
}

TEST(AsyncSocketLifetime, DestroyingAConnectedSocketRaisesNoSessionClosed) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    nettest::TEventLog Events;
    auto Owned = std::make_unique<TAsyncSocket>();
    Events.Attach(*Owned);
    ASSERT_TRUE(nettest::ConnectAndWait(*Owned, Server.Port()));
    Owned.reset();
    EXPECT_EQ(Events.Entries.back(), "state Connected>Closed");
    EXPECT_FALSE(Events.Has("closed 0"));
    EXPECT_TRUE(WaitUntil([&] { return Server.Done(); }));
}

TEST(AsyncSocketLifetime, DestroyingAnOpenSocketClosesItWhileEveryLayerLives) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    const std::string User(40, 'u'); // longer than a string holds in place
    auto Owned = std::make_unique<TAsyncSocket>();
    Owned->SetSocksUsercode(User);
    ASSERT_TRUE(nettest::ConnectAndWait(*Owned, Server.Port()));
    std::string SeenUser;
    bool WholeObject = false;
    Owned->OnChangeState = [&](TCustomAsyncSocket* Sender, TSocketState, TSocketState) {
        SeenUser = static_cast<TCustomSocksSocket*>(Sender)->SocksUsercode();
        WholeObject = dynamic_cast<TCustomSyncSocket*>(Sender) != nullptr;
    };
    Owned.reset();
    EXPECT_EQ(SeenUser, User);
    EXPECT_TRUE(WholeObject);
    EXPECT_TRUE(WaitUntil([&] { return Server.Done(); }));
}

// A handler of OnChangeState deletes the socket on one change; nothing may
// touch the object afterwards.
struct TDeleteOnChange {
    const char* Name;
    TSocketState DeleteOn;
    const char* Proto;
    bool SendWhenClosed; // the change comes from a Send on a closed socket
};

class HandlerDeletesTheSocketOnAStateChange : public testing::TestWithParam<TDeleteOnChange> {};

TEST_P(HandlerDeletesTheSocketOnAStateChange, AndTheCallReturnsWithoutTouchingIt) {
    const TDeleteOnChange& Case = GetParam();
    TScriptedServer Server({{TScriptedServer::Drain()}});
    QPointer<TAsyncSocket> Doomed = new TAsyncSocket;
    Doomed->OnChangeState = [&Case](TCustomAsyncSocket* Sender, TSocketState, TSocketState New) {
        if (New != Case.DeleteOn)
            return;
        Sender->OnChangeState = nullptr; // the close on destruction changes the state again
        delete Sender;
    };
    if (Case.SendWhenClosed) {
        EXPECT_EQ(MessageOf([&] { EXPECT_EQ(Doomed->SendStr("x"), -1); }), "(no exception)");
    } else {
        Doomed->SetProto(Case.Proto);
        nettest::StartConnect(*Doomed, Server.Port());
    }
    EXPECT_EQ(Doomed, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Socket, HandlerDeletesTheSocketOnAStateChange,
    testing::Values(TDeleteOnChange{"ToConnecting", wsConnecting, "tcp", false},
                    TDeleteOnChange{"DatagramToConnected", wsConnected, "udp", false},
                    TDeleteOnChange{"ClosedOnSend", wsClosed, "tcp", true}),
    [](const testing::TestParamInfo<TDeleteOnChange>& Info) { return Info.param.Name; });

// true: the handler calls Release, which deletes the socket afterwards;
// false: the handler deletes it directly.
class HandlerDestroysTheSocket : public testing::TestWithParam<bool> {};

TEST_P(HandlerDestroysTheSocket, AndTheConnectionEnds) {
    const bool ByRelease = GetParam();
    TScriptedServer Server({{TScriptedServer::Send("x"), TScriptedServer::Drain()}});
    QPointer<TAsyncSocket> Doomed = new TAsyncSocket;
    bool AliveAfterRelease = false;
    Doomed->OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        if (!ByRelease) {
            delete Sender;
            return;
        }
        Sender->ReceiveStr();
        Sender->Release();
        AliveAfterRelease = Doomed != nullptr && Sender->State() == wsConnected;
    };
    nettest::StartConnect(*Doomed, Server.Port());
    ASSERT_TRUE(WaitUntil([&] { return Doomed == nullptr; }));
    EXPECT_EQ(AliveAfterRelease, ByRelease);
    EXPECT_TRUE(WaitUntil([&] { return Server.Done(); }));
}

INSTANTIATE_TEST_SUITE_P(Socket, HandlerDestroysTheSocket, testing::Bool());

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
    nettest::StartConnect(Socket, Server.Port());
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

TEST(AsyncSocketPrivateMessages, CloseWhileConnectingIsIgnoredTestExceptionIsRaised) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    nettest::TEventLog Events;
    TTestMessageSocket Socket;
    std::string Seen;
    Events.Attach(Socket);
    Socket.OnBgException = [&](TCustomAsyncSocket*, const std::exception& E, bool&) {
        Seen = E.what();
    };
    nettest::StartConnect(Socket, Server.Port());
    Socket.PostSelect(FD_CLOSE_BIT);
    ASSERT_TRUE(WaitUntil([&] { return Events.Has("connected 0"); }));
    EXPECT_FALSE(Events.Has("closed 0"));
    EXPECT_EQ(Socket.State(), wsConnected);
    Socket.PostTestException();
    ASSERT_TRUE(WaitUntil([&] { return !Seen.empty(); }));
    EXPECT_EQ(Seen, "Test exception in socket");
}

TEST_F(AsyncSocketSession, StaleDelayedCloseLeavesTheNextSessionAlone) {
    TScriptedServer Server({{TScriptedServer::Drain()}, {TScriptedServer::Drain()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    Socket.CloseDelayed();
    Socket.Close();
    Events.Entries.clear();
    EXPECT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    for (int I = 0; I < 5; ++I)
        testsupport::PumpEvents();
    EXPECT_EQ(Socket.State(), wsConnected);
    EXPECT_EQ(Events.Entries, (Log{"state Closed>Opened", "state Opened>Connecting",
                                   "state Connecting>Connected", "connected 0"}));
}

TEST_F(AsyncSocketSession, PausedSocketDeliversNothingUntilResumed) {
    TScriptedServer Server(
        {{TScriptedServer::WaitGate(0), TScriptedServer::Send("late"), TScriptedServer::Drain()}});
    nettest::Collect(Socket, Data);
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    Socket.Pause();
    Server.OpenGate(0);
    ASSERT_TRUE(WaitUntil([&] { return Socket.RcvdCount() == 4; }));
    for (int I = 0; I < 10; ++I)
        testsupport::PumpEvents();
    EXPECT_EQ(Data, "");
    Socket.Resume();
    EXPECT_TRUE(WaitUntil([&] { return Data == "late"; }));
}

TEST_F(AsyncSocketSession, SettersAndConnectRefuseWhatTheyCannotDo) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    Socket.SetAddr("  127.0.0.1 ");
    EXPECT_EQ(Socket.Addr(), "127.0.0.1");
    nettest::StartConnect(Socket, Server.Port());
    EXPECT_EQ(MessageOf([&] { Socket.Connect(); }), "Connect: Socket already in use");
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsConnected; }));
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
    // With OnError assigned the handler replaces the exception.
    int Errors = 0;
    Socket.OnError = [&](TCustomAsyncSocket*) { ++Errors; };
    EXPECT_EQ(MessageOf([&] { Socket.Connect(); }), "(no exception)");
    EXPECT_EQ(Errors, 1);
    EXPECT_EQ(Socket.State(), wsClosed);
}

// The case: the loopback address of one family that every socket uses.
class AddressFamily : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() == "::1" && !testsupport::HasIpv6Loopback())
            GTEST_SKIP() << "this machine has no IPv6 loopback";
    }
    void Connect(TCustomAsyncSocket& Client, const std::string& Port) {
        Client.SetAddr(GetParam());
        Client.SetPort(Port);
        Client.Connect();
    }
};

TEST_P(AddressFamily, ListenAcceptAndDupCarryASession) {
    TAsyncSocket Listener;
    TAsyncSocket Served;
    TAsyncSocket Client;
    std::string ServedGot;
    std::string ClientGot;
    Listener.SetAddr(GetParam());
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
    nettest::Collect(Client, ClientGot);
    Client.OnSessionConnected = [](TCustomAsyncSocket* Sender, std::uint16_t) {
        Sender->SendStr("ping");
    };
    Listener.Listen();
    ASSERT_EQ(Listener.State(), wsListening);
    const std::string Port = Listener.GetXPort();
    ASSERT_NE(Port, "0");
    Connect(Client, Port);
    ASSERT_TRUE(WaitUntil([&] { return ClientGot == "pong"; }));
    EXPECT_EQ(Served.State(), wsConnected);
    EXPECT_EQ(Served.PeerAddr(), GetParam());
    EXPECT_EQ(Served.PeerPort(), Client.GetXPort());
    EXPECT_EQ(Client.PeerAddr(), GetParam());
    EXPECT_EQ(Client.PeerPort(), Port);
    // The IPv4 form of the address query knows no IPv6 address.
    sockaddr_in Peer{};
    EXPECT_EQ(Client.GetPeerName(Peer), GetParam() == "::1" ? -1 : 0);
    // Accept on a socket that does not listen fails with 10022.
    int Errors = 0;
    Client.OnError = [&](TCustomAsyncSocket*) { ++Errors; };
    EXPECT_EQ(Client.Accept(), -1);
    EXPECT_EQ(Errors, 1);
    EXPECT_EQ(Client.LastError(), 10022);
}

TEST_P(AddressFamily, DatagramsTravelBetweenAListenerAndAConnectedSocket) {
    TAsyncSocket Receiver;
    TAsyncSocket Sender;
    bool ReceiverUp = false;
    bool SenderUp = false;
    std::string Got;
    sockaddr_storage From{};
    Receiver.SetProto("udp");
    Receiver.SetAddr(GetParam());
    Receiver.SetPort("0");
    Receiver.OnSessionConnected = [&](TCustomAsyncSocket*, std::uint16_t) { ReceiverUp = true; };
    Receiver.OnDataAvailable = [&](TCustomAsyncSocket* Socket, std::uint16_t) {
        char Buffer[64];
        const int N = Socket->ReceiveFrom(Buffer, sizeof Buffer, From);
        if (N > 0)
            Got.assign(Buffer, static_cast<std::size_t>(N));
    };
    Receiver.Listen();
    EXPECT_TRUE(ReceiverUp); // a datagram listener is connected inside Listen
    EXPECT_EQ(Receiver.State(), wsConnected);

    Sender.OnSessionConnected = [&](TCustomAsyncSocket*, std::uint16_t) { SenderUp = true; };
    Sender.SetProto("udp");
    Connect(Sender, Receiver.GetXPort());
    EXPECT_TRUE(SenderUp);
    EXPECT_EQ(Sender.SendStr("datagram"), 8);
    ASSERT_TRUE(WaitUntil([&] { return !Got.empty(); }));
    EXPECT_EQ(Got, "datagram");
    const auto FromPort = From.ss_family == AF_INET6
                              ? reinterpret_cast<const sockaddr_in6&>(From).sin6_port
                              : reinterpret_cast<const sockaddr_in&>(From).sin_port;
    EXPECT_EQ(std::to_string(ntohs(FromPort)), Sender.GetXPort());
    // The answer goes back to the address the datagram came from.
    std::string Answer;
    Sender.OnDataAvailable = [&](TCustomAsyncSocket* Socket, std::uint16_t) {
        Answer = Socket->ReceiveStr();
    };
    EXPECT_EQ(Receiver.SendTo(From, "back", 4), 4);
    ASSERT_TRUE(WaitUntil([&] { return !Answer.empty(); }));
    EXPECT_EQ(Answer, "back");
}

INSTANTIATE_TEST_SUITE_P(Loopback, AddressFamily, testing::Values("127.0.0.1", "::1"),
                         [](const testing::TestParamInfo<std::string>& Info) {
                             return Info.param == "::1" ? "IPv6" : "IPv4";
                         });

TEST(SocketLibrary, LiveSocketsOrAForcedLoadHoldTheLibrary) {
    const int Before = SocketGCount();
    {
        TAsyncSocket First;
        TAsyncSocket Second;
        EXPECT_EQ(SocketGCount(), Before + 2);
        EXPECT_TRUE(SocketLibraryLoaded());
    }
    EXPECT_EQ(SocketGCount(), Before);
    if (Before == 0) {
        EXPECT_FALSE(SocketLibraryLoaded());
    }
    SocketForceLoadLibrary();
    SocketForceLoadLibrary(); // a second force takes no second reference
    EXPECT_TRUE(SocketGForced());
    EXPECT_EQ(SocketGCount(), Before + 1);
    { TAsyncSocket Socket; }
    EXPECT_EQ(SocketGCount(), Before + 1);
    EXPECT_TRUE(SocketLibraryLoaded());
    SocketCancelForceLoadLibrary();
    EXPECT_FALSE(SocketGForced());
    EXPECT_EQ(SocketGCount(), Before);
}

} // namespace

namespace {

TEST(SocketLibrary, InfoDescribesTheLibraryAndLeavesTheCountAlone) {
    const int Before = SocketGCount();
    TSocketLibraryData Data{};
    SocketLibraryInfo(Data);
    EXPECT_EQ(Data.Version, 0x0101);
    EXPECT_STREQ(Data.Description, "Linux BSD sockets");
    EXPECT_STREQ(Data.SystemStatus, "Running");
    EXPECT_GT(Data.MaxSockets, 0);
    EXPECT_EQ(Data.MaxUdpDg, 65507);
    EXPECT_EQ(SocketGCount(), Before);
    EXPECT_EQ(SocketLibraryLoaded(), Before > 0);
    EXPECT_NE(SocketGetProc("connect"), nullptr);
    EXPECT_EQ(SocketGetProc("NoSuchSocketFunction"), nullptr);
}

TEST(SocketTimerPairs, TestZeroAndCompare) {
    TAsyncSocket Socket;
    timeval Pair{3, 500};
    const timeval Same{3, 500};
    const timeval Other{3, 501};
    EXPECT_TRUE(Socket.TimerIsSet(Pair));
    EXPECT_TRUE(Socket.TimerIsSet(timeval{0, 1}));
    EXPECT_TRUE(Socket.TimerCmp(Pair, Same, true));
    EXPECT_FALSE(Socket.TimerCmp(Pair, Same, false));
    EXPECT_TRUE(Socket.TimerCmp(Pair, Other, false));
    Socket.TimerClear(Pair);
    EXPECT_FALSE(Socket.TimerIsSet(Pair));
}

} // namespace
