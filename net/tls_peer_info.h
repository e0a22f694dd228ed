#pragma once

#include <cstdint>
#include <string>

// What an established TLS session says of itself and of the peer's
// certificate: "TLSv1.3", "TLS_AES_256_GCM_SHA384", the common names (or
// the whole name where there is none) and the end of validity.
struct TTlsPeerInfo {
    std::string Protocol;
    std::string Cipher;
    std::string Subject;
    std::string Issuer;
    std::int64_t NotAfter = 0; // seconds since 1970 (UTC); 0 when unknown
};
