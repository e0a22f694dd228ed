#pragma once

#include "net/tls_peer_info.h"

#include <QLocale>

#include <cstdint>
#include <optional>
#include <string>

namespace httpreport {

// How a TLS session was set up: "TLSv1.3, TLS_AES_256_GCM_SHA384".
std::string TlsSessionText(const TTlsPeerInfo& tls);

// Whom the certificate names and until when it is valid: "localhost,
// ausgestellt von Quorvik Test CA, gültig bis 10.12.2026", the names as the
// certificate holds them, the date as `locale`'s short date with the year in
// full (local time). Windows-1252.
std::string TlsCertificateText(const TTlsPeerInfo& tls, const QLocale& locale);

// Whole days from `nowSeconds` until the certificate's end (both seconds
// since 1970, UTC), rounded down; negative once it has ended, none when its
// end is unknown.
std::optional<std::int64_t> TlsDaysLeft(const TTlsPeerInfo& tls, std::int64_t nowSeconds);

} // namespace httpreport
