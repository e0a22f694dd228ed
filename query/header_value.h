#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace httpreport {

// The value of the first received header line whose field name is `name`
// ("Server"), compared without regard to case: the rest of the line after
// the colon as the server sent it, without the blanks and tabs around it.
// Returns `fallback` when no line has that name.
std::string HeaderValue(std::span<const std::string> receivedHeader, std::string_view name,
                        std::string_view fallback);

// The value of the first line whose field name is `name`, compared without
// regard to case; none when no line has that field.
std::optional<std::string_view> FieldValue(std::span<const std::string> lines,
                                           std::string_view name);

} // namespace httpreport
