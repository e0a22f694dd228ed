#pragma once

#include <string>

// A point in time as days since 30 December 1899 (the fraction is the time of
// day); 0 stands for "not set" where a header is optional.
using TDateTime = double;

// "Sun, 06 Nov 1994 08:49:37" for the given value, written as given (no time
// zone conversion); callers append " GMT".
std::string RFC1123_Date(TDateTime dateTime);
