#include "net/send_chain.h"

void TSendChain::Put(const void* Data, std::int32_t Len) {
    if (Len <= 0)
        return;
    if (FBlocks.empty())
        FBlocks.push_back(std::make_unique<TBuffer>(FBlockSize));
    const char* bytes = static_cast<const char*>(Data);
    std::int32_t taken = FBlocks.back()->Write(bytes, Len);
    while (taken < Len) {
        FBlocks.push_back(std::make_unique<TBuffer>(FBlockSize));
        taken += FBlocks.back()->Write(bytes + taken, Len - taken);
    }
}

const char* TSendChain::Next(std::int32_t& Len) {
    Len = 0;
    while (!FBlocks.empty()) {
        const char* data = FBlocks.front()->Peek(Len);
        if (Len > 0 || FBlocks.size() == 1)
            return data;
        FBlocks.pop_front();
    }
    return nullptr;
}

void TSendChain::Remove(std::int32_t Len) {
    if (!FBlocks.empty())
        FBlocks.front()->Remove(Len);
}

TSendChain::THandover::THandover(TSendChain& Chain, const TLifeToken::TWatch& OwnerWatch)
    : FChain(Chain), FOwnerWatch(OwnerWatch) {
    FChain.FHandingOver = true;
}

TSendChain::THandover::~THandover() {
    if (FOwnerWatch.Alive())
        FChain.FHandingOver = false;
}
