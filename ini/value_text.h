#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Text forms of the typed INI values. The Try functions give nothing for a
// text that does not convert, without the cost of an exception: typed reads of
// settings files fall back to their defaults often.
//
// Numbers, dates and times use one fixed, locale-independent form so that a
// settings file means the same on every machine: "." as the decimal separator,
// dates as YYYY-MM-DD, times as HH:MM:SS.

// Days since 30 December 1899; the fraction is the time of day. Before that day
// the integral part counts backwards and the fraction still runs forwards, so
// -1.25 is 29 December 1899, 06:00.
using TDateTime = double;

// Optional leading blanks, an optional sign, then decimal digits or "$" and up
// to eight hexadecimal digits ("$FFFFFFFF" is -1). Nothing may follow.
std::optional<std::int32_t> TryStrToInt(std::string_view text);
// The same, throwing EConvertError for a text that is not an integer.
std::int32_t StrToInt(std::string_view text);

// Shortest text that reads back as the same double; blanks around a number are
// accepted when reading.
std::string FloatToText(double value);
std::optional<double> TryTextToFloat(std::string_view text);

// The writing functions throw EConvertError for a value outside the years 1
// to 9999.
std::string DateToText(TDateTime value);
std::optional<TDateTime> TryTextToDate(std::string_view text);

// Whole seconds; the fraction of a second is rounded away.
std::string TimeToText(TDateTime value);
// "H:MM" or "H:MM:SS", 24-hour clock.
std::optional<TDateTime> TryTextToTime(std::string_view text);

// Date, one blank, time; the time may be left out when reading.
std::string DateTimeToText(TDateTime value);
std::optional<TDateTime> TryTextToDateTime(std::string_view text);
