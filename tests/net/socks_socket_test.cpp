#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "net/socket_errors.h"
#include "net/socks_socket.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/dante_server.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/scripted_server.h"

using nettest::MessageOf;
using testsupport::TScriptedServer;
using testsupport::WaitUntil;

namespace {

using Log = std::vector<std::string>;
using TScript = TScriptedServer::TScript;
using namespace std::string_literals;

constexpr char TargetHost[] = "target.test";
// Port 80 in network order.
const std::string TargetPort = "\x00\x50"s;
const std::string Socks5Offer = "\x05\x01\x00"s;
const std::string Socks5UserOffer = "\x05\x01\x02"s;
const std::string Socks5Request = "\x05\x01\x00\x03\x0b"s + TargetHost + TargetPort;
// Succeeded, bound to 127.0.0.1:8080.
const std::string Socks5Granted = "\x05\x00\x00\x01\x7f\x00\x00\x01\x1f\x90"s;
const std::string Socks4Granted = "\x00\x5a\x1f\x90\x7f\x00\x00\x01"s;
// ::1 as SOCKS 5 carries an IPv6 address (type 4).
const std::string Ipv6Loopback = "\x04"s + std::string(15, '\0') + "\x01"s;
// Succeeded, bound to [::1]:8080.
const std::string Socks5GrantedIpv6 = "\x05\x00\x00"s + Ipv6Loopback + "\x1f\x90"s;

TScript Exchange(const std::vector<std::pair<std::string, std::string>>& Steps) {
    TScript Script;
    for (const auto& [Expected, Answer] : Steps) {
        Script.push_back(TScriptedServer::Expect(Expected));
        if (!Answer.empty())
            Script.push_back(TScriptedServer::Send(Answer));
    }
    return Script;
}

struct TSettings {
    std::string Level = "5";
    std::string User;
    std::string Password;
    bool Authenticate = false;
    std::string Addr = TargetHost;
};

// A socket that connects to a scripted SOCKS peer, with every event recorded.
class SocksSocketTest : public testing::Test {
protected:
    nettest::TEventLog Events;
    TSocksSocket Socket;

    void SetUp() override {
        Events.Attach(Socket);
        Socket.OnSocksConnected = [this](TCustomAsyncSocket*, std::uint16_t Error) {
            Events.Entries.push_back("socks connected " + std::to_string(Error));
        };
        Socket.OnSocksError = [this](TCustomAsyncSocket*, std::int32_t Error,
                                     const std::string& Msg) {
            Events.Entries.push_back("socks error " + std::to_string(Error) + " " + Msg);
        };
        Socket.OnSocksAuthState = [this](TCustomAsyncSocket*, TSocksAuthState State) {
            static const char* const Names[] = {"start", "success", "failure", "not required"};
            Events.Entries.push_back(std::string("auth ") + Names[State]);
        };
    }

    void Start(const TScriptedServer& Proxy, const TSettings& Settings = {}) {
        Socket.SetSocksServer(" 127.0.0.1 ");
        Socket.SetSocksPort(Proxy.PortStr());
        Socket.SetSocksLevel(Settings.Level);
        Socket.SetSocksUsercode(Settings.User);
        Socket.SetSocksPassword(Settings.Password);
        Socket.SetSocksAuthentication(Settings.Authenticate ? socksAuthenticateUsercode
                                                            : socksNoAuthentication);
        Socket.SetAddr(Settings.Addr);
        Socket.SetPort("80");
        Socket.Connect();
    }

    bool WaitClosed() {
        return WaitUntil([&] { return Socket.State() == wsClosed; });
    }

    // Events after the connection to the proxy was established.
    Log Negotiation() const {
        const auto Begin =
            std::find(Events.Entries.begin(), Events.Entries.end(), "state Connecting>Connected");
        return Begin == Events.Entries.end() ? Log{} : Log(Begin + 1, Events.Entries.end());
    }
};

// A case's name as a test name: its words joined, each starting upper-case.
std::string CaseName(const std::string& Name) {
    std::string Result;
    bool WordStart = true;
    for (const char C : Name) {
        if (std::isalnum(static_cast<unsigned char>(C)) == 0) {
            WordStart = true;
            continue;
        }
        Result += WordStart ? static_cast<char>(std::toupper(static_cast<unsigned char>(C))) : C;
        WordStart = false;
    }
    return Result;
}

template <class TCase> std::string CaseName(const testing::TestParamInfo<TCase>& Info) {
    return CaseName(Info.param.Name);
}

struct TNegotiationCase {
    std::string Name;
    TSettings Settings;
    std::vector<std::pair<std::string, std::string>> Steps;
    Log AuthEvents;
};

std::vector<TNegotiationCase> NegotiationCases() {
    const std::string User = "user", Password = "secret";
    const std::string LongHost(121, 'h'); // fills the 128-byte SOCKS 5 request exactly
    return {
        {"SOCKS 5", {}, {{Socks5Offer, "\x05\x00"s}, {Socks5Request, Socks5Granted}}, {}},
        {"SOCKS 5 with password",
         {"5", User, Password, true},
         {{Socks5UserOffer, "\x05\x02"s},
          {"\x01\x04user\x06secret"s, "\x01\x00"s},
          {Socks5Request, Socks5Granted}},
         {"auth start", "auth success"}},
        {"SOCKS 5 password not required",
         {"5", User, Password, true},
         {{Socks5UserOffer, "\x05\x00"s}, {Socks5Request, Socks5Granted}},
         {"auth not required"}},
        {"SOCKS 5 longest host",
         {"5", "", "", false, LongHost},
         {{Socks5Offer, "\x05\x00"s},
          {"\x05\x01\x00\x03\x79"s + LongHost + TargetPort, Socks5Granted}},
         {}},
        {"SOCKS 5 IPv6 target",
         {"5", "", "", false, "::1"},
         {{Socks5Offer, "\x05\x00"s},
          {"\x05\x01\x00"s + Ipv6Loopback + TargetPort, Socks5GrantedIpv6}},
         {}},
        {"SOCKS 4",
         {"4", User, "", false, "10.1.2.3"},
         {{"\x04\x01"s + TargetPort + "\x0a\x01\x02\x03user\x00"s, Socks4Granted}},
         {}},
        {"SOCKS 4A",
         {"4a", User, "", false, TargetHost},
         {{"\x04\x01"s + TargetPort + "\x00\x00\x00\x01user\x00"s + TargetHost + '\0',
           Socks4Granted}},
         {}},
    };
}

class SocksNegotiation : public SocksSocketTest,
                         public testing::WithParamInterface<TNegotiationCase> {};

TEST_P(SocksNegotiation, SendsTheExactRequestsThenCarriesData) {
    const TNegotiationCase& C = GetParam();
    TScript Script = Exchange(C.Steps);
    Script.push_back(TScriptedServer::Expect("ping"));
    Script.push_back(TScriptedServer::Send("pong"));
    TScriptedServer Proxy({Script});
    std::string Data;
    nettest::Collect(Socket, Data);
    Socket.OnSessionConnected = [this](TCustomAsyncSocket* Sender, std::uint16_t Error) {
        Events.Entries.push_back("connected " + std::to_string(Error));
        Sender->SendStr("ping");
    };
    Start(Proxy, C.Settings);
    ASSERT_TRUE(WaitUntil([&] { return Data == "pong" || Socket.State() == wsClosed; }));
    EXPECT_EQ(Proxy.Failure(), "");
    EXPECT_EQ(Data, "pong");
    EXPECT_EQ(Socket.SocksState(), socksData);
    // The negotiation's own sends raise no OnDataSent.
    Log Expected{"socks connected 0"};
    Expected.insert(Expected.end(), C.AuthEvents.begin(), C.AuthEvents.end());
    Expected.push_back("connected 0");
    const Log Got = Negotiation();
    ASSERT_GE(Got.size(), Expected.size());
    EXPECT_EQ(Log(Got.begin(), Got.begin() + static_cast<std::ptrdiff_t>(Expected.size())),
              Expected);
    Socket.Close();
    EXPECT_EQ(Socket.SocksServer(), "");
    EXPECT_EQ(Socket.SocksLevel(), "5");
}

INSTANTIATE_TEST_SUITE_P(EveryLevel, SocksNegotiation, testing::ValuesIn(NegotiationCases()),
                         CaseName<TNegotiationCase>);

struct TFailureCase {
    std::string Name;
    TSettings Settings;
    TScript Script;
    int Number;
    std::string Text;
    bool PeerClose = false; // the peer's close comes before the state change
};

std::vector<TFailureCase> FailureCases() {
    const std::string Offer = Socks5Offer;
    const std::string Socks4Request = "\x04\x01"s + TargetPort + "\x0a\x01\x02\x03\x00"s;
    const std::string TooLongName(257, 'n'); // refused by the host conversion at once
    std::vector<TFailureCase> Cases;
    const TSettings Socks4{"4", "", "", false, "10.1.2.3"};
    const struct {
        bool Socks5;
        int Code;
        int Number;
        const char* Text;
    } ReplyCodes[] = {
        {true, 1, 20004, "general SOCKS server failure"},
        {true, 2, 20005, "connection not allowed by ruleset"},
        {true, 3, 20006, "network unreachable"},
        {true, 4, 20007, "host unreachable"},
        {true, 5, 20008, "connection refused"},
        {true, 6, 20009, "time to live expired"},
        {true, 7, 20010, "command not supported"},
        {true, 8, 20011, "address type not supported"},
        {true, 9, 20012, "unassigned error #9"},
        {false, 91, 20016, "request rejected or failed"},
        {false, 92, 20008, "connection refused"},
        {false, 93, 20015, "authentification failed"},
        {false, 94, 20012, "unassigned error #94"},
    };
    for (const auto& R : ReplyCodes) {
        const std::string Code(1, static_cast<char>(R.Code));
        Cases.push_back(
            {(R.Socks5 ? "SOCKS 5 reply " : "SOCKS 4 reply ") + std::to_string(R.Code),
             R.Socks5 ? TSettings{} : Socks4,
             R.Socks5
                 ? Exchange({{Offer, "\x05\x00"s}, {Socks5Request, "\x05"s + Code + "\x00\x01"s}})
                 : Exchange({{Socks4Request, "\x00"s + Code + "\x00\x00\x00\x00\x00\x00"s}}),
             R.Number, R.Text});
    }
    Cases.push_back({"SOCKS 4 reply version", Socks4,
                     Exchange({{Socks4Request, "\x04\x5a\x00\x00\x00\x00\x00\x00"s}}), 20002,
                     "socks version error"});
    Cases.push_back({"method reply version",
                     {},
                     Exchange({{Offer, "\x04\x00"s}}),
                     20002,
                     "socks version error"});
    Cases.push_back({"no acceptable method",
                     {},
                     Exchange({{Offer, "\x05\xff"s}}),
                     20003,
                     "authentification method not acceptable"});
    Cases.push_back({"connect reply version",
                     {},
                     Exchange({{Offer, "\x05\x00"s}, {Socks5Request, "\x04\x00"s}}),
                     20002,
                     "socks version error"});
    Cases.push_back({"bound address type",
                     {},
                     Exchange({{Offer, "\x05\x00"s}, {Socks5Request, "\x05\x00\x00\x09\x00"s}}),
                     20011,
                     "address type not supported"});
    const TSettings WithPassword{"5", "user", "pw", true};
    const std::string Login = "\x01\x04user\x02pw"s;
    Cases.push_back({"password refused", WithPassword,
                     Exchange({{Socks5UserOffer, "\x05\x02"s}, {Login, "\x01\x01"s}}), 20015,
                     "socks authentication failed"});
    Cases.push_back({"password reply version", WithPassword,
                     Exchange({{Socks5UserOffer, "\x05\x02"s}, {Login, "\x05\x00"s}}), 20002,
                     "socks version error"});
    Cases.push_back({"password reply too long", WithPassword,
                     Exchange({{Socks5UserOffer, "\x05\x02"s}, {Login, "\x01\x00\x00"s}}), 20001,
                     "too much data availaible"});
    Cases.push_back(
        {"SOCKS 4 target not convertible",
         {"4", "", "", false, TooLongName},
         {TScriptedServer::Drain()},
         20017,
         "ESocketException SocketResolveHost: '" + TooLongName + "' Invalid Hostname."});
    // The proxy goes away in the middle: an orderly close is "connection aborted".
    Cases.push_back({"proxy closes",
                     {},
                     {TScriptedServer::Expect(Offer), TScriptedServer::Close()},
                     10053,
                     "socks server closed the connection",
                     true});
    Cases.push_back({"proxy resets",
                     {},
                     Exchange({{Offer, "\x05\x00"s}, {Socks5Request, "\x05"s}}),
                     10054,
                     "socks server closed the connection",
                     true});
    Cases.back().Script.push_back(TScriptedServer::Reset());

    return Cases;
}

class SocksFailure : public SocksSocketTest, public testing::WithParamInterface<TFailureCase> {};

TEST_P(SocksFailure, IsReportedThreeWaysOnce) {
    const TFailureCase& C = GetParam();
    TScriptedServer Proxy({C.Script});
    Start(Proxy, C.Settings);
    ASSERT_TRUE(WaitClosed());
    const std::string N = std::to_string(C.Number);
    Log Got = Negotiation();
    // The authentication's own progress is not what this table checks.
    std::erase_if(Got, [](const std::string& E) { return E.rfind("auth ", 0) == 0; });
    Log Expected{"socks connected 0", "socks error " + N + " " + C.Text, "connected " + N,
                 "state Connected>Closed", "closed " + N};
    if (C.PeerClose)
        std::swap(Expected[3], Expected[4]);
    EXPECT_EQ(Got, Expected);
}

INSTANTIATE_TEST_SUITE_P(Every, SocksFailure, testing::ValuesIn(FailureCases()),
                         CaseName<TFailureCase>);

struct TUnsendableCase {
    std::string Name;
    TSettings Settings;
    TScript Script; // what the proxy sees before the client gives up
    std::string Sent;
    int Number = 20018;
    std::string Text = "socks request field too long";
};

std::vector<TUnsendableCase> UnsendableCases() {
    const std::string Long120(120, 'u');
    const std::string Ipv6Refused = "address type not supported by SOCKS 4";
    return {
        {"SOCKS 5 host",
         {"5", "", "", false, std::string(122, 'h')},
         Exchange({{Socks5Offer, "\x05\x00"s}}),
         Socks5Offer},
        {"SOCKS 4 user code", {"4", Long120, "", false, "10.1.2.3"}, {}, ""},
        {"SOCKS 4A host", {"4A", "u", "", false, std::string(118, 'h')}, {}, ""},
        {"password",
         {"5", Long120, "123456", true},
         Exchange({{Socks5UserOffer, "\x05\x02"s}}),
         Socks5UserOffer},
        {"SOCKS 4 IPv6 target", {"4", "", "", false, "::1"}, {}, "", 20019, Ipv6Refused},
        {"SOCKS 4A IPv6 target", {"4A", "", "", false, "::1"}, {}, "", 20019, Ipv6Refused},
    };
}

class SocksUnsendable : public SocksSocketTest,
                        public testing::WithParamInterface<TUnsendableCase> {};

TEST_P(SocksUnsendable, RequestEndsTheSessionUnsent) {
    const TUnsendableCase& C = GetParam();
    TScript Script = C.Script;
    Script.push_back(TScriptedServer::Drain());
    TScriptedServer Proxy({Script});
    Start(Proxy, C.Settings);
    ASSERT_TRUE(WaitClosed());
    ASSERT_TRUE(WaitUntil([&] { return Proxy.Done(); }));
    EXPECT_EQ(Proxy.Received(0), C.Sent);
    const std::string N = std::to_string(C.Number);
    Log Got = Negotiation();
    std::erase_if(Got, [](const std::string& E) { return E.rfind("auth ", 0) == 0; });
    EXPECT_EQ(Got, (Log{"socks connected 0", "socks error " + N + " " + C.Text, "connected " + N,
                        "state Connected>Closed", "closed " + N}));
}

INSTANTIATE_TEST_SUITE_P(Every, SocksUnsendable, testing::ValuesIn(UnsendableCases()),
                         CaseName<TUnsendableCase>);

TEST_F(SocksSocketTest, SplitReplyAndDataBehindItReachTheApplicationInOrder) {
    // The bound address comes as a name, the reply in three packets, and the
    // application's first bytes in the same packet as its end.
    TScriptedServer Proxy(
        {{TScriptedServer::Expect(Socks5Offer), TScriptedServer::Send("\x05"),
          TScriptedServer::Pause(std::chrono::milliseconds(30)), TScriptedServer::Send("\x00"s),
          TScriptedServer::Expect(Socks5Request), TScriptedServer::Send("\x05\x00\x00\x03\x05"s),
          TScriptedServer::Pause(std::chrono::milliseconds(30)),
          TScriptedServer::Send("bound\x1f\x90HTTP/1.0 200 OK\r\n"s),
          TScriptedServer::Pause(std::chrono::milliseconds(30)),
          TScriptedServer::Send("Server: x\r\n"), TScriptedServer::Close()}});
    std::vector<std::string> Reads;
    std::int32_t CountOnConnect = -1;
    Socket.OnSessionConnected = [&](TCustomAsyncSocket* Sender, std::uint16_t Error) {
        Events.Entries.push_back("connected " + std::to_string(Error));
        CountOnConnect = Sender->RcvdCount();
    };
    Socket.OnDataAvailable = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        char Buffer[8]; // smaller than the leftover: it is handed out in pieces
        const int N = Sender->Receive(Buffer, sizeof Buffer);
        if (N > 0)
            Reads.emplace_back(Buffer, static_cast<std::size_t>(N));
    };
    Start(Proxy);
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(Proxy.Failure(), "");
    EXPECT_EQ(CountOnConnect, 17);
    ASSERT_GE(Reads.size(), 3u);
    EXPECT_EQ(Reads[0], "HTTP/1.0");
    std::string All;
    for (const std::string& R : Reads)
        All += R;
    EXPECT_EQ(All, "HTTP/1.0 200 OK\r\nServer: x\r\n");
}

TEST_F(SocksSocketTest, LocalCloseDuringNegotiationEndsLikeACloseWhileConnecting) {
    TScriptedServer Proxy({{TScriptedServer::Expect(Socks5Offer), TScriptedServer::Drain()}});
    Start(Proxy);
    ASSERT_TRUE(WaitUntil([&] { return Proxy.Received(0) == Socks5Offer; }));
    Socket.Close();
    EXPECT_EQ(Negotiation(), (Log{"socks connected 0", "state Connected>Closed", "closed 0"}));
}

TEST(SocksThroughDante, Socks5ReachesAnIpv6Target) {
    if (testsupport::TDanteServer::Executable().isEmpty())
        GTEST_SKIP() << "dante-server is not installed";
    if (!testsupport::HasIpv6Loopback())
        GTEST_SKIP() << "this machine has no IPv6 loopback";
    const testsupport::TDanteServer Dante;
    ASSERT_TRUE(Dante.Running()) << Dante.Log();
    TScriptedServer Target({{TScriptedServer::Expect("ping"), TScriptedServer::Send("pong")}},
                           "::1");
    TSocksSocket Socket;
    std::string Got;
    nettest::Collect(Socket, Got);
    Socket.OnSessionConnected = [](TCustomAsyncSocket* Sender, std::uint16_t Error) {
        if (Error == 0)
            Sender->SendStr("ping");
    };
    Socket.SetSocksServer("127.0.0.1");
    Socket.SetSocksPort(std::to_string(Dante.Port()));
    Socket.SetAddr("::1");
    Socket.SetPort(Target.PortStr());
    Socket.Connect();
    ASSERT_TRUE(WaitUntil([&] { return Got == "pong" || Socket.State() == wsClosed; }));
    EXPECT_EQ(Got, "pong");
    EXPECT_EQ(Target.Failure(), "");
}

TEST(SocksErrorNumbers, AreNoSocketErrors) {
    for (int Number = 20001; Number <= 20019; ++Number)
        EXPECT_EQ(SocketErrorDesc(Number), "Not a WinSock error") << Number;
}

TEST_F(SocksSocketTest, SettingsAreGuardedAndLastOneSession) {
    EXPECT_EQ(MessageOf([&] { Socket.SetSocksLevel("6"); }),
              "Invalid socks level. Must be 4, 4A or 5.");
    Socket.SetSocksServer("127.0.0.1");
    Socket.SetPort("80");
    Socket.SetAddr("127.0.0.1");
    EXPECT_EQ(MessageOf([&] { Socket.Listen(); }), "Listening is not supported thru socks server");
    Socket.SetProto("udp");
    EXPECT_EQ(MessageOf([&] { Socket.Connect(); }),
              "tcp is the only protocol supported thru socks server");
    Socket.SetProto("tcp");
    EXPECT_EQ(MessageOf([&] { Socket.Connect(); }), "connect: SocketResolvePort: Invalid Port.");

    TScriptedServer Proxy({{TScriptedServer::Drain()}});
    Start(Proxy);
    EXPECT_EQ(MessageOf([&] { Socket.SetSocksServer("x"); }),
              "Can't change socks server if not closed");
    EXPECT_EQ(MessageOf([&] { Socket.SetSocksPort("1"); }),
              "Can't change socks port if not closed");
    EXPECT_EQ(MessageOf([&] { Socket.SetSocksLevel("4"); }),
              "Can't change socks level if not closed");
    EXPECT_EQ(Socket.SocksServer(), "127.0.0.1");
    Socket.Close();
    EXPECT_EQ(Socket.SocksServer(), "");
    EXPECT_EQ(Socket.SocksPort(), "");
    EXPECT_EQ(Socket.SocksLevel(), "5");
}

} // namespace
