#include "query/header_value.h"

#include <algorithm>

namespace httpreport {

std::string HeaderValue(std::span<const std::string> receivedHeader, std::string_view key,
                        std::string_view fallback) {
    const auto line = std::ranges::find_if(
        receivedHeader, [key](const std::string& l) { return l.starts_with(key); });
    if (line == receivedHeader.end())
        return std::string(fallback);
    return line->substr(key.size());
}

} // namespace httpreport
