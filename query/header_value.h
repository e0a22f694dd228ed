#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace httpreport {

// The value of the first received header line that begins with `key`, which
// includes the colon and the blank ("Server: "); compared case-sensitively.
// The value is the rest of the line, exactly as the server sent it. Returns
// `fallback` when no line begins with the key.
//
// The client keeps the lines of every response of a redirection chain in
// arrival order, so the value comes from the earliest response that has it.
std::string HeaderValue(const std::vector<std::string>& receivedHeader, std::string_view key,
                        std::string_view fallback);

} // namespace httpreport
