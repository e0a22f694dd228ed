#pragma once

#include <cstddef>
#include <string>

#include "http/http_types.h"

// Encodes `size` bytes on one line, without line breaks.
// encBase64 / encMime: standard Base64 with "=" padding.
// encUUEncode: a length character, then the data padded with zero bytes to a
// multiple of three, each 6-bit group written as "`" (0) or chr(32 + value).
std::string EncodeLine(THttpEncoding encoding, const void* data, std::size_t size);

// EncodeLine over the bytes of `s`.
std::string EncodeStr(THttpEncoding encoding, const std::string& s);
