#pragma once

#include "net/tls_peer_info.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// When each phase of a hop was over, in milliseconds since the hop began
// (monotonic clock). A phase that did not happen stays empty: no lookup for
// an address that is already one, no TLS for "http", nothing after a failure.
struct THttpHopTimes {
    std::optional<double> LookupDone;
    std::optional<double> Connected;
    std::optional<double> TlsDone;
    std::optional<double> RequestSent;
    std::optional<double> FirstByte;
    std::optional<double> HeaderEnded;
    std::optional<double> Ended;
};

// One hop of a query: one request and its answer, the first to the address
// as typed, each further one to where a "location" pointed. The client keeps
// one record per hop, in order, for the whole query; the views are made
// from these records. Texts are Windows-1252 bytes as sent and received,
// the TLS summary's names UTF-8 as the certificate holds them.
struct THttpHop {
    std::string Url;                      // the absolute address asked, as sent
    std::string Method;                   // "HEAD", "GET" or "POST"
    std::string Proxy;                    // "host:port" of the proxy asked; empty: none
    std::string Address;                  // the address connected to; empty: no connection
    std::uint16_t Port = 0;               // the port connected to; 0: no connection
    std::string Version;                  // of the status line, "HTTP/1.1"; empty: none arrived
    int Status = 0;                       // of the status line; 0: none arrived
    std::string Reason;                   // of the status line, as sent
    std::vector<std::string> HeaderLines; // the status line first, as received
    std::optional<std::string> Location;  // the "location" value as sent
    std::optional<std::string> Target;    // the address it resolved to
    std::optional<TTlsPeerInfo> Tls;      // none: a plain connection, or none at all
    THttpHopTimes Times;
    std::string Failure; // why the hop failed, as the client words it; empty: it did not

    // The header's field lines: the received lines after the status line.
    std::span<const std::string> FieldLines() const {
        const std::span<const std::string> lines(HeaderLines);
        return Version.empty() || lines.empty() ? lines : lines.subspan(1);
    }
};
