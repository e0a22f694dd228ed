#pragma once

#include <chrono>
#include <optional>
#include <string>

// The time a cookie's "Expires" value names, read as RFC 6265 section 5.1.1
// reads it: the first tokens that look like a time, a day, a month name and a
// year, in any order, whatever stands between them ("Sun, 06 Nov 1994
// 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37
// 1994"). Two-digit years 70 to 99 are 19xx, 00 to 69 are 20xx. Nothing when a
// part is missing, out of range, before 1601, or the day does not exist.
std::optional<std::chrono::sys_seconds> ParseCookieDate(const std::string& text);
