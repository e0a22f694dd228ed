#include "http/cookie_date.h"

#include <array>
#include <string_view>
#include <vector>

#include "base/ascii_text.h"
#include "http/text_utils.h"

namespace {

constexpr int kFirstYear = 1601;
constexpr int kTwoDigitYearsOf1900 = 70; // two-digit years from here on are 19xx
constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// %x09 / %x20-2F / %x3B-40 / %x5B-60 / %x7B-7E
bool IsDelimiter(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b == 0x09 || (b >= 0x20 && b <= 0x2F) || (b >= 0x3B && b <= 0x40) ||
           (b >= 0x5B && b <= 0x60) || (b >= 0x7B && b <= 0x7E);
}

std::vector<std::string_view> Tokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsDelimiter(text[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && !IsDelimiter(text[i]))
            ++i;
        tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

// minDigits to maxDigits digits at `pos`, not followed by another digit.
bool ReadNumber(std::string_view token, std::size_t& pos, int minDigits, int maxDigits,
                int& number) {
    number = 0;
    int digits = 0;
    while (pos < token.size() && IsDigit(token[pos]) && digits < maxDigits) {
        number = number * 10 + (token[pos++] - '0');
        ++digits;
    }
    return digits >= minDigits && (pos == token.size() || !IsDigit(token[pos]));
}

bool ReadTime(std::string_view token, int& hour, int& minute, int& second) {
    std::size_t pos = 0;
    const auto field = [&](int& value) { return ReadNumber(token, pos, 1, 2, value); };
    const auto colon = [&] { return pos < token.size() && token[pos++] == ':'; };
    return field(hour) && colon() && field(minute) && colon() && field(second);
}

bool ReadWholeNumber(std::string_view token, int minDigits, int maxDigits, int& number) {
    std::size_t pos = 0;
    return ReadNumber(token, pos, minDigits, maxDigits, number);
}

bool ReadMonth(std::string_view token, int& month) {
    if (token.size() < 3)
        return false;
    const std::string prefix = LowerCase(std::string(token.substr(0, 3)));
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (prefix == kMonths[i]) {
            month = static_cast<int>(i) + 1;
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<std::chrono::sys_seconds> ParseCookieDate(const std::string& text) {
    bool foundTime = false, foundDay = false, foundMonth = false, foundYear = false;
    int hour = 0, minute = 0, second = 0, day = 0, month = 0, year = 0;
    for (const std::string_view token : Tokens(text)) {
        if (!foundTime && ReadTime(token, hour, minute, second))
            foundTime = true;
        else if (!foundDay && ReadWholeNumber(token, 1, 2, day))
            foundDay = true;
        else if (!foundMonth && ReadMonth(token, month))
            foundMonth = true;
        else if (!foundYear && ReadWholeNumber(token, 2, 4, year))
            foundYear = true;
    }
    if (!foundTime || !foundDay || !foundMonth || !foundYear)
        return std::nullopt;
    if (year < 100)
        year += year >= kTwoDigitYearsOf1900 ? 1900 : 2000;
    if (year < kFirstYear || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(year),
                                           std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok())
        return std::nullopt;
    return std::chrono::sys_days(date) + std::chrono::hours(hour) + std::chrono::minutes(minute) +
           std::chrono::seconds(second);
}
