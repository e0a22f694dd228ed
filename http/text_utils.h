#pragma once

#include <string>

// Position (1-based) of the Count-th occurrence of `substr` in `s`.
// Count > 0 counts from the start, each search resuming one character after
// the previous hit; with fewer occurrences the result is s.size() + 1.
// Count < 0 counts from the end (-1 is the last occurrence); with fewer
// occurrences the result is 0. Count == 0 and an empty `substr` find nothing.
int Posn(const std::string& substr, const std::string& s, int count);

// Whether the text holds a control byte (0x00 to 0x1F, 0x7F): one that could
// end or split a request line.
bool HoldsControlByte(const std::string& s);
