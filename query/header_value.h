#pragma once

#include <span>
#include <string>
#include <string_view>

namespace httpreport {

// The value of the first received header line that begins with `key`, which
// includes the colon and the blank ("Server: "); compared case-sensitively.
// The value is the rest of the line, exactly as the server sent it. Returns
// `fallback` when no line begins with the key.
std::string HeaderValue(std::span<const std::string> receivedHeader, std::string_view key,
                        std::string_view fallback);

} // namespace httpreport
