#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "base/life_token.h"
#include "net/buffer.h"

// The send chain: blocks of one size, oldest first. New bytes fill the free
// tail of the newest block, then whole new blocks. A handover offers the
// unsent bytes of the oldest block and takes off the front what the system
// accepted; a drained last block stays, reset, for the next bytes.
class TSendChain {
public:
    explicit TSendChain(std::int32_t BlockSize) : FBlockSize(BlockSize) {}

    // Appends Len bytes; nothing for Len <= 0.
    void Put(const void* Data, std::int32_t Len);
    // Frees every block.
    void Clear() { FBlocks.clear(); }
    // True when nothing has been put since the chain was cleared.
    bool Empty() const { return FBlocks.empty(); }
    // The bytes to hand over next, at most one block, still in the chain;
    // null (and Len 0) when everything has been handed over.
    const char* Next(std::int32_t& Len);
    // Takes Len handed-over bytes off the front.
    void Remove(std::int32_t Len);

    // Marks a block as being handed over while it lives: its bytes leave the
    // chain only when the handover returns, so a handover started inside it
    // (a Send from an OnSendData handler) must leave the chain to it. The
    // owner's watch tells whether the chain went with its owner meanwhile.
    class THandover {
    public:
        THandover(TSendChain& Chain, const TLifeToken::TWatch& OwnerWatch);
        ~THandover();
        THandover(const THandover&) = delete;
        THandover& operator=(const THandover&) = delete;

    private:
        TSendChain& FChain;
        const TLifeToken::TWatch FOwnerWatch;
    };
    bool HandingOver() const { return FHandingOver; }

private:
    std::deque<std::unique_ptr<TBuffer>> FBlocks;
    std::int32_t FBlockSize;
    bool FHandingOver = false;
};
