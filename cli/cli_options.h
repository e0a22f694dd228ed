#pragma once

#include <QString>

#include <chrono>
#include <optional>

// One query as the command line asks for it.
struct TCliOptions {
    QString Url;          // as typed
    bool Lines = false;   // print the report lines with their markers
    bool Headers = false; // print every received header line after the report
    bool Hops = false;    // print one line per hop after the report
    bool Json = false;    // print the result as one JSON object instead of the report
    bool Get = false;     // GET instead of HEAD, with the measured transfer rate
    QString OutputFile;   // with Get: where the body goes; "-": standard output; empty: discarded
    std::optional<QString> Proxy;   // replaces the environment's proxy; empty: none
    std::optional<QString> NoProxy; // replaces no_proxy
    bool HeadFallback = true;       // a HEAD refused with 405 or 501 is asked again with GET
    QString SocksHost;              // empty: no SOCKS server
    QString SocksPort;
    QString SocksLevel = QStringLiteral("5"); // "4", "4A" or "5"
    QString SocksUser;                        // empty: no user name and password
    QString SocksPassword;
    QString CaFile;        // a further trust anchor for "https" (PEM); empty: none
    bool Insecure = false; // accept any certificate
    std::optional<std::chrono::milliseconds> Timeout; // none: wait as long as it takes
};
