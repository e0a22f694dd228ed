#pragma once

#include <string>

// An address split by RFC 3986. The parts keep the text they had (no
// percent-decoding), except that the scheme and the ASCII letters of the host
// are lower-cased and the port loses its leading zeros. Whether an optional
// part is present is kept apart from whether it is empty: "h/?" has an empty
// query, "h/" none.
struct TUri {
    std::string Scheme;   // empty only in a relative reference
    std::string User;     // user information before the last "@" of the authority
    std::string Password; // after the first ":" of the user information
    std::string Host;     // an IPv6 literal without its brackets
    std::string Port;     // decimal, 1 to 65535; empty when the address names none
    std::string Path;
    std::string Query;    // without its "?"
    std::string Fragment; // without its "#"
    bool HasAuthority = false;
    bool HasQuery = false;
    bool HasFragment = false;
    bool IsIpv6Literal = false; // Host was written in brackets
};

// Why a text is not an address.
enum class TUriError {
    None,
    InvalidPort, // not decimal digits from 1 to 65535 ("invalid port number")
    InvalidHost, // a bracketed host that is not an IPv6 address, or text after "]"
};

struct TUriParse {
    TUri Uri;
    TUriError Error = TUriError::None; // Uri is complete only when None
};

// An address as a user types it, in UTF-8. A scheme counts only when ":" and
// "/" follow it ("http://h", "http:/x"), or when it is "http", "https" or
// "mailto"; anything else is "http" with an authority first: "host.tld",
// "host:8080?x=1", "user:p@ss@host/x".
TUriParse ParseTypedAddress(const std::string& text);

// A URI reference, absolute or relative, as a "location" value carries it.
// A scheme is the text before the first ":" when that comes before any "/",
// "?" or "#" and has the form ALPHA *( ALPHA / DIGIT / "+" / "-" / "." );
// otherwise the text is a relative reference ("login?next=https://x/").
TUriParse ParseReference(const std::string& text);

// The target of `reference` seen from `base` (an absolute address), with dot
// segments removed. A reference that names the base's own scheme without an
// authority ("http:g") is taken as relative, as browsers take it.
TUri Resolve(const TUri& base, const TUri& reference);

// The port a request to `uri` goes to: its own, or the default of its scheme
// (443 for "https", 80 otherwise).
std::string EffectivePort(const TUri& uri);

// True for "https" addresses: their requests go over TLS.
bool UsesTls(const TUri& uri);

// The host as it stands in an address: an IPv6 literal in brackets.
std::string HostForUri(const TUri& uri);

// Path and query for the request line: "/" for an empty path, never the
// fragment. Bytes that may not stand there are percent-encoded (blanks,
// controls, bytes above 127 as UTF-8 is written, and " < > \ ^ ` { | });
// "%" followed by two hex digits stays, any other "%" becomes "%25".
std::string RequestTarget(const TUri& uri);

// The request target asked of an HTTP proxy: scheme "://" host, ":" port when
// it is not the scheme's default, then RequestTarget. No user information.
std::string AbsoluteRequestTarget(const TUri& uri);

// The "Host: " value: the host, with ":" + port when it is not the scheme's
// default.
std::string HostHeaderValue(const TUri& uri);

// The whole address as text again (RFC 3986 section 5.3), fragment included.
std::string UriText(const TUri& uri);

// Whether `host` is `domain` or a name below it ("www.example.org" is below
// "example.org", "badexample.org" is not); letters compare as they are.
bool IsAtOrBelowDomain(const std::string& host, const std::string& domain);

// `text` with each "%" followed by two hex digits replaced by that byte.
std::string PercentDecode(const std::string& text);
