#include "http/response_parsing.h"

#include <charconv>

#include "base/ascii_text.h"
#include "http/text_utils.h"

namespace {

// Where the range numbers of "bytes 100-199/1000" start.
constexpr std::string::size_type kRangeStart = 6;

bool IsDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

bool IsStatusLine(const std::string& line) {
    return line.compare(0, 8, "HTTP/1.0") == 0 || line.compare(0, 8, "HTTP/1.1") == 0;
}

std::optional<int> StatusCodeOf(const std::string& statusLine) {
    const std::string digits = statusLine.size() > 9 ? statusLine.substr(9, 3) : std::string();
    const auto number = ParseDecimal(digits);
    if (!number || digits.find(' ') != std::string::npos)
        return std::nullopt;
    return static_cast<int>(*number);
}

std::string ReasonPhraseOf(const std::string& statusLine) {
    return statusLine.size() > 13 ? statusLine.substr(13) : std::string();
}

bool StatusHasBody(int status) {
    constexpr int kFirstInformational = 100;
    constexpr int kFirstFinal = 200;
    constexpr int kNoContent = 204;
    constexpr int kNotModified = 304;
    const bool informational = status >= kFirstInformational && status < kFirstFinal;
    return !informational && status != kNoContent && status != kNotModified;
}

bool IsHtmlTagLine(const std::string& line) {
    return LowerCase(line.substr(0, 6)) == "<html>";
}

bool SplitHeaderField(const std::string& line, std::string& field, std::string& value) {
    const auto colon = line.find(':');
    if (colon == std::string::npos)
        return false;
    field = LowerCase(line.substr(0, colon));
    auto start = colon + 1;
    while (start + 1 < line.size() && line[start] == ' ')
        ++start;
    value = start < line.size() ? line.substr(start) : std::string();
    return true;
}

std::optional<std::int64_t> ParseDecimal(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const auto last = text.find_last_not_of(" \t");
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    if (*begin < '0' || *begin > '9')
        return std::nullopt;
    std::int64_t number = 0;
    const auto result = std::from_chars(begin, end, number);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return number;
}

bool ParseContentRange(const std::string& value, std::string& rangeBegin, std::string& rangeEnd) {
    const auto dash = value.find('-');
    if (dash == std::string::npos)
        return false;
    const std::string first =
        dash > kRangeStart ? value.substr(kRangeStart, dash - kRangeStart) : std::string();
    const auto slash = value.find('/', dash);
    const std::string last =
        value.substr(dash + 1, slash == std::string::npos ? std::string::npos : slash - dash - 1);
    // The bounds go into the next request's "Range" line.
    if (!IsDigits(first) || !IsDigits(last))
        return false;
    rangeBegin = first;
    rangeEnd = last;
    return true;
}

std::optional<std::string> RedirectionTarget(const std::string& value) {
    if (HoldsControlByte(value))
        return std::nullopt;
    std::string target;
    for (const char c : value.substr(0, value.find_last_not_of(' ') + 1))
        target += c == ' ' ? std::string("%20") : std::string(1, c);
    return target;
}
