#include <QTimer>

#include <gtest/gtest.h>

#include <numeric>

#include "net/async_socket.h"
#include "net/buffer.h"
#include "tests/net/socket_test_helpers.h"
#include "tests/support/scripted_server.h"

using testsupport::TScriptedServer;
using testsupport::WaitUntil;

namespace {

std::string ReadAll(TBuffer& Buffer) {
    std::string Out(static_cast<std::size_t>(Buffer.Available()), '\0');
    Out.resize(static_cast<std::size_t>(Buffer.Read(Out.data(), Buffer.Available())));
    return Out;
}

TEST(Buffer, WriteStopsAtCapacityAndFreedFrontSpaceIsNotReused) {
    TBuffer Buffer(8);
    EXPECT_EQ(Buffer.Write("abcdefghij", 10), 8);
    char Two[2];
    EXPECT_EQ(Buffer.Read(Two, 2), 2);
    // Two bytes were consumed at the front, but the block is still full at the end.
    EXPECT_EQ(Buffer.Write("x", 1), 0);
    EXPECT_EQ(ReadAll(Buffer), "cdefgh");
    // Drained: both positions return to the start, the whole block is free again.
    EXPECT_EQ(Buffer.Write("12345678", 8), 8);
}

TEST(Buffer, PeekDoesNotConsumeAndRemoveDropsFromTheFront) {
    TBuffer Buffer(16);
    std::int32_t Len = -1;
    EXPECT_EQ(Buffer.Peek(Len), nullptr);
    EXPECT_EQ(Len, 0);
    Buffer.Write("hello world", 11);
    const char* Data = Buffer.Peek(Len);
    ASSERT_NE(Data, nullptr);
    EXPECT_EQ(std::string(Data, static_cast<std::size_t>(Len)), "hello world");
    EXPECT_EQ(Buffer.Remove(6), 6);
    EXPECT_EQ(Buffer.Remove(100), 5);
    EXPECT_EQ(Buffer.Remove(1), 0);
    EXPECT_EQ(Buffer.Available(), 0);
}

TEST(Buffer, ResizeKeepsWhatFitsAndNonPositiveSizeMeansDefault) {
    TBuffer Buffer(4);
    Buffer.Write("abcd", 4);
    char One;
    Buffer.Read(&One, 1);
    Buffer.SetBufSize(10);
    EXPECT_EQ(Buffer.BufSize(), 10);
    EXPECT_EQ(Buffer.Write("efghij", 6), 6);
    Buffer.SetBufSize(5); // shrinking below the bytes held keeps what fits
    EXPECT_EQ(ReadAll(Buffer), "bcde");
    Buffer.SetBufSize(0);
    EXPECT_EQ(Buffer.BufSize(), TBuffer::kDefaultSize);
}

// Far more than loopback socket buffers hold, so the system takes only part.
constexpr std::size_t HugeSend = 32 * 1024 * 1024;

class SendBuffer : public nettest::TSocketTest {
protected:
    std::size_t BytesHandedOver() const {
        return static_cast<std::size_t>(
            std::accumulate(SendCalls.begin(), SendCalls.end(), std::int64_t{0}));
    }
};

TEST_F(SendBuffer, FiveThousandBytesGoOutBlockByBlockWithOneDataSentAfterSendReturned) {
    const std::string Payload(5000, 'a');
    TScriptedServer Server({{TScriptedServer::Expect(Payload), TScriptedServer::Drain()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    EXPECT_EQ(Socket.SendStr(Payload), 5000);
    EXPECT_EQ(SendCalls, (std::vector<std::int32_t>{1514, 1514, 1514, 458}));
    EXPECT_EQ(Events.Count("sent 0"), 0);
    ASSERT_TRUE(WaitUntil([&] { return Events.Has("sent 0"); }));
    ASSERT_TRUE(WaitUntil([&] { return Server.Received(0).size() == Payload.size(); }));
    testsupport::PumpEvents();
    EXPECT_EQ(Events.Count("sent 0"), 1);
    EXPECT_EQ(Server.Failure(), "");
}

TEST_F(SendBuffer, PeerNotReadingLeavesTheRestBufferedAndFlushWaitsUntilItReads) {
    TScriptedServer Server({{TScriptedServer::WaitGate(0), TScriptedServer::Drain()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    EXPECT_EQ(Socket.SendStr(std::string(HugeSend, 'b')), static_cast<int>(HugeSend));
    EXPECT_LT(BytesHandedOver(), HugeSend);
    for (int I = 0; I < 10; ++I)
        testsupport::PumpEvents();
    EXPECT_FALSE(Events.Has("sent 0"));
    // The peer starts reading only once Flush runs the event loop.
    QTimer::singleShot(0, [&] { Server.OpenGate(0); });
    Socket.Flush();
    EXPECT_EQ(BytesHandedOver(), HugeSend);
    ASSERT_TRUE(WaitUntil([&] { return Events.Has("sent 0"); }));
    ASSERT_TRUE(WaitUntil([&] { return Server.Received(0).size() == HugeSend; }));
    EXPECT_EQ(Events.Count("sent 0"), 1);
}

TEST_F(SendBuffer, ResetByThePeerWhileSendingEndsTheSessionWith10054) {
    TScriptedServer Server({{TScriptedServer::ExpectCount(1), TScriptedServer::Reset()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    Socket.SendStr(std::string(HugeSend, 'c'));
    ASSERT_TRUE(WaitUntil([&] { return Socket.State() == wsClosed; }));
    testsupport::PumpEvents();
    EXPECT_EQ(Events.Count("closed 10054"), 1);
    EXPECT_EQ(Events.Count("state Connected>Closed"), 1);
    EXPECT_FALSE(Events.Has("closed 0"));
}

TEST_F(SendBuffer, EachPostedNotificationThatFindsTheChainEmptyGivesOneDataSent) {
    TScriptedServer Server({{TScriptedServer::ExpectCount(6), TScriptedServer::Drain()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    Socket.SendStr("abc");
    Socket.SendStr("def");
    ASSERT_TRUE(WaitUntil([&] { return Events.Count("sent 0") == 2; }));
    // A zero-length send appends nothing but still reports the empty chain.
    EXPECT_EQ(Socket.Send(nullptr, 0), 0);
    ASSERT_TRUE(WaitUntil([&] { return Events.Count("sent 0") == 3; }));
    EXPECT_EQ(SendCalls, (std::vector<std::int32_t>{3, 3}));
}

TEST_F(SendBuffer, DataSentHandlerMaySendTheNextChunk) {
    TScriptedServer Server({{TScriptedServer::Expect("one two three "), TScriptedServer::Drain()}});
    const std::vector<std::string> Chunks{"one ", "two ", "three "};
    std::size_t Next = 0;
    const auto SendNext = [&](TCustomAsyncSocket* Sender, std::uint16_t) {
        if (Next < Chunks.size())
            Sender->SendStr(Chunks[Next++]);
    };
    Socket.OnDataSent = SendNext;
    Socket.OnSessionConnected = SendNext;
    nettest::StartConnect(Socket, Server.Port());
    ASSERT_TRUE(WaitUntil([&] { return Server.Received(0).size() == 14; }));
    EXPECT_EQ(Server.Received(0), "one two three ");
}

TEST_F(SendBuffer, SendInsideOnSendDataPutsEveryByteOnTheWireOnce) {
    // OnSendData comes while the block it reports may still be in the chain.
    std::string Payload(2000, ' ');
    for (std::size_t I = 0; I < Payload.size(); ++I)
        Payload[I] = static_cast<char>('a' + I % 26);
    const std::string More = "ABCDEFG";
    TScriptedServer Server({{TScriptedServer::ExpectCount(2007), TScriptedServer::Drain()}});
    ASSERT_TRUE(nettest::ConnectAndWait(Socket, Server.Port()));
    bool SentMore = false;
    Socket.OnSendData = [&](TCustomAsyncSocket* Sender, std::int32_t Bytes) {
        SendCalls.push_back(Bytes);
        if (!SentMore) {
            SentMore = true;
            Sender->SendStr(More);
        }
    };
    EXPECT_EQ(Socket.SendStr(Payload), 2000);
    ASSERT_TRUE(WaitUntil([&] { return Events.Has("sent 0"); }));
    ASSERT_TRUE(WaitUntil([&] { return Server.Received(0).size() >= 2007; }));
    testsupport::PumpEvents();
    EXPECT_EQ(Server.Received(0), Payload + More);
    EXPECT_EQ(BytesHandedOver(), 2007u);
    EXPECT_EQ(Events.Count("sent 0"), 1);
}

class SendWhenClosed : public testing::TestWithParam<bool> {};

TEST_P(SendWhenClosed, FailsWith10057ThroughOnErrorOrAnException) {
    const bool WithOnError = GetParam();
    TAsyncSocket Socket;
    int Errors = 0;
    if (WithOnError)
        Socket.OnError = [&](TCustomAsyncSocket*) { ++Errors; };
    int Result = 0;
    const std::string Message = nettest::MessageOf([&] { Result = Socket.SendStr("data"); });
    EXPECT_EQ(Message, WithOnError ? "(no exception)"
                                   : "Error 10057 in function Send\r\nSocket is not connected");
    EXPECT_EQ(Result, WithOnError ? -1 : 0);
    EXPECT_EQ(Errors, WithOnError ? 1 : 0);
    EXPECT_EQ(Socket.LastError(), 10057);
    EXPECT_EQ(Socket.State(), wsClosed);
    // Asking a socket without a handle for its readable bytes fails like a
    // receive on it: the handle is not a socket.
    EXPECT_EQ(nettest::MessageOf([&] { Socket.ReceiveStr(); }),
              WithOnError
                  ? "(no exception)"
                  : "Error 10038 in function ioctlSocket\r\nSocket operation on non-socket");
    EXPECT_EQ(Socket.LastError(), 10038);
    EXPECT_EQ(Errors, WithOnError ? 2 : 0);
}

INSTANTIATE_TEST_SUITE_P(Socket, SendWhenClosed, testing::Bool());

TEST_F(SendBuffer, SendWhileConnectingClosesTheSocket) {
    TScriptedServer Server({{TScriptedServer::Drain()}});
    Socket.OnError = [](TCustomAsyncSocket*) {};
    nettest::StartConnect(Socket, Server.Port());
    ASSERT_EQ(Socket.State(), wsConnecting);
    EXPECT_EQ(Socket.SendStr("early"), -1);
    EXPECT_EQ(Socket.State(), wsClosed);
    EXPECT_EQ(Socket.SocketHandle(), -1);
    testsupport::PumpEvents();
    EXPECT_FALSE(Events.Has("connected 0"));
}

} // namespace
