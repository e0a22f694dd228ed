#include "http/rfc1123_date.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

constexpr long long kMSecsPerDay = 24LL * 60 * 60 * 1000;
// 30 December 1899 counted from 1 January 1970.
constexpr int kDayZeroFromUnixEpoch = -25569;
constexpr char kWeekdays[] = "MonTueWedThuFriSatSun";
constexpr char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";

} // namespace

std::string RFC1123_Date(TDateTime dateTime) {
    // The whole part counts days; the fraction is the time of day even for
    // values before day 0, so it is taken without its sign.
    long long days = static_cast<long long>(std::trunc(dateTime));
    long long msecs = std::llround(std::fabs(dateTime - std::trunc(dateTime)) * kMSecsPerDay);
    if (msecs >= kMSecsPerDay) {
        msecs -= kMSecsPerDay;
        ++days;
    }

    using namespace std::chrono;
    const year_month_day date{sys_days{} + std::chrono::days{days + kDayZeroFromUnixEpoch}};
    // Day 2 was a Monday; the modulo is kept non-negative for dates before it.
    const long long weekday = ((days - 2) % 7 + 7) % 7;
    const unsigned month = static_cast<unsigned>(date.month());

    char text[64];
    std::snprintf(text, sizeof text, "%.3s, %2.2u %.3s %4.4d %2.2lld:%2.2lld:%2.2lld",
                  kWeekdays + weekday * 3, static_cast<unsigned>(date.day()),
                  kMonths + (month - 1) * 3, static_cast<int>(date.year()), msecs / 3600000,
                  msecs / 60000 % 60, msecs / 1000 % 60);
    return text;
}
