#include "query/format_size.h"

#include "util/cp1252.h"

#include <QLocale>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace httpreport {
namespace {

constexpr double kKilo = 1024.0;
constexpr double kMega = kKilo * 1024.0;
constexpr double kGiga = kMega * 1024.0;

constexpr std::string_view kUnknown = "(Unbekannt)";
constexpr std::string_view kNotFormattable = "?";
constexpr std::size_t kGroupSize = 3;
// Room for every finite double in fixed notation with two decimals.
constexpr std::size_t kAmountBufferSize = 400;
constexpr double kCentsPerUnit = 100.0;
// Above 2^53 a double has no fraction left to round.
constexpr double kExactDoubleLimit = 9007199254740992.0;

struct TUnit {
    double Above; // the count must exceed this to be shown in the unit
    double Size;
    std::string_view Name;
};

// Largest first: the first unit the count exceeds wins.
constexpr std::array<TUnit, 4> kUnits{{
    {kGiga, kGiga, "GB"},
    {kMega, kMega, "MB"},
    {kKilo, kKilo, "kB"},
    {0.0, 1.0, "bytes"},
}};

// A locale separator in the 8-bit code page. Some locales use characters the
// code page lacks (French groups with the narrow no-break space, Arabic has
// its own decimal sign); a blank-like one becomes the code page's no-break
// space, any other the C locale's separator, so the number stays readable.
std::string SeparatorBytes(const QString& separator, char fallback) {
    const std::string bytes = ToCp1252(separator);
    if (bytes.find('?') == std::string::npos || separator == QStringLiteral("?"))
        return bytes;
    const bool blank =
        !separator.isEmpty() && std::ranges::all_of(separator, [](QChar c) { return c.isSpace(); });
    return blank ? std::string(1, '\xA0') : std::string(1, fallback);
}

// "#,##0.00": two decimals and groups of three with the locale's separators.
std::string FormatAmount(double amount, const QLocale& locale) {
    // printf rounds an exact tie to even (1152 bytes would read "1,12 kB");
    // a shown amount rounds halves up, away from zero. Sizes divided by a
    // power of two are exact, so scaling by 100 adds no error below 2^53.
    const double cents = amount * kCentsPerUnit;
    if (std::fabs(cents) < kExactDoubleLimit)
        amount = std::round(cents) / kCentsPerUnit;
    std::array<char, kAmountBufferSize> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.2f", amount);
    const std::string_view digits(buffer.data());
    const std::size_t point = digits.find('.');
    const std::string_view whole = digits.substr(0, point);

    const std::string group = SeparatorBytes(locale.groupSeparator(), ',');
    std::string text;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % kGroupSize == 0)
            text += group;
        text += whole[i];
    }
    text += SeparatorBytes(locale.decimalPoint(), '.');
    text += digits.substr(point + 1);
    return text;
}

} // namespace

std::string FormatSize(double bytes, const QLocale& locale) {
    if (std::isnan(bytes) || std::isinf(bytes))
        return std::string(kNotFormattable);
    for (const TUnit& unit : kUnits) {
        if (bytes > unit.Above)
            return FormatAmount(bytes / unit.Size, locale) + " " + std::string(unit.Name);
    }
    return std::string(kUnknown);
}

} // namespace httpreport
