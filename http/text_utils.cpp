#include "http/text_utils.h"

int Posn(const std::string& substr, const std::string& s, int count) {
    const int notFound = count > 0 ? static_cast<int>(s.size()) + 1 : 0;
    if (count == 0 || substr.empty())
        return notFound;
    std::string::size_type hit = std::string::npos;
    if (count > 0) {
        std::string::size_type from = 0;
        for (int i = 0; i < count; ++i) {
            hit = s.find(substr, from);
            if (hit == std::string::npos)
                return notFound;
            from = hit + 1;
        }
    } else {
        std::string::size_type from = std::string::npos;
        for (int i = 0; i < -count; ++i) {
            hit = s.rfind(substr, from);
            if (hit == std::string::npos)
                return notFound;
            if (hit == 0 && i + 1 < -count)
                return notFound;
            from = hit - 1;
        }
    }
    return static_cast<int>(hit) + 1;
}

bool HoldsControlByte(const std::string& s) {
    constexpr char kDeleteByte = 0x7F;
    for (const char c : s)
        if (static_cast<unsigned char>(c) < ' ' || c == kDeleteByte)
            return true;
    return false;
}
