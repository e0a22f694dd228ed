#include "net/buffer.h"

#include <algorithm>
#include <cstring>

TBuffer::TBuffer(std::int32_t Size) {
    SetBufSize(Size);
}

void TBuffer::SetBufSize(std::int32_t Size) {
    if (Size <= 0)
        Size = DefaultSize;
    if (Size == FBufSize)
        return;
    auto Data = std::make_unique<char[]>(static_cast<std::size_t>(Size));
    // Shrinking below the bytes held keeps what fits rather than writing past the end.
    FWrOffset = std::min(FWrOffset, Size);
    FRdOffset = std::min(FRdOffset, FWrOffset);
    if (FWrOffset > 0)
        std::memcpy(Data.get(), FData.get(), static_cast<std::size_t>(FWrOffset));
    FData = std::move(Data);
    FBufSize = Size;
}

std::int32_t TBuffer::Write(const void* Data, std::int32_t Len) {
    const std::int32_t Space = FBufSize - FWrOffset;
    if (Space <= 0 || Len <= 0)
        return 0;
    const std::int32_t Count = std::min(Space, Len);
    std::memcpy(FData.get() + FWrOffset, Data, static_cast<std::size_t>(Count));
    FWrOffset += Count;
    return Count;
}

std::int32_t TBuffer::Read(void* Data, std::int32_t Len) {
    const std::int32_t Count = std::min(Available(), Len);
    if (Count <= 0)
        return 0;
    std::memcpy(Data, FData.get() + FRdOffset, static_cast<std::size_t>(Count));
    return Remove(Count);
}

const char* TBuffer::Peek(std::int32_t& Len) const {
    Len = Available();
    return Len > 0 ? FData.get() + FRdOffset : nullptr;
}

std::int32_t TBuffer::Remove(std::int32_t Len) {
    const std::int32_t Count = std::min(Available(), Len);
    if (Count <= 0)
        return 0;
    FRdOffset += Count;
    if (FRdOffset == FWrOffset)
        FRdOffset = FWrOffset = 0;
    return Count;
}
