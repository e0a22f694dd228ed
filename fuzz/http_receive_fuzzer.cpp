// The client's receive path. The client asks through a "proxy" that is a
// loopback peer of the harness, so every hop of a redirection chain comes
// back to it; each hop's answer comes from the input, cut at points taken
// from the input. Checked: no crash, the header held stays within the
// client's bounds, and the body bytes delivered (OnDocData and the receive
// stream alike) are the bytes of the final answer's body: those after its
// header up to its length (none when it has no body), all of them when the
// request ends well, a prefix of them when it ends early.
#include <fuzzer/FuzzedDataProvider.h>

#include <QBuffer>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/loopback_peer.h"
#include "fuzz/support/split_points.h"
#include "http/http_client.h"
#include "http/response_parsing.h"
#include "net/async_socket.h"
#include "tests/support/event_wait.h"

using fuzzsupport::kStepDeadline;
using testsupport::WaitUntil;

namespace {

// Distinct answers per input; later hops get the last one again, so that a
// redirecting answer runs into the redirection limit.
constexpr std::size_t kMaxAnswers = 4;

void Check(bool Holds) {
    if (!Holds)
        __builtin_trap();
}

// The bytes of the final answer after its header, as a client that cuts
// lines at LF sees them: after the empty line that ends an answer other than
// an interim one, or from a first "<HTML>" line on (Headerless). Empty when
// the header never ends or a status line is invalid.
std::string BodyOf(const std::string& Answer, bool& Headerless) {
    bool AnswerStarts = true;
    bool Interim = false;
    std::size_t Start = 0;
    for (std::size_t LineFeed; (LineFeed = Answer.find('\n', Start)) != std::string::npos;
         Start = LineFeed + 1) {
        std::string Line = Answer.substr(Start, LineFeed - Start);
        if (!Line.empty() && Line.back() == '\r')
            Line.pop_back();
        if (AnswerStarts) {
            Headerless = !Interim && IsHtmlTagLine(Line);
            if (Headerless)
                return Answer.substr(Start);
            const auto Status = ParseStatusLine(Line);
            if (!Status)
                return {};
            Interim = IsInterimStatus(Status->Code);
            AnswerStarts = false;
        } else if (Line.empty()) {
            if (!Interim)
                return Answer.substr(LineFeed + 1);
            AnswerStarts = true;
        }
    }
    return {};
}

// The response header the client holds now stays within its bounds.
void CheckHeaderBounds(const THttpClient& Client) {
    const auto& Header = Client.ReceivedHeader();
    Check(Header.size() <= static_cast<std::size_t>(http_limits::kMaxRedirections + 1) *
                               http_limits::kMaxHeaderLines);
    // Folded lines are joined: a line may be longer than one received line,
    // but never more than the header's bytes.
    std::size_t Bytes = 0;
    for (std::size_t I = Client.ResponseHeaderStart(); I < Header.size(); ++I)
        Bytes += Header[I].size();
    Check(Header.size() - std::min(Header.size(), Client.ResponseHeaderStart()) <=
          static_cast<std::size_t>(http_limits::kMaxHeaderLines));
    Check(Bytes <= http_limits::kMaxHeaderBytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider Provider(Data, Size);
    const bool Head = Provider.ConsumeBool();
    std::vector<std::string> Answers;
    while (Answers.size() < kMaxAnswers && Provider.remaining_bytes() > 0)
        Answers.push_back(Provider.ConsumeRandomLengthString(Size));
    if (Answers.empty())
        Answers.emplace_back();

    fuzzsupport::TLoopbackPeer Proxy;
    THttpClient Client;
    QBuffer Stream;
    Stream.open(QIODevice::WriteOnly);
    std::string Delivered;
    bool Done = false;
    Client.SetURL("http://fuzz.test/start");
    Client.SetProxy("127.0.0.1:" + Proxy.PortStr());
    Client.SetReceiveStream(&Stream);
    Client.OnDocData = [&](THttpClient*, const void* Buffer, std::int32_t Len) {
        Delivered.append(static_cast<const char*>(Buffer), static_cast<std::size_t>(Len));
    };
    Client.OnHeaderEnd = [&](THttpClient* Sender) { CheckHeaderBounds(*Sender); };
    Client.OnRequestDone = [&](THttpClient*, THttpRequest, std::uint16_t) { Done = true; };
    if (Head)
        Client.HeadASync();
    else
        Client.GetASync();

    std::string LastSent; // what the final hop's answer got out
    for (std::size_t Hop = 0; Proxy.Accept([&] { return Done; }); ++Hop) {
        Proxy.WaitForData(); // the request
        const std::string& Answer = Answers[std::min(Hop, Answers.size() - 1)];
        LastSent.clear();
        for (const std::string& Piece : fuzzsupport::SplitAtPoints(Provider, Answer)) {
            if (Done || Client.Socket().State() == wsClosed || !Proxy.Write(Piece))
                break;
            LastSent += Piece;
            WaitUntil(
                [&] {
                    return Done || Client.Socket().State() == wsClosed ||
                           Proxy.TakenBy(Client.Socket().SocketHandle());
                },
                kStepDeadline);
        }
        Proxy.CloseConnection();
    }
    WaitUntil([&] { return Done; }, kStepDeadline);
    Check(Done && Client.State() == THttpState::httpReady);
    CheckHeaderBounds(Client);

    // An answer with a header has no body for HEAD, 1xx, 204 and 304, and
    // ends at its length when it names one.
    bool Headerless = false;
    std::string Body = BodyOf(LastSent, Headerless);
    if (!Headerless && (Head || !StatusHasBody(Client.StatusCode())))
        Body.clear();
    else if (!Headerless && Client.ContentLength() >= 0)
        Body.resize(std::min(Body.size(), static_cast<std::size_t>(Client.ContentLength())));
    Check(Stream.data().toStdString() == Delivered);
    Check(Client.ReceivedCount() == static_cast<std::int64_t>(Delivered.size()));
    if (Client.RequestDoneError() == 0 && Client.StatusCode() < http_errors::kFirstErrorStatus)
        Check(Delivered == Body);
    else
        Check(Body.compare(0, Delivered.size(), Delivered) == 0);
    return 0;
}
