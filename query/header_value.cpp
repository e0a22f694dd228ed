#include "query/header_value.h"

#include "base/ascii_text.h"

#include <algorithm>

namespace httpreport {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

} // namespace

std::string HeaderValue(std::span<const std::string> receivedHeader, std::string_view key,
                        std::string_view fallback) {
    const auto line = std::ranges::find_if(
        receivedHeader, [key](const std::string& l) { return l.starts_with(key); });
    if (line == receivedHeader.end())
        return std::string(fallback);
    return line->substr(key.size());
}

THeaderField SplitHeaderLine(std::string_view line) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos)
        return {Trimmed(line), {}};
    return {Trimmed(line.substr(0, colon)), Trimmed(line.substr(colon + 1))};
}

std::optional<std::string_view> FieldValue(std::span<const std::string> lines,
                                           std::string_view name) {
    const std::string wanted = LowerCase(std::string(name));
    for (const std::string& line : lines) {
        const THeaderField field = SplitHeaderLine(line);
        if (LowerCase(std::string(field.Name)) == wanted)
            return field.Value;
    }
    return std::nullopt;
}

} // namespace httpreport
