#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/ascii_text.h"

// One field line of a received HTTP header, "Name: value". Names compare
// without regard to case, and a value is what stands between the blanks and
// tabs around it (RFC 9110, 5.1 and 5.5): servers, proxies and caches write
// "content-type:" as often as "Content-Type: ".
struct TFieldLine {
    std::string_view Name;
    std::string_view Value;
};

// The text without the blanks and tabs at either end.
inline std::string_view TrimFieldBlanks(std::string_view Text) {
    constexpr std::string_view kBlanks = " \t";
    const auto first = Text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return Text.substr(first, Text.find_last_not_of(kBlanks) - first + 1);
}

// The name before the first colon and the value after it; none when the
// line has no colon.
inline std::optional<TFieldLine> SplitFieldLine(std::string_view Line) {
    const auto colon = Line.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    return TFieldLine{Line.substr(0, colon), TrimFieldBlanks(Line.substr(colon + 1))};
}

// Whether two field names are the same; only A to Z fold.
inline bool SameFieldName(std::string_view A, std::string_view B) {
    return A.size() == B.size() && LowerCase(std::string(A)) == LowerCase(std::string(B));
}
