#pragma once

#include <string>

class QLocale;

namespace httpreport {

// A byte count as Windows-1252 text with two decimals and thousands grouping in
// the largest unit it exceeds: "1.024,00 bytes", "1,00 kB", "12,50 MB",
// "3,00 GB" (the limits are strict, so exactly 1024 stays in bytes). The group
// and decimal separators are `locale`'s; the digits are always 0 to 9.
// Zero and negative counts give "(Unbekannt)"; a count that is no number or
// infinite cannot be formatted and gives "?".
std::string FormatSize(double bytes, const QLocale& locale);

} // namespace httpreport
