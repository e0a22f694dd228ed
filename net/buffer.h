#pragma once

#include <cstdint>
#include <memory>

// One fixed-size block of the send chain. Bytes are written at the end and
// read from the front; when the read position reaches the write position both
// return to 0, so a drained block is reused from its start. Space freed by
// partial reads is not reclaimed before that.
class TBuffer {
public:
    static constexpr std::int32_t kDefaultSize = 1514; // one Ethernet frame

    explicit TBuffer(std::int32_t Size);

    // A size <= 0 means kDefaultSize. Data held is kept; a size below the
    // bytes held is not supported.
    void SetBufSize(std::int32_t Size);
    std::int32_t BufSize() const { return FBufSize; }

    // Copies as much as fits behind the written bytes; returns the count taken.
    std::int32_t Write(const void* Data, std::int32_t Len);
    // Copies and consumes up to Len bytes from the front; returns the count.
    std::int32_t Read(void* Data, std::int32_t Len);
    // The unread bytes without consuming them; null and Len 0 when empty.
    const char* Peek(std::int32_t& Len) const;
    // Drops up to Len bytes from the front; returns the count dropped.
    std::int32_t Remove(std::int32_t Len);

    std::int32_t Available() const { return FWrOffset - FRdOffset; }

private:
    std::unique_ptr<char[]> FData;
    std::int32_t FBufSize = 0;
    std::int32_t FWrOffset = 0;
    std::int32_t FRdOffset = 0;
};
