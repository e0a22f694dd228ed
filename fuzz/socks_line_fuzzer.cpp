// The SOCKS reply handling and the line-mode splitter. A loopback peer plays
// the SOCKS proxy with arbitrary replies (or, without SOCKS, a socket pair
// carries the stream), then sends arbitrary application bytes cut at
// arbitrary points. Checked: no crash, every line but the last ends with the
// line end, and the lines delivered, joined, are exactly the application
// bytes received (after a successful negotiation: the bytes behind the final
// reply, whose length the protocol fixes).
#include <fuzzer/FuzzedDataProvider.h>

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fuzz/support/loopback_peer.h"
#include "fuzz/support/split_points.h"
#include "net/async_socket.h"
#include "tests/support/event_wait.h"

using fuzzsupport::kStepDeadline;
using fuzzsupport::PendingBytes;
using testsupport::WaitUntil;

namespace {

// Reply pieces the proxy sends before the application bytes.
constexpr int kMaxReplies = 6;
constexpr std::size_t kMaxReplyPiece = 64;
constexpr std::size_t kMaxReadStep = 64;

const std::array<const char*, 4> kLineEnds = {"\r\n", "\n", "\r", "<>"};

// SOCKS 5 reply: version, status, reserved, address type, address, port.
constexpr std::size_t kSocks5Head = 4;
constexpr std::size_t kSocks5PortSize = 2;
constexpr std::size_t kSocks4ReplySize = 8;

void Check(bool Holds) {
    if (!Holds)
        __builtin_trap();
}

// Length of the successful final reply at the start of `Reply`.
std::size_t FinalReplyLength(bool Socks5, const std::string& Reply) {
    if (!Socks5)
        return kSocks4ReplySize;
    Check(Reply.size() > kSocks5Head);
    switch (Reply[3]) {
    case 1:
        return kSocks5Head + 4 + kSocks5PortSize;
    case 3:
        return kSocks5Head + 1 + static_cast<unsigned char>(Reply[4]) + kSocks5PortSize;
    case 4:
        return kSocks5Head + 16 + kSocks5PortSize;
    default:
        __builtin_trap(); // the layer accepted an address type that does not exist
    }
}

// The proxy's last request asks for the connection itself (not a method
// offer, which is three bytes here, nor the SOCKS 5 login).
bool IsConnectRequest(const std::string& Request) {
    return !Request.empty() && (Request[0] == 4 || (Request[0] == 5 && Request.size() > 3));
}

struct TReceiver {
    std::vector<std::string> Lines;
    bool Connected = false;
    bool Closed = false;
};

void Attach(TAsyncSocket& Socket, TReceiver& Receiver, std::size_t ReadStep) {
    Socket.OnSessionConnected = [&Receiver](TCustomAsyncSocket*, std::uint16_t Error) {
        Receiver.Connected = Error == 0;
    };
    Socket.OnDataAvailable = [&Receiver, ReadStep](TCustomAsyncSocket* Sender, std::uint16_t) {
        std::string Line;
        std::array<char, kMaxReadStep> Buffer;
        int N;
        while ((N = Sender->Receive(Buffer.data(), static_cast<int>(ReadStep))) > 0)
            Line.append(Buffer.data(), static_cast<std::size_t>(N));
        if (!Line.empty())
            Receiver.Lines.push_back(Line);
    };
    Socket.OnSessionClosed = [&Receiver](TCustomAsyncSocket*, std::uint16_t) {
        Receiver.Closed = true;
    };
}

// One side of the stream the socket reads: writes a piece, and tells whether
// the socket has taken everything written from the system.
struct TFeeder {
    std::function<bool(const std::string&)> Write;
    std::function<bool(int SocketFd)> Taken;
};

// Sends one piece and waits until the socket has taken it.
void Feed(TAsyncSocket& Socket, const TFeeder& Feeder, const std::string& Piece) {
    if (Socket.State() == wsClosed || !Feeder.Write(Piece))
        return;
    WaitUntil([&] { return Socket.State() == wsClosed || Feeder.Taken(Socket.SocketHandle()); },
              kStepDeadline);
}

TFeeder PeerFeeder(fuzzsupport::TLoopbackPeer& Peer) {
    return {[&Peer](const std::string& Bytes) { return Peer.Write(Bytes); },
            [&Peer](int SocketFd) { return Peer.TakenBy(SocketFd); }};
}

// Negotiates with the socket as a proxy whose replies come from the input;
// returns the application bytes the proxy sent behind a successful final
// reply, or nothing when the negotiation did not succeed.
std::string PlayProxy(FuzzedDataProvider& Provider, fuzzsupport::TLoopbackPeer& Proxy,
                      TAsyncSocket& Socket, const TReceiver& Receiver, bool Socks5) {
    const TFeeder Feeder = PeerFeeder(Proxy);
    if (!Proxy.Accept())
        return {};
    std::string Request = Proxy.WaitForData();
    std::string FinalReply; // everything sent since the connect request came
    for (int Reply = 0; Reply < kMaxReplies && !Receiver.Connected; ++Reply) {
        if (Socket.State() == wsClosed)
            return {};
        const std::string Piece = Provider.ConsumeRandomLengthString(kMaxReplyPiece);
        if (IsConnectRequest(Request))
            FinalReply += Piece;
        Feed(Socket, Feeder, Piece);
        const std::string Next = Proxy.ReadAvailable();
        if (!Next.empty())
            Request = Next;
    }
    if (!Receiver.Connected)
        return {};
    return FinalReply.substr(std::min(FinalReply.size(), FinalReplyLength(Socks5, FinalReply)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider Provider(Data, Size);
    const bool ViaSocks = Provider.ConsumeBool();
    const std::string LineEnd =
        kLineEnds[Provider.ConsumeIntegralInRange<std::size_t>(0, kLineEnds.size() - 1)];
    const std::size_t ReadStep = Provider.ConsumeIntegralInRange<std::size_t>(1, kMaxReadStep);
    const int Level = Provider.ConsumeIntegralInRange(0, 3);

    TReceiver Receiver;
    TAsyncSocket Socket;
    Socket.SetLineMode(true);
    Socket.SetLineEnd(LineEnd);
    Attach(Socket, Receiver, ReadStep);

    std::string Expected;
    fuzzsupport::TLoopbackPeer Proxy;
    std::array<int, 2> Pair{-1, -1};
    TFeeder Feeder;
    if (ViaSocks) {
        static const std::array<const char*, 4> Levels = {"5", "5", "4", "4A"};
        Socket.SetSocksServer("127.0.0.1");
        Socket.SetSocksPort(Proxy.PortStr());
        Socket.SetSocksLevel(Levels[Level]);
        Socket.SetSocksUsercode("user");
        Socket.SetSocksPassword("secret");
        Socket.SetSocksAuthentication(Level == 1 ? socksAuthenticateUsercode
                                                 : socksNoAuthentication);
        // SOCKS 4 needs an address; nothing is ever sent there.
        Socket.SetAddr(Level == 2 ? "127.0.0.2" : "fuzz.test");
        Socket.SetPort("80");
        Socket.Connect();
        Expected = PlayProxy(Provider, Proxy, Socket, Receiver, Level < 2);
        Feeder = PeerFeeder(Proxy);
    } else {
        Check(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, Pair.data()) == 0);
        Socket.Dup(Pair[0]);
        Receiver.Connected = true;
        // A socket pair delivers each write at once.
        Feeder = {[&Pair](const std::string& Bytes) {
                      return send(Pair[1], Bytes.data(), Bytes.size(), MSG_NOSIGNAL) ==
                             static_cast<ssize_t>(Bytes.size());
                  },
                  [](int SocketFd) { return PendingBytes(SocketFd) == 0; }};
    }

    if (Receiver.Connected && Socket.State() != wsClosed) {
        const std::string Stream = Provider.ConsumeRandomLengthString(Size);
        Expected += Stream;
        for (const std::string& Piece : fuzzsupport::SplitAtPoints(Provider, Stream))
            Feed(Socket, Feeder, Piece);
    }
    Proxy.CloseConnection();
    if (Pair[1] >= 0)
        close(Pair[1]);
    WaitUntil([&] { return Receiver.Closed || Socket.State() == wsClosed; }, kStepDeadline);
    Check(Socket.State() == wsClosed);

    if (!Receiver.Connected)
        return 0;
    std::string Joined;
    for (std::size_t I = 0; I < Receiver.Lines.size(); ++I) {
        const std::string& Line = Receiver.Lines[I];
        const bool Last = I + 1 == Receiver.Lines.size();
        Check(Last || (Line.size() >= LineEnd.size() &&
                       Line.compare(Line.size() - LineEnd.size(), LineEnd.size(), LineEnd) == 0));
        Joined += Line;
    }
    Check(Joined == Expected);
    return 0;
}
