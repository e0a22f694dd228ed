#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Helpers that read one received header line; none of them throws.

// A line beginning with "HTTP/1.0" or "HTTP/1.1".
bool IsStatusLine(const std::string& line);

// The three-digit status code of a status line (columns 10 to 12); empty when
// those columns are not a number.
std::optional<int> StatusCodeOf(const std::string& statusLine);

// The text from column 14 of a status line to its end.
std::string ReasonPhraseOf(const std::string& statusLine);

// Whether an answer with this status to a GET or POST carries a body: all
// but informational answers, "204 No Content" and "304 Not Modified" (0, no
// status line at all, has one).
bool StatusHasBody(int status);

// A line whose first six characters are "<HTML>" in any case: a response
// without a header.
bool IsHtmlTagLine(const std::string& line);

// Splits "Field: value" at the first colon; the field comes back lower-cased,
// the value without the blanks after the colon (the last character is always
// kept). False when the line has no colon.
bool SplitHeaderField(const std::string& line, std::string& field, std::string& value);

// A non-negative decimal number that fits 64 bits, blanks around it allowed.
std::optional<std::int64_t> ParseDecimal(const std::string& text);

// "bytes 100-199/1000" gives "100" and "199"; false (outputs unchanged) when
// the value has no "-" or a bound is not decimal digits.
bool ParseContentRange(const std::string& value, std::string& rangeBegin, std::string& rangeEnd);

// A "location" value made fit for a request line: blanks inside it become
// "%20", blanks at its end are dropped. Empty when it holds a control byte
// (0x00 to 0x1F, 0x7F), which could end or split the request line.
std::optional<std::string> RedirectionTarget(const std::string& value);
