#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The HTTP report is a list of 8-bit lines (Windows-1252) whose kind is told by
// the text alone, so that the list can be stored, drawn and printed without any
// side data:
//   heading    ">>" + title + "<<"
//   value      no-break space (0xA0) + blank + value
//   separator  empty line
using TReportLines = std::vector<std::string>;

namespace reportline {

inline constexpr char kNoBreakSpace = '\xA0';
// The value shown for what the answer did not say.
inline constexpr std::string_view kUnknown = "<unbekannt>";

// ">>" + title + "<<".
std::string Heading(std::string_view title);

// No-break space + blank + text.
std::string Value(std::string_view text);

// The title of a heading line; nothing for any other line. A line of the two
// markers alone is a heading with an empty title; ">>" alone is not a heading.
std::optional<std::string_view> HeadingTitle(std::string_view line);

// The line as the result list shows it: a heading's title, and the leading
// no-break space of a value line as a blank, so that values read as indented
// by two blanks. Every other line is returned unchanged.
std::string ShownText(std::string_view line);

} // namespace reportline
