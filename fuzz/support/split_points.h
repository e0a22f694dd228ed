#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <string>
#include <vector>

namespace fuzzsupport {

// Most pieces one stream is cut into: enough to split every interesting
// boundary, few enough to keep one input fast.
inline constexpr std::size_t kMaxPieces = 32;

// Cuts `Stream` into pieces whose lengths the provider chooses; joined they
// are `Stream` again. The last piece takes what is left. The lengths come
// from the provider's tail, so take `Stream` from its front first.
inline std::vector<std::string> SplitAtPoints(FuzzedDataProvider& Provider,
                                              const std::string& Stream) {
    std::vector<std::string> Pieces;
    std::size_t Done = 0;
    while (Done < Stream.size()) {
        const std::size_t Rest = Stream.size() - Done;
        const std::size_t Length = Pieces.size() + 1 == kMaxPieces
                                       ? Rest
                                       : Provider.ConsumeIntegralInRange<std::size_t>(1, Rest);
        Pieces.push_back(Stream.substr(Done, Length));
        Done += Length;
    }
    return Pieces;
}

} // namespace fuzzsupport
