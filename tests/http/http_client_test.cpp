#include <gtest/gtest.h>

#include <QBuffer>
#include <QElapsedTimer>

#include <functional>
#include <future>
#include <map>
#include <optional>

#include "http/http_client.h"
#include "net/async_socket.h"
#include "net/resolver.h"
#include "tests/support/event_wait.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/scripted_server.h"

namespace {

using testsupport::Answer;
using testsupport::TScriptedServer;
using TScript = TScriptedServer::TScript;

constexpr char kAccept[] = "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
constexpr char kOk[] = "HTTP/1.0 200 OK\r\n\r\n";
// A name whose first address never answers is answered through the second
// within this time.
constexpr qint64 kSecondAnswersWithinMs = 300;

TScriptedServer::TStep RequestHeader() {
    return TScriptedServer::ExpectUntil("\r\n\r\n");
}

std::string Redirect(const std::string& location, const std::string& status = "302 Found") {
    return "HTTP/1.0 " + status + "\r\nLocation: " + location + "\r\n\r\n";
}

// Waits until the server has played every script without a fault.
testing::AssertionResult Served(const TScriptedServer& Server) {
    if (!testsupport::WaitUntil([&] { return Server.Done(); }))
        return testing::AssertionFailure() << "server not done";
    if (!Server.Failure().empty())
        return testing::AssertionFailure() << Server.Failure();
    return testing::AssertionSuccess();
}

// `Start` must raise EHttpException with `Reason` and `Code`.
template <typename TStart> void ExpectRaise(TStart Start, const std::string& Reason, int Code) {
    try {
        Start();
        ADD_FAILURE() << "did not raise";
    } catch (const EHttpException& e) {
        EXPECT_EQ(e.what(), Reason);
        EXPECT_EQ(e.ErrorCode(), Code);
    }
}

class HttpClientTest : public ::testing::Test {
protected:
    HttpClientTest() {
        Client.SetAgent("Agent/1");
        Client.OnRequestDone = [this](THttpClient*, THttpRequest Rq, std::uint16_t Error) {
            ++DoneCount;
            DoneType = Rq;
            DoneError = Error;
        };
    }

    // Waits for the end of the running request, OnRequestDone included.
    bool WaitDone() {
        return testsupport::WaitUntil([this] { return DoneCount > 0; });
    }

    void HeadAndWait(const std::string& Url) {
        DoneCount = 0;
        Client.SetURL(Url);
        Client.HeadASync();
        ASSERT_TRUE(WaitDone());
        EXPECT_EQ(Client.State(), THttpState::httpReady);
    }

    // Head must raise with `Reason` and status 404, and leave the client ready.
    void ExpectHeadFails(const std::string& Reason) {
        DoneCount = 0;
        ExpectRaise([this] { Client.Head(); }, Reason, 404);
        EXPECT_EQ(Client.State(), THttpState::httpReady);
        ASSERT_TRUE(WaitDone());
    }

    void ExpectAborted() {
        EXPECT_EQ(Client.State(), THttpState::httpReady);
        ASSERT_TRUE(WaitDone());
        EXPECT_EQ(DoneError, http_errors::kAborted);
        EXPECT_EQ(Client.StatusCode(), 404);
        EXPECT_EQ(Client.ReasonPhrase(), "Connection aborted on request");
    }

    // Notes the client's events, each with a blank after it, into Events.
    void RecordEvents() {
        auto note = [this](const char* Name) {
            return [this, Name](THttpClient*) { Events += std::string(Name) + " "; };
        };
        Client.OnStateChange = [this](THttpClient* Sender) {
            Events += "State" + std::to_string(static_cast<int>(Sender->State())) + " ";
        };
        Client.OnSessionConnected = note("SessionConnected");
        Client.OnRequestHeaderBegin = note("RequestHeaderBegin");
        Client.OnRequestHeaderEnd = note("RequestHeaderEnd");
        Client.OnCommand = [this](THttpClient*, std::string& Line) {
            Events += "Command:" + Line.substr(0, 4) + " ";
        };
        Client.OnHeaderBegin = note("HeaderBegin");
        Client.OnHeaderData = note("HeaderData");
        Client.OnHeaderEnd = note("HeaderEnd");
        Client.OnDocBegin = note("DocBegin");
        Client.OnDocEnd = note("DocEnd");
        Client.OnRequestDone = [this](THttpClient*, THttpRequest Rq, std::uint16_t Error) {
            Events +=
                "RequestDone" + std::to_string(static_cast<int>(Rq)) + "/" + std::to_string(Error);
            ++DoneCount;
        };
    }

    THttpClient Client;
    std::string Events;
    int DoneCount = 0;
    THttpRequest DoneType = THttpRequest::httpAbort;
    std::uint16_t DoneError = 0xFFFF;
};

// --- request bytes ---------------------------------------------------------------

struct TRequestCase {
    std::string name;
    THttpRequest request;
    std::string url; // "127.0.0.1:<port>" goes before one starting with "/" or empty
    std::function<void(THttpClient&)> configure;
    std::string expected; // the body "a=1&b=2" follows for POST
};

void PrintTo(const TRequestCase& c, std::ostream* os) {
    *os << c.name;
}

class RequestBytesTest : public HttpClientTest,
                         public ::testing::WithParamInterface<TRequestCase> {};

TEST_P(RequestBytesTest, ServerSeesExactBytes) {
    const TRequestCase& c = GetParam();
    const bool post = c.request == THttpRequest::httpPOST;
    const std::string body = "a=1&b=2";
    TScript script = {RequestHeader()};
    if (post)
        script.push_back(TScriptedServer::ExpectCount(body.size()));
    script.push_back(TScriptedServer::Send(kOk));
    TScriptedServer server({script});

    const bool direct = c.url.empty() || c.url[0] == '/';
    Client.SetProxy(direct ? "" : "127.0.0.1:" + server.PortStr());
    Client.SetURL(direct ? "127.0.0.1:" + server.PortStr() + c.url : c.url);
    Client.SetPassword("secret");
    Client.SetProxyPassword("pp");
    QBuffer postBody; // set for every request: only POST sends it
    postBody.setData(body.c_str());
    postBody.open(QIODevice::ReadOnly);
    Client.SetSendStream(&postBody);
    if (c.configure)
        c.configure(Client);

    if (c.request == THttpRequest::httpGET)
        Client.Get();
    else if (post)
        Client.Post();
    else
        Client.Head();
    ASSERT_TRUE(Served(server));
    std::string expected = c.expected;
    if (const auto port = expected.find("{port}"); port != std::string::npos)
        expected.replace(port, 6, server.PortStr());
    EXPECT_EQ(server.Received(0), expected + (post ? body : ""));
}

// The server's port is not the default: Host names it.
const std::string kAgentAndLocalHost = "User-Agent: Agent/1\r\nHost: 127.0.0.1:{port}\r\n";
const std::string kAgentAndTestHost = "User-Agent: Agent/1\r\nHost: example.test\r\n";
const std::string kPostType = "Content-Type: application/x-www-form-urlencoded\r\n";

INSTANTIATE_TEST_SUITE_P(
    Requests, RequestBytesTest,
    ::testing::Values(
        // Proxy credentials are never sent without a proxy.
        TRequestCase{"Head", THttpRequest::httpHEAD, "/a/b?x",
                     [](THttpClient& C) { C.SetProxyUsername("pu"); },
                     "HEAD /a/b?x HTTP/1.0\r\n" + std::string(kAccept) + kAgentAndLocalHost +
                         "\r\n"},
        // A kept connection asks for it; a body to read stays on HTTP/1.0,
        // which no answer sends in chunks, and a proxy is never asked.
        TRequestCase{"HeadKeptAlive", THttpRequest::httpHEAD, "/a",
                     [](THttpClient& C) { C.SetKeepAlive(true); },
                     "HEAD /a HTTP/1.1\r\n" + std::string(kAccept) + kAgentAndLocalHost +
                         "Connection: keep-alive\r\n\r\n"},
        TRequestCase{"GetKeptAlive", THttpRequest::httpGET, "",
                     [](THttpClient& C) { C.SetKeepAlive(true); },
                     "GET / HTTP/1.0\r\n" + std::string(kAccept) + kAgentAndLocalHost +
                         "Connection: keep-alive\r\n\r\n"},
        TRequestCase{"HeadThroughProxyKeptAlive", THttpRequest::httpHEAD, "http://example.test/",
                     [](THttpClient& C) { C.SetKeepAlive(true); },
                     "HEAD http://example.test/ HTTP/1.0\r\n" + std::string(kAccept) +
                         kAgentAndTestHost + "\r\n"},
        TRequestCase{"GetWithoutPath", THttpRequest::httpGET, "", nullptr,
                     "GET / HTTP/1.0\r\n" + std::string(kAccept) + kAgentAndLocalHost + "\r\n"},
        TRequestCase{"PostWithCredentials", THttpRequest::httpPOST, "/form",
                     [](THttpClient& C) { C.SetUsername("user"); },
                     "POST /form HTTP/1.0\r\n" + std::string(kAccept) + kPostType +
                         kAgentAndLocalHost +
                         "Content-Length: 7\r\nAuthorization: Basic dXNlcjpzZWNyZXQ=\r\n\r\n"},
        // Empty values leave their lines out.
        TRequestCase{"PostWithoutOptionalValues", THttpRequest::httpPOST, "/",
                     [](THttpClient& C) {
                         C.SetAccept("");
                         C.SetAgent("");
                         C.SetContentTypePost("");
                         C.SetContentRangeEnd("199");
                     },
                     "POST / HTTP/1.0\r\nHost: 127.0.0.1:{port}\r\nContent-Length: 7\r\n"
                     "Range: bytes=-199\r\n\r\n"},
        TRequestCase{"HeadThroughProxy", THttpRequest::httpHEAD, "http://example.test:8080/a?b",
                     [](THttpClient& C) { C.SetProxyUsername("pu"); },
                     "HEAD http://example.test:8080/a?b HTTP/1.0\r\n" + std::string(kAccept) +
                         "User-Agent: Agent/1\r\nHost: example.test:8080\r\n"
                         "Proxy-Authorization: Basic cHU6cHA=\r\n\r\n"},
        TRequestCase{"GetThroughProxyWithCredentials", THttpRequest::httpGET, "example.test/cgi",
                     [](THttpClient& C) { C.SetUsername("u"); },
                     "GET http://example.test/cgi HTTP/1.0\r\n" + std::string(kAccept) +
                         kAgentAndTestHost + "Authorization: Basic dTpzZWNyZXQ=\r\n\r\n"},
        TRequestCase{
            "PostThroughProxyWithEveryOptionalLine", THttpRequest::httpPOST, "example.test/cgi",
            [](THttpClient& C) {
                C.SetSender("me@host");
                C.SetReference("http://ref/");
                C.SetNoCache(true);
                C.SetModifiedSince(34644.0 + (8 * 3600 + 49 * 60 + 37) / 86400.0);
                C.SetUsername("user");
                C.SetPassword("");
                C.SetProxyUsername("pu");
                C.SetCookie("a=b");
                C.SetContentRangeBegin("100");
            },
            "POST http://example.test/cgi HTTP/1.0\r\nFrom: me@host\r\n" + std::string(kAccept) +
                "Referer: http://ref/\r\n" + kPostType + kAgentAndTestHost +
                "Pragma: no-cache\r\nContent-Length: 7\r\n"
                "If-Modified-Since: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
                "Authorization: Basic dXNlcjo=\r\nProxy-Authorization: Basic cHU6cHA=\r\n"
                "Cookie: a=b\r\nRange: bytes=100-\r\n\r\n"}),
    [](const auto& info) { return info.param.name; });

TEST_F(HttpClientTest, OnCommandChangesAndEmptiesLines) {
    TScriptedServer server({Answer(kOk)});
    Client.OnCommand = [](THttpClient*, std::string& Line) {
        if (Line.rfind("User-Agent:", 0) == 0)
            Line.clear();
        else if (Line.rfind("Accept:", 0) == 0)
            Line = "Accept: */*";
    };
    HeadAndWait(server.Url());
    ASSERT_TRUE(Served(server));
    // The emptied line ends the header early; the Host line follows it.
    EXPECT_EQ(server.Received(0).substr(0, 35), "HEAD / HTTP/1.0\r\nAccept: */*\r\n\r\nHos");
}

// Credentials written into the URL replace the configured ones for one request.
TEST_F(HttpClientTest, UrlCredentialsServeOneRequestOnly) {
    TScriptedServer server({Answer(kOk), Answer(kOk)});
    Client.SetUsername("user");
    Client.SetPassword("secret");
    HeadAndWait("http://bob:@127.0.0.1:" + server.PortStr() + "/");
    HeadAndWait(server.Url());
    ASSERT_TRUE(Served(server));
    EXPECT_NE(server.Received(0).find("\r\nAuthorization: Basic Ym9iOg==\r\n\r\n"),
              std::string::npos);
    EXPECT_NE(server.Received(1).find("\r\nAuthorization: Basic dXNlcjpzZWNyZXQ=\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(Client.Username(), "user");
}

// --- events and parsing -------------------------------------------------------------

// The order is the same whether the server closes after its answer or keeps
// the connection open; an interim answer adds only its lines.
TEST_F(HttpClientTest, HeadRaisesEventsInOrder) {
    const std::string answer = "HTTP/1.0 200 OK\r\nServer: x\r\n\r\n";
    const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
    const struct {
        const char* Name;
        TScript Script;
        const char* HeaderEvents;
    } cases[] = {
        {"closed", Answer(answer), "HeaderBegin HeaderData HeaderData"},
        {"kept open",
         {RequestHeader(), TScriptedServer::Send(answer), TScriptedServer::WaitGate(1)},
         "HeaderBegin HeaderData HeaderData"},
        {"interim first", Answer(interim + answer), "HeaderBegin HeaderData HeaderData HeaderData"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TScriptedServer server({c.Script});
        Events.clear();
        RecordEvents();
        HeadAndWait(server.Url());
        // States: 1 not connected, 3 lookup, 4 lookup done, 2 connected,
        // 5 waiting header, 6 waiting body, 0 ready; request 3 is HEAD.
        EXPECT_EQ(Events, "State1 State3 State4 State2 SessionConnected State5 "
                          "RequestHeaderBegin Command:HEAD Command:Acce Command:User "
                          "Command:Host RequestHeaderEnd Command: " +
                              std::string(c.HeaderEvents) +
                              " State6 HeaderEnd State0 RequestDone3/0");
        EXPECT_EQ(Client.StatusCode(), 200);
    }
}

// --- what handlers may do -----------------------------------------------------------

// The handler is called through a copy: clearing its own event inside it frees
// nothing it still runs on, and the request goes on.
TEST_F(HttpClientTest, StateChangeHandlerMayClearItsOwnEvent) {
    TScriptedServer server({Answer(kOk)});
    std::vector<std::string> seen;
    Client.OnStateChange = [&seen, tag = std::string("state ")](THttpClient* Sender) {
        Sender->OnStateChange = nullptr;
        seen.push_back(tag + std::to_string(static_cast<int>(Sender->State())));
    };
    HeadAndWait(server.Url());
    ASSERT_TRUE(Served(server));
    EXPECT_EQ(seen, std::vector<std::string>{"state 1"});
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(DoneError, 0);
}

// A request started once the client is ready again runs, and the request that
// ended still reports its own kind and error.
TEST_F(HttpClientTest, NextRequestMayStartOnTheChangeToReady) {
    const std::string refusedPort = TScriptedServer({}).PortStr(); // closed again at once
    TScriptedServer server({Answer(kOk)});
    std::vector<std::pair<THttpRequest, std::uint16_t>> done;
    Client.OnRequestDone = [&done](THttpClient*, THttpRequest Rq, std::uint16_t Error) {
        done.emplace_back(Rq, Error);
    };
    Client.OnStateChange = [&server](THttpClient* Sender) {
        if (Sender->State() != THttpState::httpReady ||
            Sender->RequestType() == THttpRequest::httpGET)
            return;
        Sender->SetURL(server.Url());
        Sender->GetASync();
    };
    Client.SetURL("http://127.0.0.1:" + refusedPort + "/");
    Client.HeadASync();
    ASSERT_TRUE(testsupport::WaitUntil([&done] { return done.size() == 2; }));
    EXPECT_TRUE(Served(server));
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(done, (std::vector<std::pair<THttpRequest, std::uint16_t>>{
                        {THttpRequest::httpHEAD, 10061}, {THttpRequest::httpGET, 0}}));
}

// Each case: a request and the handler of one event that acts (deletes the
// client, or aborts) the first time it runs.
struct THandlerCase {
    std::string name;
    THttpRequest request;
    std::vector<std::string> answers; // one per hop
    std::function<void(THttpClient&, const THttpNotifyEvent& Act)> hook;
    bool kept = false; // every hop over one kept connection
};

void PrintTo(const THandlerCase& c, std::ostream* os) {
    *os << c.name;
}

// One exchange after the other on a connection that stays open.
TScript Exchanges(const std::vector<std::string>& Answers) {
    TScript script;
    for (const std::string& answer : Answers) {
        script.push_back(RequestHeader());
        script.push_back(TScriptedServer::Send(answer));
    }
    return script;
}

TScriptedServer ServerFor(const THandlerCase& c) {
    std::vector<TScript> scripts;
    if (c.kept)
        scripts.push_back(Exchanges(c.answers));
    else
        for (const std::string& answer : c.answers)
            scripts.push_back(Answer(answer));
    return TScriptedServer(scripts);
}

// Sets the client up for the case: the address, the body to post and the
// kept connection.
void Prepare(THttpClient& Client, QBuffer& Body, const std::string& Url, const THandlerCase& c) {
    Body.setData("a=1");
    Body.open(QIODevice::ReadOnly);
    Client.SetSendStream(&Body);
    Client.SetURL(Url);
    Client.SetKeepAlive(c.kept);
}

// Nothing of the client may be touched after a handler deleted it, neither by
// the step that raised the event, nor by a message still queued for it, nor by
// the synchronous call waiting for the request.
class HandlerDeletesClientTest : public ::testing::TestWithParam<THandlerCase> {};

TEST_P(HandlerDeletesClientTest, NothingTouchesTheDeletedClient) {
    const THandlerCase& c = GetParam();
    TScriptedServer server = ServerFor(c);
    QBuffer postBody;
    bool deleted = false;
    auto* client = new THttpClient;
    Prepare(*client, postBody, server.Url(), c);
    c.hook(*client, [&deleted](THttpClient* Sender) {
        deleted = true;
        delete Sender;
    });
    if (c.request == THttpRequest::httpPOST)
        client->Post();
    else
        client->Get();
    ASSERT_TRUE(testsupport::WaitUntil([&deleted] { return deleted; }));
    testsupport::PumpEvents();
}

// An abort from a handler ends the request there, and the client serves the
// next one.
class HandlerAbortsRequestTest : public ::testing::TestWithParam<THandlerCase> {};

TEST_P(HandlerAbortsRequestTest, RequestEndsThereAndTheNextOneRuns) {
    const THandlerCase& c = GetParam();
    TScriptedServer server = ServerFor(c);
    THttpClient client;
    QBuffer postBody;
    Prepare(client, postBody, server.Url(), c);
    std::optional<THttpState> abortedIn;
    c.hook(client, [&abortedIn](THttpClient* Sender) {
        if (abortedIn)
            return;
        abortedIn = Sender->State();
        Sender->Abort();
    });
    if (c.request == THttpRequest::httpPOST)
        client.PostASync();
    else
        client.GetASync();
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return abortedIn && client.State() == THttpState::httpReady; }));
    if (*abortedIn != THttpState::httpReady) {
        EXPECT_EQ(client.ReasonPhrase(), "Connection aborted on request");
        EXPECT_EQ(client.RequestDoneError(), http_errors::kAborted);
    }
    TScriptedServer next({Answer(kOk)});
    client.SetURL(next.Url());
    client.Head();
    EXPECT_EQ(client.StatusCode(), 200);
    EXPECT_TRUE(Served(next));
}

// Acts when a state change reaches `State`.
std::function<void(THttpClient&, const THttpNotifyEvent&)> OnState(THttpState State) {
    return [State](THttpClient& C, const THttpNotifyEvent& Act) {
        C.OnStateChange = [State, Act](THttpClient* Sender) {
            if (Sender->State() == State)
                Act(Sender);
        };
    };
}

const std::string kDocument = "HTTP/1.0 200 OK\r\nSet-Cookie: a=1\r\n\r\nbody";
const std::vector<std::string> kPlain{kDocument};
const std::vector<std::string> kRedirected{Redirect("/next"), kDocument};
const std::vector<std::string> kKeptRedirected{
    "HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 0\r\n\r\n",
    "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nbody"};

const std::vector<THandlerCase> kHandlerCases{
    THandlerCase{"StateChangeAtRequestStart", THttpRequest::httpGET, kPlain,
                 OnState(THttpState::httpNotConnected)},
    THandlerCase{"StateChangeToLookupDone", THttpRequest::httpGET, kPlain,
                 OnState(THttpState::httpDnsLookupDone)},
    THandlerCase{"StateChangeToConnected", THttpRequest::httpGET, kPlain,
                 OnState(THttpState::httpConnected)},
    THandlerCase{"StateChangeToWaitingBody", THttpRequest::httpGET, kPlain,
                 OnState(THttpState::httpWaitingBody)},
    THandlerCase{"StateChangeToReady", THttpRequest::httpGET, kPlain,
                 OnState(THttpState::httpReady)},
    THandlerCase{"SessionConnected", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnSessionConnected = D; }},
    THandlerCase{"RequestHeaderBegin", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnRequestHeaderBegin = D; }},
    THandlerCase{"Command", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) {
                     C.OnCommand = [D](THttpClient* Sender, std::string&) { D(Sender); };
                 }},
    THandlerCase{"RequestHeaderEnd", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnRequestHeaderEnd = D; }},
    THandlerCase{"SendBegin", THttpRequest::httpPOST, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnSendBegin = D; }},
    THandlerCase{"SendData", THttpRequest::httpPOST, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) {
                     C.OnSendData = [D](THttpClient* Sender, const void*, std::int32_t) {
                         D(Sender);
                     };
                 }},
    THandlerCase{"SendEnd", THttpRequest::httpPOST, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnSendEnd = D; }},
    THandlerCase{"HeaderBegin", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnHeaderBegin = D; }},
    THandlerCase{"HeaderData", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnHeaderData = D; }},
    THandlerCase{"Cookie", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) {
                     C.OnCookie = [D](THttpClient* Sender, const std::string&, bool&) {
                         D(Sender);
                     };
                 }},
    THandlerCase{"HeaderEnd", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnHeaderEnd = D; }},
    THandlerCase{"HeaderEndOfARedirection", THttpRequest::httpGET, kRedirected,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnHeaderEnd = D; }},
    THandlerCase{"HeaderEndOfAnHtmlFirstLine",
                 THttpRequest::httpGET,
                 {"<HTML>\r\nbody"},
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnHeaderEnd = D; }},
    THandlerCase{"LocationChange", THttpRequest::httpGET, kRedirected,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnLocationChange = D; }},
    // Between the hops, on the reused connection and at its end, the
    // connection is kept.
    THandlerCase{"LocationChangeWhileKept", THttpRequest::httpGET, kKeptRedirected,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnLocationChange = D; }, true},
    THandlerCase{"RequestHeaderBeginOfAReusedHop", THttpRequest::httpGET, kKeptRedirected,
                 [](THttpClient& C, const THttpNotifyEvent& D) {
                     C.OnRequestHeaderBegin = [D](THttpClient* Sender) {
                         if (Sender->Hops().size() == 2)
                             D(Sender);
                     };
                 },
                 true},
    THandlerCase{"DocEndWhileKept", THttpRequest::httpGET, kKeptRedirected,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnDocEnd = D; }, true},
    THandlerCase{"DocBegin", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnDocBegin = D; }},
    THandlerCase{"DocData", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) {
                     C.OnDocData = [D](THttpClient* Sender, const void*, std::int32_t) {
                         D(Sender);
                     };
                 }},
    THandlerCase{"DocEnd", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) { C.OnDocEnd = D; }},
    THandlerCase{"RequestDone", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) {
                     C.OnRequestDone = [D](THttpClient* Sender, THttpRequest, std::uint16_t) {
                         D(Sender);
                     };
                 }},
    // Lines held when a handler aborts arrive while no header is expected.
    THandlerCase{"DataAvailable", THttpRequest::httpGET, kPlain,
                 [](THttpClient& C, const THttpNotifyEvent& D) {
                     C.OnHeaderData = [](THttpClient* Sender) {
                         Sender->OnHeaderData = nullptr;
                         Sender->Abort();
                     };
                     C.OnDataAvailable = [D](THttpClient* Sender, std::uint16_t) { D(Sender); };
                 }}};

const auto kCaseName = [](const auto& info) { return info.param.name; };
INSTANTIATE_TEST_SUITE_P(Handlers, HandlerDeletesClientTest, ::testing::ValuesIn(kHandlerCases),
                         kCaseName);
INSTANTIATE_TEST_SUITE_P(Handlers, HandlerAbortsRequestTest, ::testing::ValuesIn(kHandlerCases),
                         kCaseName);

TEST_F(HttpClientTest, ParsesStatusAndHeaderFields) {
    TScriptedServer server({Answer("HTTP/1.1 200 Fine Thanks\r\n"
                                   "Content-Length: 5000000000\r\n"
                                   "CONTENT-TYPE:   Text/HTML\r\n"
                                   "Accept-Ranges: bytes\r\n"
                                   "WWW-Authenticate: Basic\r\n\t realm=\"r\"\r\n"
                                   "Set-Cookie: id=1\r\n"
                                   "a line without colon\r\n"
                                   "Content-Length: 12abc\r\n\r\n"),
                            Answer("HTTP/1.0 2x0 Odd\r\nContent-Type: a/b\r\n\r\n")});
    std::vector<std::string> cookies;
    Client.OnCookie = [&cookies](THttpClient*, const std::string& Data, bool& Accept) {
        EXPECT_TRUE(Accept);
        cookies.push_back(Data);
    };
    HeadAndWait(server.Url("/setup.exe"));
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.ReasonPhrase(), "Fine Thanks");
    // A 64-bit size; the later non-numeric value leaves it alone.
    EXPECT_EQ(Client.ContentLength(), 5000000000LL);
    EXPECT_EQ(Client.ContentType(), "text/html");
    EXPECT_EQ(Client.AcceptRanges(), "bytes");
    EXPECT_EQ(Client.AuthenticateValues(), std::vector<std::string>{"Basic realm=\"r\""});
    EXPECT_EQ(cookies, std::vector<std::string>{"id=1"});
    ASSERT_EQ(Client.ReceivedHeader().size(), 8u);
    EXPECT_EQ(Client.ReceivedHeader()[4], "WWW-Authenticate: Basic realm=\"r\"");
    EXPECT_EQ(Client.ReceivedHeader()[6], "a line without colon");
    EXPECT_EQ(Client.DocName(), "setup.htm");
    EXPECT_EQ(DoneError, 0);
    EXPECT_EQ(DoneType, THttpRequest::httpHEAD);

    // A status code that is not a number ends the request there.
    HeadAndWait(server.Url());
    EXPECT_EQ(Client.StatusCode(), 404);
    EXPECT_EQ(Client.ReasonPhrase(), "invalid status line");
    EXPECT_EQ(DoneError, http_errors::kInvalidStatusLine);
    EXPECT_EQ(Client.ReceivedHeader(), std::vector<std::string>{"HTTP/1.0 2x0 Odd"});
}

TEST_F(HttpClientTest, ErrorStatusClosesAtOnceAndHeadRaises) {
    // The server never ends its answer; only the client's close ends the request.
    TScriptedServer server({{RequestHeader(), TScriptedServer::Send("HTTP/1.1 404 Not Found\r\n"),
                             TScriptedServer::Drain()}});
    Client.SetURL(server.Url());
    ExpectRaise([this] { Client.Head(); }, "Not Found", 404);
    EXPECT_EQ(Client.State(), THttpState::httpReady);
    EXPECT_TRUE(Served(server));
}

TEST_F(HttpClientTest, BodyStartsWithTheHeaderEndOrAnHtmlFirstLine) {
    TScriptedServer server({Answer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nbody\r\n"),
                            Answer("<Html><body>\r\nsecond\r\nrest")});
    QBuffer received;
    received.open(QIODevice::WriteOnly);
    Client.SetReceiveStream(&received);
    std::string events;
    Client.OnDocBegin = [&events](THttpClient*) { events += "begin "; };
    Client.OnDocData = [&events](THttpClient*, const void* Buffer, std::int32_t Len) {
        events += "[" + std::string(static_cast<const char*>(Buffer), Len) + "] ";
    };
    Client.OnDocEnd = [&events](THttpClient*) { events += "end"; };
    Client.SetURL(server.Url());
    Client.Get();
    EXPECT_EQ(events, "begin [body\r\n] end");
    EXPECT_EQ(received.data().toStdString(), "body\r\n");
    EXPECT_EQ(Client.ReceivedCount(), 6);

    // No header: the "<HTML>" line (any case) is the first piece of the body,
    // the held bytes follow as they came, and the unterminated rest is not lost.
    events.clear();
    Client.Get();
    EXPECT_EQ(Client.StatusCode(), 0);
    EXPECT_EQ(Client.ContentType(), "text/html");
    EXPECT_TRUE(Client.ReceivedHeader().empty());
    EXPECT_EQ(events, "begin [<Html><body>\r\n] [second\r\nrest] end");
}

// The error answer's close comes after the bytes that arrived with it.
TEST_F(HttpClientTest, ErrorAnswerWithItsBodyInOnePacketEndsTheDocument) {
    TScriptedServer server({Answer("HTTP/1.0 404 Not Found\r\nServer: x\r\n\r\nnot here")});
    std::string events;
    Client.OnDocBegin = [&events](THttpClient*) { events += "begin "; };
    Client.OnDocEnd = [&events](THttpClient*) { events += "end"; };
    Client.SetURL(server.Url());
    ExpectRaise([this] { Client.Get(); }, "Not Found", 404);
    EXPECT_EQ(events, "begin end");
    EXPECT_EQ(Client.ReceivedHeader().back(), "Server: x");
}

const std::string kSplitResponse =
    "HTTP/1.0 200 OK\r\nContent-Length: 4\r\nContent-Type: a/b\r\n\r\ndata";

class ResponseSplitTest : public HttpClientTest,
                          public ::testing::WithParamInterface<std::size_t> {};

TEST_P(ResponseSplitTest, AtEveryPosition) {
    const std::string& response = kSplitResponse;
    const std::size_t split = GetParam();
    TScriptedServer server(
        {{RequestHeader(), TScriptedServer::Send(response.substr(0, split)),
          TScriptedServer::Pause(std::chrono::milliseconds(2)),
          TScriptedServer::Send(response.substr(split)), TScriptedServer::Close()}});
    QBuffer received;
    received.open(QIODevice::WriteOnly);
    Client.SetReceiveStream(&received);
    Client.SetURL(server.Url());
    Client.Get();
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.ContentLength(), 4);
    EXPECT_EQ(Client.ContentType(), "a/b");
    EXPECT_EQ(Client.ReceivedHeader().size(), 3u);
    EXPECT_EQ(received.data().toStdString(), "data");
    Client.SetReceiveStream(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Splits, ResponseSplitTest,
                         ::testing::Range<std::size_t>(1, kSplitResponse.size()),
                         [](const auto& info) { return "At" + std::to_string(info.param); });

TEST_F(HttpClientTest, HeaderLineLimit) {
    // The line and its CR LF: exactly the bytes the client holds.
    const std::string longLine =
        "X-Long: " + std::string(http_limits::kMaxHeaderLineBytes - 10, 'v');
    TScriptedServer fits({Answer("HTTP/1.0 200 OK\r\n" + longLine + "\r\n\r\n")});
    HeadAndWait(fits.Url());
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.ReceivedHeader(), (std::vector<std::string>{"HTTP/1.0 200 OK", longLine}));

    // As many bytes without a line end, and the server keeps the connection
    // open: the client must end on its own.
    TScriptedServer tooLong(
        {{RequestHeader(),
          TScriptedServer::Send("HTTP/1.0 200 OK\r\n" +
                                std::string(http_limits::kMaxHeaderLineBytes, 'v')),
          TScriptedServer::Drain()}});
    HeadAndWait(tooLong.Url());
    EXPECT_EQ(Client.StatusCode(), 404);
    EXPECT_EQ(Client.ReasonPhrase(), "HTTP line too long");
    EXPECT_EQ(DoneError, http_errors::kLineTooLong);
}

TEST_F(HttpClientTest, ContentRangeFeedsNextRequest) {
    TScriptedServer server(
        {Answer("HTTP/1.0 206 Partial\r\nContent-Range: bytes 100-199/1000\r\n\r\n"), Answer(kOk),
         Answer(kOk)});
    for (int i = 0; i < 3; ++i)
        HeadAndWait(server.Url());
    ASSERT_TRUE(Served(server));
    EXPECT_EQ(server.Received(0).find("Range:"), std::string::npos);
    EXPECT_NE(server.Received(1).find("\r\nRange: bytes=100-199\r\n\r\n"), std::string::npos);
    EXPECT_EQ(server.Received(2).find("Range:"), std::string::npos);
}

TEST_F(HttpClientTest, PostSendsBodyInChunks) {
    std::string body;
    constexpr std::size_t chunk = http_limits::kSendChunkSize;
    for (std::size_t i = 0; i < 2 * chunk + 3614; ++i)
        body += static_cast<char>('a' + i % 26);
    TScriptedServer server({{RequestHeader(), TScriptedServer::ExpectCount(body.size()),
                             TScriptedServer::Send(kOk), TScriptedServer::Close()}});
    QBuffer post;
    post.setData(body.data(), static_cast<int>(body.size()));
    post.open(QIODevice::ReadOnly);
    Client.SetSendStream(&post);
    std::string events;
    Client.OnSendBegin = [&events](THttpClient*) { events += "begin "; };
    Client.OnSendData = [&events](THttpClient*, const void*, std::int32_t Len) {
        events += std::to_string(Len) + " ";
    };
    Client.OnSendEnd = [&events](THttpClient*) { events += "end"; };
    Client.SetURL(server.Url("/upload"));
    Client.Post();
    ASSERT_TRUE(Served(server));
    const std::string received = server.Received(0);
    EXPECT_NE(received.find("Content-Length: " + std::to_string(body.size()) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(received.substr(received.find("\r\n\r\n") + 4), body);
    EXPECT_EQ(events, "begin " + std::to_string(chunk) + " " + std::to_string(chunk) + " 3614 end");
    EXPECT_EQ(Client.SentCount(), static_cast<std::int64_t>(body.size()));
}

TEST_F(HttpClientTest, RedirectedPostSendsTheBodyAgain) {
    const std::string body = "skip=1&a=2";
    const std::size_t start = 7; // the caller has already read "skip=1&"
    const std::size_t length = body.size() - start;
    TScriptedServer server({{RequestHeader(), TScriptedServer::ExpectCount(length),
                             TScriptedServer::Send(Redirect("/next")), TScriptedServer::Close()},
                            {RequestHeader(), TScriptedServer::ExpectCount(length),
                             TScriptedServer::Send(kOk), TScriptedServer::Close()}});
    QBuffer post;
    post.setData(body.c_str());
    post.open(QIODevice::ReadOnly);
    post.seek(start);
    Client.SetSendStream(&post);
    Client.SetURL(server.Url("/form"));
    Client.PostASync(); // a body shorter than announced would leave the server waiting
    ASSERT_TRUE(WaitDone());
    ASSERT_TRUE(Served(server));
    for (std::size_t hop = 0; hop < 2; ++hop) {
        const std::string received = server.Received(hop);
        EXPECT_NE(received.find("Content-Length: 3\r\n"), std::string::npos) << hop;
        EXPECT_EQ(received.substr(received.size() - length), "a=2") << hop;
    }
    EXPECT_EQ(Client.StatusCode(), 200);
}

TEST_F(HttpClientTest, BusyClientAndPostWithoutBodyRaise) {
    TScriptedServer server({Answer(kOk)});
    ExpectRaise([this] { Client.PostASync(); }, "HTTP component has nothing to post", 2);
    EXPECT_EQ(Client.State(), THttpState::httpReady);
    Client.SetURL(server.Url());
    Client.HeadASync();
    const THttpState running = Client.State();
    ExpectRaise([this] { Client.GetASync(); }, "HTTP component is busy", 1);
    EXPECT_EQ(Client.State(), running);
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(DoneType, THttpRequest::httpHEAD);
}

// --- redirection ------------------------------------------------------------------

// Each case: status, location (from /dir/start), the next request line and
// the location reported, or no request when the answer is final.
struct TSameServerRedirect {
    std::string name, status, location, requestLine, newLocation;
};

void PrintTo(const TSameServerRedirect& c, std::ostream* os) {
    *os << c.name;
}

class RedirectOnTheSameServerTest : public HttpClientTest,
                                    public ::testing::WithParamInterface<TSameServerRedirect> {};

TEST_P(RedirectOnTheSameServerTest, FollowsTheLocation) {
    const auto& [name, status, location, requestLine, newLocation] = GetParam();
    const bool followed = !requestLine.empty();
    std::vector<TScript> scripts{Answer(Redirect(location, status))};
    if (followed)
        scripts.push_back(Answer("HTTP/1.0 200 OK\r\nContent-Length: 7\r\n\r\n"));
    TScriptedServer server(scripts);
    std::vector<std::string> locations;
    Client.OnLocationChange = [&locations](THttpClient* Sender) {
        locations.push_back(Sender->Location());
    };
    HeadAndWait(server.Url("/dir/start"));
    ASSERT_TRUE(Served(server));
    std::vector<std::string> lines{"HTTP/1.0 " + status, "Location: " + location};
    if (!followed) {
        EXPECT_EQ(Client.StatusCode(), std::stoi(status));
        EXPECT_TRUE(locations.empty());
        EXPECT_EQ(Client.ReceivedHeader(), lines);
        return;
    }
    EXPECT_EQ(server.Received(1).substr(0, requestLine.size() + 2), requestLine + "\r\n");
    EXPECT_EQ(locations,
              std::vector<std::string>{"http://127.0.0.1:" + server.PortStr() + newLocation});
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.ContentLength(), 7);
    EXPECT_EQ(Client.ResponseHeaderStart(), 2u);
    // Both answers' lines are kept, in arrival order.
    lines.insert(lines.end(), {"HTTP/1.0 200 OK", "Content-Length: 7"});
    EXPECT_EQ(Client.ReceivedHeader(), lines);
}

INSTANTIATE_TEST_SUITE_P(
    Locations, RedirectOnTheSameServerTest,
    ::testing::Values(
        TSameServerRedirect{"AbsolutePath", "302 Found", "/x", "HEAD /x HTTP/1.0", "/x"},
        TSameServerRedirect{"RelativeWord", "301 Moved", "word", "HEAD /dir/word HTTP/1.0",
                            "/dir/word"},
        TSameServerRedirect{"Zero", "302 Found", "0", "HEAD /dir/0 HTTP/1.0", "/dir/0"},
        TSameServerRedirect{"TwoSegments", "303 See Other", "x/y", "HEAD /dir/x/y HTTP/1.0",
                            "/dir/x/y"},
        TSameServerRedirect{"ParentFile", "307 Temporary Redirect", "../up.html",
                            "HEAD /up.html HTTP/1.0", "/up.html"},
        TSameServerRedirect{"DotSlash", "308 Permanent Redirect", "./n", "HEAD /dir/n HTTP/1.0",
                            "/dir/n"},
        TSameServerRedirect{"QueryOnly", "302 Found", "?q=2", "HEAD /dir/start?q=2 HTTP/1.0",
                            "/dir/start?q=2"},
        TSameServerRedirect{"SchemeInQuery", "302 Found", "login?next=https://other.example/",
                            "HEAD /dir/login?next=https://other.example/ HTTP/1.0",
                            "/dir/login?next=https://other.example/"},
        TSameServerRedirect{"FragmentNotSent", "302 Found", "/a.txt#top", "HEAD /a.txt HTTP/1.0",
                            "/a.txt#top"},
        TSameServerRedirect{"Multiple", "300 Multiple Choices", "/x", "HEAD /x HTTP/1.0", "/x"},
        // Only redirections are followed.
        TSameServerRedirect{"OkStatus", "200 OK", "/again", "", ""},
        TSameServerRedirect{"Created", "201 Created", "/new", "", ""},
        TSameServerRedirect{"NotModified", "304 Not Modified", "/x", "", ""}),
    [](const auto& info) { return info.param.name; });

// Absolute and scheme-relative: the named server, its port in Host.
TEST_F(HttpClientTest, RedirectGoesToTheNamedServer) {
    for (const std::string form : {"http:", ""}) {
        SCOPED_TRACE(form);
        TScriptedServer target({Answer(kOk)});
        const std::string named = "//127.0.0.1:" + target.PortStr();
        TScriptedServer origin({Answer(Redirect(form + named + "/next"))});
        HeadAndWait(origin.Url());
        ASSERT_TRUE(Served(target));
        EXPECT_EQ(target.Received(0).substr(0, 21), "HEAD /next HTTP/1.0\r\n");
        EXPECT_NE(target.Received(0).find("\r\nHost: 127.0.0.1:" + target.PortStr() + "\r\n"),
                  std::string::npos);
        EXPECT_EQ(Client.Location(), "http:" + named + "/next");
        EXPECT_EQ(Client.StatusCode(), 200);
    }
}

// The first "location" counts, and the report names that one.
TEST_F(HttpClientTest, FirstOfTwoLocationsIsFollowed) {
    TScriptedServer server(
        {Answer("HTTP/1.0 302 Found\r\nLocation: /first\r\nLocation: /second\r\n\r\n"),
         Answer(kOk)});
    HeadAndWait(server.Url());
    ASSERT_TRUE(Served(server));
    EXPECT_EQ(server.Received(1).substr(0, 22), "HEAD /first HTTP/1.0\r\n");
}

TEST_F(HttpClientTest, RedirectStatusWithoutLocationIsFinal) {
    TScriptedServer server({Answer("HTTP/1.0 302 Found\r\n\r\n"), Answer("unused")});
    HeadAndWait(server.Url());
    EXPECT_EQ(Client.StatusCode(), 302);
    EXPECT_EQ(server.Accepted(), 1u);
}

// Twenty hops are followed, every header line kept; the 21st ends the request.
TEST_F(HttpClientTest, RedirectionsAreLimitedToTwentyHops) {
    std::vector<TScript> scripts;
    std::vector<std::string> lines;
    for (int hop = 1; hop <= http_limits::kMaxRedirections; ++hop) {
        scripts.push_back(Answer(Redirect("/" + std::to_string(hop))));
        lines.insert(lines.end(), {"HTTP/1.0 302 Found", "Location: /" + std::to_string(hop)});
    }
    scripts.push_back(Answer("HTTP/1.0 200 OK\r\nServer: end\r\n\r\n"));
    lines.insert(lines.end(), {"HTTP/1.0 200 OK", "Server: end"});
    TScriptedServer server(scripts);
    // One redirection more; its final answer must never be asked for.
    scripts.insert(scripts.end() - 1, Answer(Redirect("/21")));
    TScriptedServer loop(scripts);
    int headerEnds = 0;
    Client.OnHeaderEnd = [&headerEnds](THttpClient*) { ++headerEnds; };
    HeadAndWait(server.Url());
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(DoneError, 0);
    EXPECT_EQ(Client.ReceivedHeader(), lines);
    EXPECT_EQ(Client.Location(), "http://127.0.0.1:" + server.PortStr() + "/20");

    headerEnds = 0;
    Client.SetURL(loop.Url());
    ExpectHeadFails("too many redirections");
    EXPECT_EQ(DoneError, http_errors::kTooManyRedirections);
    EXPECT_EQ(loop.Accepted(), 21u);
    EXPECT_EQ(headerEnds, 21); // the last hop's header ended too
    // The last hop's "location" was not followed: the failure is that hop's.
    ASSERT_EQ(Client.Hops().size(), 21u);
    const THttpHop& last = Client.Hops().back();
    EXPECT_EQ(last.Url, loop.Url("/20"));
    EXPECT_EQ(last.Status, 302);
    EXPECT_EQ(last.Location, "/21");
    EXPECT_FALSE(last.Target);
    EXPECT_EQ(last.Failure, "too many redirections");
    EXPECT_EQ(Client.Hops()[19].Target, loop.Url("/20"));
    EXPECT_EQ(Client.Hops()[19].Failure, "");
}

TEST_F(HttpClientTest, RedirectWithPortThroughProxyKeepsProxy) {
    TScriptedServer proxy({Answer(Redirect("http://other.test:81/y")), Answer(kOk)});
    Client.SetProxy("127.0.0.1:" + proxy.PortStr());
    Client.SetUsername("u");
    HeadAndWait("http://first.test/x");
    ASSERT_TRUE(Served(proxy));
    EXPECT_NE(proxy.Received(0).find("\r\nAuthorization: "), std::string::npos);
    const std::string second = proxy.Received(1);
    EXPECT_EQ(second.substr(0, second.find("\r\n")), "HEAD http://other.test:81/y HTTP/1.0");
    EXPECT_NE(second.find("\r\nHost: other.test:81\r\n"), std::string::npos);
    EXPECT_EQ(second.find("Authorization"), std::string::npos); // the user's is for first.test
    EXPECT_EQ(Client.StatusCode(), 200);
    // Each hop names the proxy it went through, and connected to it.
    ASSERT_EQ(Client.Hops().size(), 2u);
    EXPECT_EQ(Client.Hops()[1].Url, "http://other.test:81/y");
    EXPECT_EQ(Client.Hops()[1].Proxy, "127.0.0.1:" + proxy.PortStr());
    EXPECT_EQ(Client.Hops()[1].Port, proxy.Port());
}

// --- typed addresses, host names, cookies, refused HEAD -----------------------------

// Each row: what follows "http://127.0.0.1:<port>" in the typed address (UTF-8),
// and the request line the server sees.
class TypedAddressTest : public HttpClientTest,
                         public ::testing::WithParamInterface<std::pair<std::string, std::string>> {
};

TEST_P(TypedAddressTest, GoesOutAsARequestTarget) {
    const auto& [rest, requestLine] = GetParam();
    TScriptedServer server({Answer(kOk)});
    HeadAndWait("http://127.0.0.1:" + server.PortStr() + rest);
    ASSERT_TRUE(Served(server));
    EXPECT_EQ(server.Received(0).substr(0, requestLine.size() + 2), requestLine + "\r\n");
    EXPECT_EQ(Client.StatusCode(), 200);
}

const char* const kTypedNames[] = {"QueryRightAfterThePort", "FragmentNotSent", "AtInTheQuery",
                                   "BlankEncoded",           "UmlautFromUtf8",  "EscapeKept"};
INSTANTIATE_TEST_SUITE_P(Addresses, TypedAddressTest,
                         ::testing::Values(std::pair{"?x=1", "HEAD /?x=1 HTTP/1.0"},
                                           std::pair{"/a.txt#frag", "HEAD /a.txt HTTP/1.0"},
                                           std::pair{"/x?mail=a@b", "HEAD /x?mail=a@b HTTP/1.0"},
                                           std::pair{"/a b.txt", "HEAD /a%20b.txt HTTP/1.0"},
                                           std::pair{"/\xC3\xA4.txt", "HEAD /%C3%A4.txt HTTP/1.0"},
                                           std::pair{"/%41%zz", "HEAD /%41%25zz HTTP/1.0"}),
                         [](const auto& info) { return kTypedNames[info.index]; });

// A name with other letters than ASCII goes out as its A-label: looked up,
// in Host, and as the name the TLS handshake asks for.
TEST_F(HttpClientTest, InternationalHostGoesOutAsItsALabel) {
    std::vector<std::string> looked;
    Client.Socket().Resolver().NameWork = [&looked](const std::string& Name) {
        looked.push_back(Name);
        return TLookupResult{0, {"127.0.0.1"}};
    };
    TScriptedServer server(
        {Answer(kOk), {TScriptedServer::ExpectCount(1), TScriptedServer::Drain()}});
    HeadAndWait("http://B\xC3\xBC"
                "cher.example:" +
                server.PortStr() + "/");
    EXPECT_NE(
        server.Received(0).find("\r\nHost: xn--bcher-kva.example:" + server.PortStr() + "\r\n"),
        std::string::npos)
        << server.Received(0);
    Client.SetURL("https://\xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84:" +
                  server.PortStr() + "/");
    Client.HeadASync();
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return server.Received(1).find("xn--e1afmkfd.xn--p1ai") != std::string::npos; }));
    Client.Abort();
    EXPECT_EQ(looked, (std::vector<std::string>{"xn--bcher-kva.example", "xn--e1afmkfd.xn--p1ai"}));
}

TEST_F(HttpClientTest, NameThatIdnaRefusesEndsLikeAFailedLookup) {
    bool looked = false;
    Client.Socket().Resolver().NameWork = [&looked](const std::string&) {
        looked = true;
        return TLookupResult{0, {"127.0.0.1"}};
    };
    Client.SetURL("http://-\xC3\xBC.example/");
    ExpectHeadFails("can't resolve hostname to IP address: string start/ends with forbidden "
                    "hyphen");
    EXPECT_EQ(DoneError, http_errors::kInvalidHostName);
    EXPECT_FALSE(looked);
}

// A cookie set on the way goes back on the later hops of the same request,
// after the client's own; it is forgotten with the request, and one that
// OnCookie refuses is not kept.
TEST_F(HttpClientTest, CookiesSetAlongARedirectionGoBackUntilItsEnd) {
    const std::string setAndMove = "HTTP/1.0 302 Found\r\nSet-Cookie: session=1; Path=/\r\n"
                                   "Location: /check\r\n\r\n";
    TScriptedServer server({Answer(setAndMove), Answer(kOk), Answer(setAndMove), Answer(kOk)});
    std::vector<std::string> offered;
    Client.OnCookie = [&offered](THttpClient*, const std::string& Data, bool& Accept) {
        offered.push_back(Data);
        Accept = offered.size() == 1;
    };
    Client.SetCookie("own=0");
    HeadAndWait(server.Url("/start"));
    HeadAndWait(server.Url("/start"));
    ASSERT_TRUE(Served(server));
    EXPECT_NE(server.Received(1).find("\r\nCookie: own=0; session=1\r\n"), std::string::npos)
        << server.Received(1);
    for (const std::size_t hop : {2, 3})
        EXPECT_NE(server.Received(hop).find("\r\nCookie: own=0\r\n"), std::string::npos)
            << server.Received(hop);
    EXPECT_EQ(offered, std::vector<std::string>(2, "session=1; Path=/"));
}

// The GET after a refused HEAD reads the header only: the client closes the
// connection at its end, and no body reaches the caller.
class RefusedHeadTest : public HttpClientTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(RefusedHeadTest, IsAskedAgainAsGetOfTheHeader) {
    const std::string refusal = "HTTP/1.0 " + GetParam() + "\r\nContent-Length: 357\r\n\r\n";
    TScriptedServer server(
        {Answer(refusal),
         {RequestHeader(),
          TScriptedServer::Send("HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" +
                                std::string(100, 'b')),
          TScriptedServer::Drain()},
         Answer(refusal)});
    int bodyChunks = 0;
    Client.OnDocData = [&bodyChunks](THttpClient*, const void*, std::int32_t) { ++bodyChunks; };
    Client.SetHeadFallback(true);
    HeadAndWait(server.Url("/doc"));
    EXPECT_EQ(server.Received(1).substr(0, 19), "GET /doc HTTP/1.0\r\n");
    EXPECT_TRUE(Client.HeadRefused());
    // The GET is a hop of its own.
    ASSERT_EQ(Client.Hops().size(), 2u);
    EXPECT_EQ(Client.Hops()[0].Method, "HEAD");
    EXPECT_EQ(Client.Hops()[0].Status, std::stoi(GetParam()));
    EXPECT_EQ(Client.Hops()[1].Method, "GET");
    EXPECT_EQ(Client.Hops()[1].Status, 200);
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.ContentLength(), 5000);
    EXPECT_EQ(bodyChunks, 0);
    EXPECT_EQ(DoneType, THttpRequest::httpHEAD);
    EXPECT_EQ(DoneError, 0);

    // Switched off, the refusal is the answer.
    Client.SetHeadFallback(false);
    HeadAndWait(server.Url("/doc"));
    ASSERT_TRUE(Served(server));
    EXPECT_FALSE(Client.HeadRefused());
    EXPECT_EQ(Client.StatusCode(), std::stoi(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Statuses, RefusedHeadTest,
                         ::testing::Values("405 Method Not Allowed", "501 Not Implemented"),
                         [](const auto& info) { return info.param.substr(0, 3); });

// --- kept connections ----------------------------------------------------------------

const std::string kOk11 = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";

struct TKeptCase {
    std::string name;
    std::vector<TScript> scripts; // one per connection the client must open
    int requests;                 // HEADs in a row, each answered 200
    bool waitIdleClose = false;   // the next HEAD waits until the server's close is noticed
};

void PrintTo(const TKeptCase& c, std::ostream* os) {
    *os << c.name;
}

class KeptConnectionTest : public HttpClientTest,
                           public ::testing::WithParamInterface<TKeptCase> {};

// Every request succeeds, over as many connections as the server's answers allow.
TEST_P(KeptConnectionTest, RequestsShareConnectionsAsAllowed) {
    const TKeptCase& c = GetParam();
    TScriptedServer server(c.scripts);
    Client.SetKeepAlive(true);
    for (int i = 0; i < c.requests; ++i) {
        SCOPED_TRACE(i);
        HeadAndWait(server.Url("/" + std::to_string(i)));
        EXPECT_EQ(Client.StatusCode(), 200);
        EXPECT_EQ(DoneError, 0);
        ASSERT_EQ(Client.Hops().size(), 1u);
        EXPECT_EQ(Client.Hops()[0].Failure, "");
        if (c.waitIdleClose && i == 0) {
            ASSERT_TRUE(testsupport::WaitUntil([this] { return !Client.Connected(); }));
            EXPECT_EQ(DoneCount, 1); // dropped without an event
        }
    }
    ASSERT_TRUE(Served(server));
    EXPECT_EQ(server.Accepted(), c.scripts.size());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, KeptConnectionTest,
    ::testing::Values(
        TKeptCase{"Http11", {Exchanges({kOk11, kOk11, kOk11})}, 3},
        TKeptCase{"Http10KeepAlive",
                  {Exchanges({"HTTP/1.0 200 OK\r\nConnection: Keep-Alive\r\n\r\n", kOk})},
                  2},
        TKeptCase{"Http10", {Answer(kOk), Answer(kOk)}, 2},
        TKeptCase{"ConnectionClose",
                  {Answer("HTTP/1.1 200 OK\r\nConnection: foo, close\r\n\r\n"), Answer(kOk11)},
                  2},
        // Bytes after the answer leave the connection fit for no other.
        TKeptCase{"JunkAfterAnswer", {Answer(kOk11 + "junk\r\n"), Answer(kOk11)}, 2},
        TKeptCase{"ClosedWhileWaiting", {Answer(kOk11), Exchanges({kOk11})}, 2, true},
        // The close races with the next request: it is asked again.
        TKeptCase{"ClosedBeforeTheAnswer",
                  {{RequestHeader(), TScriptedServer::Send(kOk11), RequestHeader(),
                    TScriptedServer::Close()},
                   Answer(kOk11)},
                  2},
        TKeptCase{"ResetBeforeTheAnswer",
                  {{RequestHeader(), TScriptedServer::Send(kOk11), RequestHeader(),
                    TScriptedServer::Reset()},
                   Answer(kOk11)},
                  2}),
    [](const auto& info) { return info.param.name; });

// Only the first try of a request is asked again: a second close is its answer.
TEST_F(HttpClientTest, KeptConnectionRetriesOnce) {
    TScriptedServer server({Exchanges({kOk11}), {RequestHeader(), TScriptedServer::Close()}});
    Client.SetKeepAlive(true);
    HeadAndWait(server.Url());
    Client.SetURL(server.Url());
    DoneCount = 0;
    // The first connection's close is noticed before the second request goes
    // out, or the second request is asked again: either way two connections.
    ExpectHeadFails("empty reply from server");
    ASSERT_TRUE(Served(server));
    EXPECT_EQ(server.Accepted(), 2u);
}

// A hop over a kept connection: no lookup or connect states, no connect
// time, the address still recorded. Abort while ready closes it.
TEST_F(HttpClientTest, RedirectionAndNextRequestGoOverTheKeptConnection) {
    TScript script = Exchanges(
        {"HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n", kOk11, kOk11});
    script.push_back(TScriptedServer::Drain()); // until the client closes
    TScriptedServer server({script});
    Client.SetKeepAlive(true);
    HeadAndWait(server.Url("/a"));
    ASSERT_EQ(Client.Hops().size(), 2u);
    const THttpHop& second = Client.Hops()[1];
    EXPECT_EQ(second.Status, 200);
    EXPECT_FALSE(second.Times.LookupDone);
    EXPECT_FALSE(second.Times.Connected);
    EXPECT_TRUE(second.Times.RequestSent);
    EXPECT_EQ(second.Address, "127.0.0.1");
    EXPECT_EQ(second.Port, server.Port());

    Events.clear();
    RecordEvents();
    HeadAndWait(server.Url("/c"));
    EXPECT_EQ(Events, "State1 State5 RequestHeaderBegin Command:HEAD Command:Acce Command:User "
                      "Command:Host Command:Conn RequestHeaderEnd Command: HeaderBegin HeaderData "
                      "HeaderData State6 HeaderEnd State0 RequestDone3/0");
    EXPECT_TRUE(Client.Connected());
    // Abort while ready closes the kept connection, raising nothing.
    Client.Abort();
    EXPECT_FALSE(Client.Connected());
    ASSERT_TRUE(Served(server));
    EXPECT_EQ(DoneCount, 1);
    EXPECT_EQ(server.Accepted(), 1u);
    EXPECT_NE(server.Received(0).find("HEAD /b HTTP/1.1\r\n"), std::string::npos);
}

// Another port, or a proxy set since, closes the kept connection first.
TEST_F(HttpClientTest, OtherServerClosesTheKeptConnection) {
    TScriptedServer first(
        {{RequestHeader(), TScriptedServer::Send(kOk11), TScriptedServer::Drain()}});
    TScriptedServer second({Exchanges({kOk11}), Answer(kOk)});
    Client.SetKeepAlive(true);
    HeadAndWait(first.Url());
    HeadAndWait(second.Url());
    ASSERT_TRUE(Served(first)); // its drain ends with the client's close
    Client.SetProxy("127.0.0.1:" + second.PortStr());
    HeadAndWait("http://example.test/");
    ASSERT_TRUE(Served(second));
    EXPECT_EQ(second.Accepted(), 2u);
    EXPECT_EQ(second.Received(1).substr(0, 36), "HEAD http://example.test/ HTTP/1.0\r\n");
}

// The GET after a refused HEAD goes over the connection of the refusal; as
// its body is not read, the connection closes after it.
TEST_F(HttpClientTest, RefusedHeadOverAKeptConnection) {
    TScriptedServer server({Exchanges({"HTTP/1.1 405 Not Allowed\r\nContent-Length: 0\r\n\r\n",
                                       "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123456789"}),
                            Exchanges({kOk11})});
    Client.SetKeepAlive(true);
    Client.SetHeadFallback(true);
    HeadAndWait(server.Url("/doc"));
    EXPECT_TRUE(Client.HeadRefused());
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_NE(server.Received(0).find("GET /doc HTTP/1.1\r\n"), std::string::npos);
    HeadAndWait(server.Url("/doc"));
    EXPECT_EQ(Client.StatusCode(), 200);
    ASSERT_TRUE(Served(server));
    EXPECT_EQ(server.Accepted(), 2u);
}

// A body read to its announced length leaves the connection for the next request.
TEST_F(HttpClientTest, GetBodyByLengthKeepsTheConnection) {
    TScriptedServer server({Exchanges({"HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", kOk11})});
    QBuffer body;
    body.open(QIODevice::WriteOnly);
    Client.SetReceiveStream(&body);
    Client.SetKeepAlive(true);
    Client.SetURL(server.Url());
    DoneCount = 0;
    Client.GetASync();
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(body.data().toStdString(), "abc");
    HeadAndWait(server.Url());
    ASSERT_TRUE(Served(server));
    EXPECT_EQ(server.Accepted(), 1u);
}

// Each hop takes the proxy the configuration names for its address.
TEST_F(HttpClientTest, ProxyOfTheEnvironmentPerHop) {
    TScriptedServer server({Answer(kOk)});
    TScriptedServer proxy({Answer(Redirect(server.Url("/direct")))});
    const std::map<std::string, std::string> environment{
        {"http_proxy", "http://pu:pp@127.0.0.1:" + proxy.PortStr()},
        {"no_proxy", "localhost, 127.0.0.1"}};
    Client.SetProxyConfig(TProxyConfig([&environment](const std::string& Name) {
        const auto value = environment.find(Name);
        return value != environment.end() ? value->second : std::string();
    }));
    HeadAndWait("http://origin.test/start");
    ASSERT_TRUE(Served(proxy));
    ASSERT_TRUE(Served(server));
    EXPECT_EQ(proxy.Received(0).rfind("HEAD http://origin.test/start HTTP/1.0\r\n", 0), 0u);
    EXPECT_NE(proxy.Received(0).find("\r\nProxy-Authorization: Basic cHU6cHA=\r\n"),
              std::string::npos);
    EXPECT_EQ(server.Received(0).rfind("HEAD /direct HTTP/1.0\r\n", 0), 0u);
    EXPECT_EQ(server.Received(0).find("Proxy-Authorization"), std::string::npos);
    EXPECT_EQ(Client.StatusCode(), 200);

    Client.SetProxyConfig(TProxyConfig([](const std::string& Name) {
        return Name == "http_proxy" ? std::string("ftp://proxy.test") : std::string();
    }));
    Client.SetURL("http://origin.test/");
    ExpectHeadFails("unsupported proxy scheme \"ftp\"");
    EXPECT_EQ(DoneError, http_errors::kInvalidProxy);
}

// --- failures and abort -----------------------------------------------------------

TEST_F(HttpClientTest, AbortDuringLookup) {
    // A name lookup that waits until the test lets it go on.
    std::promise<void> gate;
    Client.Socket().Resolver().NameWork = [opened = gate.get_future().share()](const std::string&) {
        opened.wait();
        return TLookupResult{0, {"127.0.0.1"}};
    };
    Client.SetURL("http://slow.test/");
    Client.HeadASync();
    ASSERT_EQ(Client.State(), THttpState::httpDnsLookup);
    Client.Abort();
    ExpectAborted();
    gate.set_value();
    EXPECT_EQ(Client.Socket().State(), wsClosed);
}

// What the server sends before the client aborts; nothing: abort while connecting.
const std::string kAbortedHeader = "HTTP/1.0 200 OK\r\n";

class AbortTest : public HttpClientTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(AbortTest, EndsTheRequestAsAborted) {
    const std::string& sent = GetParam();
    const std::string& header = kAbortedHeader;
    DoneCount = 0;
    TScriptedServer server({sent.empty() ? TScript{TScriptedServer::Drain()}
                                         : TScript{RequestHeader(), TScriptedServer::Send(sent),
                                                   TScriptedServer::Drain()}});
    int docEnd = 0;
    Client.OnDocEnd = [&docEnd](THttpClient*) { ++docEnd; };
    Client.SetURL(server.Url());
    Client.GetASync();
    if (sent.empty()) { // a numeric host is looked up inside the call
        ASSERT_EQ(Client.State(), THttpState::httpDnsLookupDone);
    } else {
        ASSERT_TRUE(testsupport::WaitUntil([&] {
            return sent == header ? !Client.ReceivedHeader().empty() : Client.ReceivedCount() == 4;
        }));
    }
    Client.Abort();
    ExpectAborted();
    EXPECT_EQ(docEnd, sent.size() > header.size() ? 1 : 0);
    if (sent.empty()) {
        EXPECT_EQ(server.Received(0), "");
    } else {
        EXPECT_TRUE(Served(server));
    }
}

const char* const kAbortCaseNames[] = {"WhileConnecting", "InHeader", "InBody"};
INSTANTIATE_TEST_SUITE_P(Sent, AbortTest,
                         ::testing::Values(std::string(), kAbortedHeader,
                                           kAbortedHeader + "\r\npart"),
                         [](const auto& info) { return kAbortCaseNames[info.index]; });

TEST_F(HttpClientTest, RequestStartedRightAfterAbortRunsToItsEnd) {
    TScriptedServer server(
        {{RequestHeader(), TScriptedServer::Send("HTTP/1.0 200 OK\r\n"), TScriptedServer::Drain()},
         Answer("HTTP/1.0 200 OK\r\nServer: second\r\n\r\n")});
    Client.SetURL(server.Url());
    Client.GetASync();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return !Client.ReceivedHeader().empty(); }));
    Client.Abort();
    // The aborted request's messages are still queued when the next one starts;
    // they must not end it early.
    int readyCount = 0;
    Client.OnStateChange = [&readyCount](THttpClient* Sender) {
        readyCount += Sender->State() == THttpState::httpReady ? 1 : 0;
    };
    Client.Head();
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_EQ(Client.ReceivedHeader().back(), "Server: second");
    ASSERT_TRUE(testsupport::WaitUntil([&] { return DoneCount == 2; }));
    testsupport::PumpEvents();
    EXPECT_EQ(readyCount, 1);
    EXPECT_EQ(DoneCount, 2);
    EXPECT_EQ(DoneError, 0);
}

TEST_F(HttpClientTest, AbortBetweenRedirectionHopsStartsNoNewHop) {
    TScriptedServer server({Answer(Redirect("/next")), Answer(kOk)});
    Client.OnLocationChange = [](THttpClient* Sender) { Sender->Abort(); };
    HeadAndWait(server.Url());
    testsupport::PumpEvents();
    ExpectAborted();
    EXPECT_EQ(Client.Socket().State(), wsClosed);
    EXPECT_EQ(server.Accepted(), 1u);
}

TEST_F(HttpClientTest, RefusedConnection) {
    const std::string port = TScriptedServer({}).PortStr(); // closed again at once
    Client.SetURL("http://127.0.0.1:" + port + "/");
    ExpectHeadFails("Connection refused (Error #10061)");
    EXPECT_EQ(DoneError, 10061);
    // The hop never had a connection, nor a lookup for an address.
    ASSERT_EQ(Client.Hops().size(), 1u);
    const THttpHop& hop = Client.Hops()[0];
    EXPECT_EQ(hop.Url, "http://127.0.0.1:" + port + "/");
    EXPECT_EQ(hop.Failure, "Connection refused (Error #10061)");
    EXPECT_EQ(hop.Address, "");
    EXPECT_EQ(hop.Port, 0);
    EXPECT_FALSE(hop.Times.LookupDone || hop.Times.Connected || hop.Times.FirstByte);
    EXPECT_TRUE(hop.Times.Ended);
    // A name whose every address refuses ends the same way.
    Client.Socket().Resolver().NameWork = [](const std::string&) {
        return TLookupResult{0, {"127.0.0.2", "127.0.0.1"}};
    };
    Client.SetURL("http://refusing.test:" + port + "/");
    ExpectHeadFails("Connection refused (Error #10061)");
    EXPECT_EQ(DoneError, 10061);
    EXPECT_EQ(Client.Hops().back().Url, "http://refusing.test:" + port + "/"); // read anew
    EXPECT_EQ(Client.Hops().back().Address, "");
}

// --- IPv6 and names with several addresses ------------------------------------------

// The case: the host of the address asked for, and the addresses the lookup
// of a name gives.
struct TIpv6Case {
    std::string name;
    std::string host;
    std::vector<std::string> lookup;
};

void PrintTo(const TIpv6Case& c, std::ostream* os) {
    *os << c.name;
}

class Ipv6LoopbackTest : public HttpClientTest, public ::testing::WithParamInterface<TIpv6Case> {
protected:
    void SetUp() override {
        if (!testsupport::HasIpv6Loopback())
            GTEST_SKIP() << "this machine has no IPv6 loopback";
    }
};

TEST_P(Ipv6LoopbackTest, ServerListeningOnIpv6LoopbackAnswers) {
    const TIpv6Case& c = GetParam();
    TScriptedServer server({Answer(kOk)}, "::1");
    if (!c.lookup.empty())
        Client.Socket().Resolver().NameWork = [lookup = c.lookup](const std::string&) {
            return TLookupResult{0, lookup};
        };
    HeadAndWait("http://" + c.host + ":" + server.PortStr() + "/x");
    EXPECT_EQ(Client.StatusCode(), 200) << Client.ReasonPhrase();
    ASSERT_TRUE(Served(server));
    const std::string request = server.Received(0);
    EXPECT_EQ(request.rfind("HEAD /x HTTP/1.0\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nHost: " + c.host), std::string::npos) << request;
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, Ipv6LoopbackTest,
    ::testing::Values(TIpv6Case{"Literal", "[::1]", {}},
                      TIpv6Case{"NameWithOnlyAnIpv6Address", "v6only.test", {"::1"}}),
    [](const auto& info) { return info.param.name; });

TEST_F(HttpClientTest, SilentFirstAddressAnswersThroughTheSecond) {
    TScriptedServer server({Answer(kOk)});
    const testsupport::TSilentListener silent("127.0.0.2", server.Port());
    Client.Socket().Resolver().NameWork = [](const std::string&) {
        return TLookupResult{0, {"127.0.0.2", "127.0.0.1"}};
    };
    QElapsedTimer clock;
    clock.start();
    HeadAndWait("http://two.test:" + server.PortStr() + "/");
    EXPECT_LT(clock.elapsed(), kSecondAnswersWithinMs);
    EXPECT_EQ(Client.StatusCode(), 200) << Client.ReasonPhrase();
    EXPECT_EQ(Client.Hops().back().Address, "127.0.0.1");
    EXPECT_EQ(std::to_string(Client.Hops().back().Port), server.PortStr());
    EXPECT_EQ(Client.ResolvedAddress(), "127.0.0.2");
}

// A failed lookup, and an address without a host, end like a failed lookup.
// Each case: the address and the resolver's error number; an address without
// a host gets some error.
class HostThatDoesNotResolveTest
    : public HttpClientTest,
      public ::testing::WithParamInterface<std::pair<const char*, int>> {};

TEST_P(HostThatDoesNotResolveTest, EndsLikeAFailedLookup) {
    const auto& [url, error] = GetParam();
    Client.Socket().Resolver().NameWork = [](const std::string&) {
        return TLookupResult{11001, {}};
    };
    Client.SetURL(url);
    ExpectHeadFails("can't resolve hostname to IP address");
    EXPECT_TRUE(error > 0 ? DoneError == error : DoneError != 0) << DoneError;
}

const char* const kUnresolvedNames[] = {"UnknownHost", "BarePath", "SchemeWithoutSlashes"};
INSTANTIATE_TEST_SUITE_P(Addresses, HostThatDoesNotResolveTest,
                         ::testing::Values(std::pair{"http://nowhere.test/", 11001},
                                           std::pair{"/only/path", -1},
                                           std::pair{"http:dir/file", -1}),
                         [](const auto& info) { return kUnresolvedNames[info.index]; });

TEST_F(HttpClientTest, ServerClosingWithoutAnswerIsAnEmptyReply) {
    TScriptedServer server({{RequestHeader(), TScriptedServer::Close()}});
    Client.SetURL(server.Url());
    ExpectHeadFails("empty reply from server");
    EXPECT_TRUE(Client.ReceivedHeader().empty());
    EXPECT_EQ(DoneError, http_errors::kEmptyReply);
}

// Head sleeps in the event loop while the server thinks: waiting two seconds
// for the answer must cost (almost) no processor time.
TEST_F(HttpClientTest, WaitingForSlowServerCostsLittleCpu) {
    TScriptedServer server({{RequestHeader(), TScriptedServer::Pause(std::chrono::seconds(2)),
                             TScriptedServer::Send(kOk), TScriptedServer::Close()}});
    Client.SetURL(server.Url());
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = testsupport::ProcessCpuMs();
    Client.Head();
    const double cpuUsed = testsupport::ProcessCpuMs() - cpuStart;
    EXPECT_EQ(Client.StatusCode(), 200);
    EXPECT_GE(std::chrono::steady_clock::now() - wallStart, std::chrono::milliseconds(1900));
    EXPECT_LT(cpuUsed, 100.0);
    RecordProperty("cpu_ms", std::to_string(cpuUsed));
}

} // namespace
