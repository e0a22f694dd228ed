#include "net/buffer.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(Buffer, ResizeKeepsHeldBytesAndNonPositiveSizeMeansDefault) {
    TBuffer Buffer(4);
    Buffer.Write("abcd", 4);
    char One;
    Buffer.Read(&One, 1);
    Buffer.SetBufSize(10);
    EXPECT_EQ(Buffer.BufSize(), 10);
    EXPECT_EQ(Buffer.Write("ef", 2), 2);
    EXPECT_EQ(ReadAll(Buffer), "bcdef");
    Buffer.SetBufSize(0);
    EXPECT_EQ(Buffer.BufSize(), TBuffer::DefaultSize);
}

TEST(Buffer, ShrinkingBelowHeldBytesKeepsWhatFits) {
    TBuffer Buffer(8);
    Buffer.Write("abcdefgh", 8);
    Buffer.SetBufSize(3);
    EXPECT_EQ(ReadAll(Buffer), "abc");
}

} // namespace
