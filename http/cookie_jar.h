#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "http/uri.h"

// Cookies one query holds at most; a new one beyond them evicts the cookie
// created first (a replaced cookie keeps the creation of the one it replaced).
inline constexpr std::size_t kMaxCookies = 50;
// Bytes of one "Set-Cookie" value at most (name, value and attributes); a
// longer one is dropped.
inline constexpr std::size_t kMaxCookieBytes = 4096;
// Longest life a cookie gets, whatever its Max-Age or Expires says.
inline constexpr std::chrono::days kMaxCookieLifetime{400};

// The cookies of one query (RFC 6265), kept in memory and nowhere else: what
// the "Set-Cookie" of one hop sets goes back on the later hops it matches.
// Hosts compare as the URIs carry them, so pass URIs whose host is already in
// its A-label form. Times are passed in; nothing here reads a clock.
class TCookieJar {
public:
    using TTime = std::chrono::sys_seconds;

    // Reads one "Set-Cookie" value received in answer to `requestUri`: name
    // and value, then Domain, Path, Secure, Max-Age (before Expires) and
    // Expires; other attributes are ignored. Without Domain the cookie goes
    // back to this host only, and so does one set by an IP address; a Domain
    // the host does not lie in, or a Domain of one label that is not the host
    // itself, drops the cookie. A Secure cookie is taken only over https.
    // A cookie that is already expired removes the stored one of the same
    // name, domain and path. A name or value holding a control byte (a tab
    // too) is dropped: it would reach a request line.
    void Store(const std::string& setCookieValue, const TUri& requestUri, TTime now);

    // The "Cookie: " value for a request to `requestUri`: "a=1; b=2", longer
    // paths first, then the earlier created; empty when no cookie matches.
    std::string CookieHeader(const TUri& requestUri, TTime now) const;

private:
    struct TCookie {
        std::string Name;
        std::string Value;
        std::string Domain;
        std::string Path;
        TTime Expiry;
        bool HostOnly = true;
        bool SecureOnly = false;
        std::uint64_t Creation = 0; // order of creation
    };

    void Insert(TCookie cookie, TTime now);

    std::vector<TCookie> FCookies;
    std::uint64_t FCreations = 0;
};
