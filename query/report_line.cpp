#include "query/report_line.h"

namespace reportline {
namespace {

constexpr std::string_view kHeadingStart = ">>";
constexpr std::string_view kHeadingEnd = "<<";

} // namespace

std::string Heading(std::string_view title) {
    std::string line;
    line.reserve(kHeadingStart.size() + title.size() + kHeadingEnd.size());
    line.append(kHeadingStart).append(title).append(kHeadingEnd);
    return line;
}

std::string Value(std::string_view text) {
    std::string line{kNoBreakSpace, ' '};
    line.append(text);
    return line;
}

std::optional<std::string_view> HeadingTitle(std::string_view line) {
    // Both markers must fit without overlapping: ">><" is no heading.
    if (line.size() < kHeadingStart.size() + kHeadingEnd.size() ||
        !line.starts_with(kHeadingStart) || !line.ends_with(kHeadingEnd))
        return std::nullopt;
    line.remove_prefix(kHeadingStart.size());
    line.remove_suffix(kHeadingEnd.size());
    return line;
}

std::string ShownText(std::string_view line) {
    if (const auto title = HeadingTitle(line))
        return std::string(*title);
    std::string shown(line);
    if (shown.starts_with(kNoBreakSpace))
        shown.front() = ' ';
    return shown;
}

} // namespace reportline
