#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Text forms of the typed INI values. The To-value functions throw
// EConvertError for a text that does not convert; the typed reads of
// TCachedIniFile turn that into their default.
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
std::int32_t StrToInt(std::string_view text);

// Shortest text that reads back as the same double; blanks around a number are
// accepted when reading.
std::string FloatToText(double value);
double TextToFloat(std::string_view text);

std::string DateToText(TDateTime value);
TDateTime TextToDate(std::string_view text);

// Whole seconds; the fraction of a second is rounded away.
std::string TimeToText(TDateTime value);
// "H:MM" or "H:MM:SS", 24-hour clock.
TDateTime TextToTime(std::string_view text);

// Date, one blank, time; the time may be left out when reading.
std::string DateTimeToText(TDateTime value);
TDateTime TextToDateTime(std::string_view text);
