#pragma once

#include <string>

namespace httpreport {

// The program's own text for an HTTP status code with the code in parentheses,
// such as "OK (200)"; a code the program has no text for (207, 307, or 0 when
// no status line arrived) stays the bare decimal number. The texts are the
// program's, not the server's reason phrase.
std::string StatusText(int code);

} // namespace httpreport
