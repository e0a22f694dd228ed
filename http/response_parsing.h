#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Helpers that read one received header line; none of them throws.

// What a status line says.
struct TStatusLine {
    int Code = 0;
    std::string Reason;
};

// "HTTP/" + version + one blank + three digits of status class 1 to 5, then
// the end of the line or a blank and the reason phrase. A version is a digit,
// or two with a dot between: 1.0, 1.1 and 2 are read alike. Empty for
// anything else.
std::optional<TStatusLine> ParseStatusLine(const std::string& line);

// 100 to 199 but 101, which switches the protocol and is final: an interim
// answer, which the final one follows on the same connection.
bool IsInterimStatus(int status);

// Whether an answer with this status to a GET or POST carries a body: all
// but informational answers, "204 No Content" and "304 Not Modified" (0, no
// status line at all, has one).
bool StatusHasBody(int status);

// A line whose first six characters are "<HTML>" in any case: a response
// without a header.
bool IsHtmlTagLine(const std::string& line);

// Splits "Field: value" at the first colon; the field comes back lower-cased,
// the value without the blanks and tabs around it. False when the line has no
// colon.
bool SplitHeaderField(const std::string& line, std::string& field, std::string& value);

// A header line that starts with a blank or a tab continues the line before
// it (an obsolete fold).
bool IsContinuationLine(const std::string& line);

// A line and its continuation as one line: joined with one blank, the blanks
// and tabs around the fold dropped.
std::string JoinFoldedLine(const std::string& line, const std::string& continuation);

// What the "connection" lines of an answer say about its connection.
struct TConnectionTokens {
    bool Close = false;     // "close": the server ends the connection after the answer
    bool KeepAlive = false; // "keep-alive": an HTTP/1.0 server keeps it open
};

// Adds the tokens of one "connection" value (a list, in any case).
void AddConnectionTokens(const std::string& value, TConnectionTokens& tokens);

// Whether a connection stays open after an answer whose status line starts
// with `version` ("HTTP/1.1"): an HTTP/1.1 answer unless it says "close", an
// HTTP/1.0 answer only when it says "keep-alive".
bool ConnectionPersists(const std::string& version, const TConnectionTokens& tokens);

// A non-negative decimal number that fits 64 bits, blanks around it allowed.
std::optional<std::int64_t> ParseDecimal(const std::string& text);

// "bytes 100-199/1000" gives "100" and "199"; false (outputs unchanged) when
// the value has no "-" or a bound is not decimal digits.
bool ParseContentRange(const std::string& value, std::string& rangeBegin, std::string& rangeEnd);

// A "location" value made fit for a request line: blanks inside it become
// "%20", blanks at its end are dropped. Empty when it holds a control byte
// (0x00 to 0x1F, 0x7F), which could end or split the request line.
std::optional<std::string> RedirectionTarget(const std::string& value);
