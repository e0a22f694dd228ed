#include "ini/value_text.h"

#include "ini/convert_error.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kSecondsPerDay = 24 * 60 * 60;
constexpr std::uint64_t kMaxHexValue = 0xFFFFFFFFu;
constexpr std::uint64_t kMaxPositive = 0x7FFFFFFFu;
constexpr std::uint64_t kMaxNegative = 0x80000000u;

constexpr std::chrono::sys_days kDayZero = std::chrono::year_month_day{
    std::chrono::year{1899}, std::chrono::December, std::chrono::day{30}};
constexpr int kFirstDay = -693593; // 0001-01-01
constexpr int kLastDay = 2958465;  // 9999-12-31

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads minCount to maxCount decimal digits at `pos`.
bool TakeDigits(std::string_view text, std::size_t& pos, std::size_t minCount, std::size_t maxCount,
                int& value) {
    std::size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxCount && text[pos] >= '0' && text[pos] <= '9')
        value = value * 10 + (text[pos++] - '0');
    return pos - start >= minCount;
}

bool TakeChar(std::string_view text, std::size_t& pos, char c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// Date part at `pos`; returns false when it is not a valid YYYY-MM-DD.
bool ParseDate(std::string_view text, std::size_t& pos, int& days) {
    int y = 0, m = 0, d = 0;
    if (!TakeDigits(text, pos, 4, 4, y) || !TakeChar(text, pos, '-') ||
        !TakeDigits(text, pos, 2, 2, m) || !TakeChar(text, pos, '-') ||
        !TakeDigits(text, pos, 2, 2, d))
        return false;
    std::chrono::year_month_day ymd{std::chrono::year{y}, std::chrono::month{unsigned(m)},
                                    std::chrono::day{unsigned(d)}};
    if (!ymd.ok() || y < 1)
        return false;
    days = (std::chrono::sys_days{ymd} - kDayZero).count();
    return true;
}

bool ParseTime(std::string_view text, std::size_t& pos, double& fraction) {
    int h = 0, m = 0, s = 0;
    if (!TakeDigits(text, pos, 1, 2, h) || !TakeChar(text, pos, ':') ||
        !TakeDigits(text, pos, 2, 2, m))
        return false;
    if (TakeChar(text, pos, ':') && !TakeDigits(text, pos, 2, 2, s))
        return false;
    if (h > 23 || m > 59 || s > 59)
        return false;
    fraction = double(h * 3600 + m * 60 + s) / kSecondsPerDay;
    return true;
}

// What `parse` reads, when it reads the whole text.
template <class Value, class Parse>
std::optional<Value> ParseWhole(std::string_view text, Parse parse) {
    std::size_t pos = 0;
    Value value{};
    if (!parse(text, pos, value) || pos != text.size())
        return std::nullopt;
    return value;
}

TDateTime Combine(int days, double fraction) {
    return days >= 0 ? days + fraction : days - fraction;
}

// The day of a value in the years 1 to 9999; other values (and NaN) have no
// date text.
int DayPart(TDateTime value) {
    if (!(value > kFirstDay - 1 && value < kLastDay + 1))
        throw EConvertError("Invalid date value " + FloatToText(value));
    return static_cast<int>(std::trunc(value));
}

std::string FormatDate(TDateTime value) {
    std::chrono::year_month_day ymd{kDayZero + std::chrono::days{DayPart(value)}};
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", int(ymd.year()), unsigned(ymd.month()),
                  unsigned(ymd.day()));
    return buffer;
}

std::string FormatTime(TDateTime value) {
    double fraction = std::fabs(value - DayPart(value));
    // Rounding may reach midnight; stay on the same day rather than roll over.
    long seconds = std::min<long>(std::lround(fraction * kSecondsPerDay), kSecondsPerDay - 1);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return buffer;
}

} // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
    std::size_t pos = text.find_first_not_of(' ');
    if (pos == std::string_view::npos)
        return std::nullopt;
    bool negative = text[pos] == '-';
    if (text[pos] == '-' || text[pos] == '+')
        ++pos;
    bool hex = pos < text.size() && text[pos] == '$';
    if (hex)
        ++pos;
    if (pos == text.size())
        return std::nullopt;
    std::uint64_t limit = hex ? kMaxHexValue : (negative ? kMaxNegative : kMaxPositive);
    std::uint64_t value = 0;
    for (; pos < text.size(); ++pos) {
        int digit = hex ? HexDigit(text[pos])
                        : (text[pos] >= '0' && text[pos] <= '9' ? text[pos] - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        value = value * (hex ? 16 : 10) + digit;
        if (value > limit)
            return std::nullopt;
    }
    // Hexadecimal texts name a 32-bit pattern, so values above 7FFFFFFF wrap.
    std::uint32_t bits = static_cast<std::uint32_t>(value);
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
}

std::int32_t StrToInt(std::string_view text) {
    if (std::optional<std::int32_t> value = TryStrToInt(text))
        return *value;
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

std::string FloatToText(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::optional<double> TryTextToFloat(std::string_view text) {
    std::size_t first = text.find_first_not_of(' ');
    std::size_t last = text.find_last_not_of(' ');
    if (first == std::string_view::npos)
        return std::nullopt;
    std::string_view number = text.substr(first, last - first + 1);
    double value = 0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec != std::errc() || result.ptr != number.data() + number.size())
        return std::nullopt;
    return value;
}

std::string DateToText(TDateTime value) {
    return FormatDate(value);
}

std::optional<TDateTime> TryTextToDate(std::string_view text) {
    return ParseWhole<int>(text, ParseDate);
}

std::string TimeToText(TDateTime value) {
    return FormatTime(value);
}

std::optional<TDateTime> TryTextToTime(std::string_view text) {
    return ParseWhole<double>(text, ParseTime);
}

std::string DateTimeToText(TDateTime value) {
    return FormatDate(value) + " " + FormatTime(value);
}

std::optional<TDateTime> TryTextToDateTime(std::string_view text) {
    std::size_t pos = 0;
    int days = 0;
    double fraction = 0;
    if (!ParseDate(text, pos, days))
        return std::nullopt;
    if (TakeChar(text, pos, ' ') && !ParseTime(text, pos, fraction))
        return std::nullopt;
    if (pos != text.size())
        return std::nullopt;
    return Combine(days, fraction);
}
