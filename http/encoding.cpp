#include "http/encoding.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Six-bit groups of 3 bytes starting at `index`, bytes past the end read as 0.
std::array<unsigned, 4> SixBitGroups(const unsigned char* bytes, std::size_t size,
                                     std::size_t index) {
    std::uint32_t triple = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        triple <<= 8;
        if (index + i < size)
            triple |= bytes[index + i];
    }
    return {(triple >> 18) & 63, (triple >> 12) & 63, (triple >> 6) & 63, triple & 63};
}

std::string Base64(const unsigned char* bytes, std::size_t size) {
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    for (std::size_t i = 0; i < size; i += 3) {
        const auto groups = SixBitGroups(bytes, size, i);
        const std::size_t present = size - i >= 3 ? 4 : size - i + 1;
        for (std::size_t g = 0; g < 4; ++g)
            out += g < present ? kBase64Alphabet[groups[g]] : '=';
    }
    return out;
}

char UUChar(unsigned value) {
    return value == 0 ? '`' : static_cast<char>(32 + value);
}

std::string UUEncode(const unsigned char* bytes, std::size_t size) {
    std::string out;
    out += static_cast<char>(((size - 1) & 63) + 33);
    for (std::size_t i = 0; i < size; i += 3) {
        for (unsigned group : SixBitGroups(bytes, size, i))
            out += UUChar(group);
    }
    return out;
}

} // namespace

std::string EncodeLine(THttpEncoding encoding, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (encoding == THttpEncoding::encUUEncode)
        return UUEncode(bytes, size);
    return Base64(bytes, size);
}

std::string EncodeStr(THttpEncoding encoding, const std::string& s) {
    return EncodeLine(encoding, s.data(), s.size());
}
