#pragma once

#include <cstddef>
#include <string>

// Longest host name, in bytes, handed to the IDNA conversion. A DNS name has
// at most 253 characters and each of them comes from at most one character of
// at most 4 UTF-8 bytes, so a longer text cannot become a name.
inline constexpr std::size_t kMaxIdnaHostBytes = 1024;

struct TAsciiHost {
    std::string Host;  // the name as it goes out; empty on failure
    std::string Error; // why the name was refused; empty on success
};

// The host name a lookup, "Host: ", SNI and the certificate check use. An
// ASCII name comes back with its letters lower-cased; a name with other
// letters (UTF-8) becomes its A-label form by IDNA (UTS #46, non-transitional,
// so "ß" stays a letter of its own), e.g. "bücher.example" gives
// "xn--bcher-kva.example". A name IDNA refuses gives its reason in Error.
TAsciiHost HostToAscii(const std::string& host);
