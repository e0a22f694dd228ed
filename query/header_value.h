#pragma once

#include <optional>
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

// A header line split at its first colon into the field's name and value,
// each without the blanks and tabs around it; a line without a colon is
// all name.
struct THeaderField {
    std::string_view Name;
    std::string_view Value;
};
THeaderField SplitHeaderLine(std::string_view line);

// The value of the first line whose field name is `name`, compared without
// regard to case; none when no line has that field.
std::optional<std::string_view> FieldValue(std::span<const std::string> lines,
                                           std::string_view name);

} // namespace httpreport
