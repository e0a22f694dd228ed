#include "net/buffer.h"

#include <algorithm>
#include <cstring>

TBuffer::TBuffer(std::int32_t Size) {
    SetBufSize(Size);
}

void TBuffer::SetBufSize(std::int32_t Size) {
    if (Size <= 0)
        Size = kDefaultSize;
    if (Size == FBufSize)
        return;
    auto data = std::make_unique<char[]>(static_cast<std::size_t>(Size));
    // Shrinking below the bytes held keeps what fits rather than writing past the end.
    FWrOffset = std::min(FWrOffset, Size);
    FRdOffset = std::min(FRdOffset, FWrOffset);
    if (FWrOffset > 0)
        std::memcpy(data.get(), FData.get(), static_cast<std::size_t>(FWrOffset));
    FData = std::move(data);
    FBufSize = Size;
}

std::int32_t TBuffer::Write(const void* Data, std::int32_t Len) {
    const std::int32_t space = FBufSize - FWrOffset;
    if (space <= 0 || Len <= 0)
        return 0;
    const std::int32_t count = std::min(space, Len);
    std::memcpy(FData.get() + FWrOffset, Data, static_cast<std::size_t>(count));
    FWrOffset += count;
    return count;
}

std::int32_t TBuffer::Read(void* Data, std::int32_t Len) {
    const std::int32_t count = std::min(Available(), Len);
    if (count <= 0)
        return 0;
    std::memcpy(Data, FData.get() + FRdOffset, static_cast<std::size_t>(count));
    return Remove(count);
}

const char* TBuffer::Peek(std::int32_t& Len) const {
    Len = Available();
    return Len > 0 ? FData.get() + FRdOffset : nullptr;
}

std::int32_t TBuffer::Remove(std::int32_t Len) {
    const std::int32_t count = std::min(Available(), Len);
    if (count <= 0)
        return 0;
    FRdOffset += count;
    if (FRdOffset == FWrOffset)
        FRdOffset = FWrOffset = 0;
    return count;
}
