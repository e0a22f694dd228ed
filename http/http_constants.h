#pragma once

#include <cstddef>
#include <cstdint>

#include "net/socket_errors.h"

// Tunables and fixed numbers of the HTTP client, each defined once.
namespace http_limits {

// Bytes of one received header line, its line end included: long policy
// and cookie lines of today's servers fit.
inline constexpr std::size_t kMaxHeaderLineBytes = 100 * 1024;
// The receive area for header lines starts this small and doubles only while
// a line needs more room: most headers have short lines, and many clients
// may run at once.
inline constexpr std::size_t kHeaderLineStartBytes = 4 * 1024;
// Bytes one receive of the body asks for: the body needs no line splitting,
// and large blocks keep the system calls per byte few.
inline constexpr std::size_t kBodyReceiveSize = 256 * 1024;
// Bytes of the POST body read and sent per completed send: large blocks keep
// the rounds through the event loop few.
inline constexpr std::size_t kSendChunkSize = 256 * 1024;
// Hops a single request may be redirected before it ends as a local failure.
inline constexpr int kMaxRedirections = 20;
// Port of a server or proxy whose address names none.
inline constexpr char kDefaultPort[] = "80";
// Port of an "https" server whose address names none.
inline constexpr char kDefaultTlsPort[] = "443";
// Port of a SOCKS server whose port is not set.
inline constexpr char kDefaultSocksPort[] = "1080";
// Longest file-name guess taken from the last path segment.
inline constexpr std::size_t kMaxDocNameLength = 255;
// Lines and bytes (without line ends) one response header may hold, interim
// answers before it included: a server sending header lines without end must
// not fill the memory.
inline constexpr int kMaxHeaderLines = 1000;
inline constexpr std::size_t kMaxHeaderBytes = 300 * 1024;
// Highest TCP port number; 0 is no port either.
inline constexpr unsigned kMaxPort = 65535;
// The types a request accepts unless the caller names others.
inline constexpr char kDefaultAccept[] = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";

} // namespace http_limits

// Error codes carried by EHttpException and reported through OnRequestDone.
namespace http_errors {

inline constexpr std::uint16_t kBusy = 1;
inline constexpr std::uint16_t kNothingToPost = 2;
inline constexpr std::uint16_t kAborted = 3;
inline constexpr std::uint16_t kLineTooLong = 4;
inline constexpr std::uint16_t kTooManyRedirections = 5;
inline constexpr std::uint16_t kHeaderTooLarge = 6;
inline constexpr std::uint16_t kBodyIncomplete = 7;
inline constexpr std::uint16_t kInvalidRedirection = 8;
inline constexpr std::uint16_t kInvalidPort = 9;
inline constexpr std::uint16_t kUnsupportedProtocol = 10;
inline constexpr std::uint16_t kTunnelRefused = 11;
inline constexpr std::uint16_t kEmptyReply = 12;
inline constexpr std::uint16_t kInvalidStatusLine = 13;
inline constexpr std::uint16_t kInvalidProxy = 14;
// The lowest status of an error answer.
inline constexpr int kFirstErrorStatus = 400;
// StatusCode reported for failures that happen on this side of the connection.
inline constexpr int kLocalFailureStatus = 404;
// Socket error number used when the host part of the address is empty.
inline constexpr std::uint16_t kInvalidHostName = wsaerr::InvalidArgument;

} // namespace http_errors
