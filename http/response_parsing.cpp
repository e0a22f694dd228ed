#include "http/response_parsing.h"

#include <charconv>

#include "base/ascii_text.h"
#include "base/field_line.h"
#include "http/text_utils.h"

namespace {

// Where the range numbers of "bytes 100-199/1000" start.
constexpr std::string::size_type kRangeStart = 6;

constexpr int kFirstInformational = 100;
constexpr int kSwitchingProtocols = 101;
constexpr int kFirstFinal = 200;
constexpr int kNoContent = 204;
constexpr int kNotModified = 304;
constexpr int kFirstUndefined = 600;

bool IsInformational(int status) {
    return status >= kFirstInformational && status < kFirstFinal;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

std::optional<TStatusLine> ParseStatusLine(const std::string& line) {
    constexpr std::string_view kProtocol = "HTTP/";
    constexpr std::size_t kCodeDigits = 3;
    const std::string_view text(line);
    if (!text.starts_with(kProtocol))
        return std::nullopt;
    std::size_t at = kProtocol.size();
    const auto digitAt = [&text](std::size_t i) { return i < text.size() && IsDigit(text[i]); };
    if (!digitAt(at++))
        return std::nullopt;
    if (at < text.size() && text[at] == '.' && digitAt(at + 1))
        at += 2;
    if (at >= text.size() || text[at++] != ' ')
        return std::nullopt;
    for (std::size_t i = 0; i < kCodeDigits; ++i)
        if (!digitAt(at + i))
            return std::nullopt;
    TStatusLine status;
    std::from_chars(text.data() + at, text.data() + at + kCodeDigits, status.Code);
    at += kCodeDigits;
    // Classes 1 to 5 are all there are: "000" or "999" names no status.
    if (status.Code < kFirstInformational || status.Code >= kFirstUndefined ||
        (at < text.size() && text[at] != ' '))
        return std::nullopt;
    status.Reason = at < text.size() ? line.substr(at + 1) : std::string();
    return status;
}

bool IsInterimStatus(int status) {
    return IsInformational(status) && status != kSwitchingProtocols;
}

bool StatusHasBody(int status) {
    return !IsInformational(status) && status != kNoContent && status != kNotModified;
}

bool IsHtmlTagLine(const std::string& line) {
    return LowerCase(line.substr(0, 6)) == "<html>";
}

bool SplitHeaderField(const std::string& line, std::string& field, std::string& value) {
    const auto split = SplitFieldLine(line);
    if (!split)
        return false;
    field = LowerCase(std::string(split->Name));
    value = split->Value;
    return true;
}

void AddConnectionTokens(const std::string& value, TConnectionTokens& tokens) {
    std::string_view rest(value);
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        const std::string token = LowerCase(std::string(TrimFieldBlanks(rest.substr(0, comma))));
        tokens.Close = tokens.Close || token == "close";
        tokens.KeepAlive = tokens.KeepAlive || token == "keep-alive";
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
}

bool ConnectionPersists(const std::string& version, const TConnectionTokens& tokens) {
    if (tokens.Close)
        return false;
    return version == "HTTP/1.1" || (version == "HTTP/1.0" && tokens.KeepAlive);
}

bool IsContinuationLine(const std::string& line) {
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

std::string JoinFoldedLine(const std::string& line, const std::string& continuation) {
    std::string joined(TrimFieldBlanks(line));
    if (const std::string_view rest = TrimFieldBlanks(continuation); !rest.empty()) {
        joined += ' ';
        joined += rest;
    }
    return joined;
}

std::optional<std::int64_t> ParseDecimal(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const auto last = text.find_last_not_of(" \t");
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    if (!IsDigit(*begin))
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
