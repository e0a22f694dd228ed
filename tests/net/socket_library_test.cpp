#include "net/socket_library.h"

#include <gtest/gtest.h>

#include <memory>

#include "net/async_socket.h"

namespace {

TEST(SocketLibrary, LiveSocketsHoldTheLibraryAndTheLastOneReleasesIt) {
    const int Before = SocketGCount();
    {
        auto First = std::make_unique<TAsyncSocket>();
        auto Second = std::make_unique<TAsyncSocket>();
        EXPECT_EQ(SocketGCount(), Before + 2);
        EXPECT_TRUE(SocketLibraryLoaded());
    }
    EXPECT_EQ(SocketGCount(), Before);
    if (Before == 0) {
        EXPECT_FALSE(SocketLibraryLoaded());
    }
}

TEST(SocketLibrary, ForcedLoadOutlivesTheSocketsUntilCancelled) {
    SocketForceLoadLibrary();
    SocketForceLoadLibrary(); // a second force takes no second reference
    EXPECT_TRUE(SocketGForced());
    const int Forced = SocketGCount();
    { TAsyncSocket Socket; }
    EXPECT_EQ(SocketGCount(), Forced);
    EXPECT_TRUE(SocketLibraryLoaded());
    SocketCancelForceLoadLibrary();
    EXPECT_FALSE(SocketGForced());
    EXPECT_EQ(SocketGCount(), Forced - 1);
}

} // namespace
