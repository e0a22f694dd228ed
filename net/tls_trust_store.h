#pragma once

#include <string>

struct ssl_ctx_st;

// Sets up what a verifying TLS client context trusts, reading no more than
// the handshake needs:
// - the certificate directories ($SSL_CERT_DIR, a colon-separated list, or
//   OpenSSL's default, /etc/ssl/certs on Debian) are searched by subject hash
//   while the chain is checked, so only the issuers it names are read;
// - the bundle file ($SSL_CERT_FILE, or OpenSSL's default) is parsed whole,
//   which costs milliseconds per hundred certificates: only when
//   $SSL_CERT_FILE names it, or when no directory has hash links;
// - `CAFile`, when not empty, is parsed besides.
// The system's locations fail silently, as OpenSSL's own defaults do. False
// when `CAFile` cannot be read, with the reason left in OpenSSL's error queue.
bool LoadTlsTrustStore(ssl_ctx_st* Context, const std::string& CAFile);
