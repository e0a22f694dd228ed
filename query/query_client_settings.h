#pragma once

#include <optional>
#include <string>

class THttpClient;

// The client settings of a query, the same in the window and on the command
// line, so that a server sees one program either way.
namespace queryclient {

inline constexpr char kProductName[] = "Quorvik";
inline constexpr char kProductVersion[] = "1.01";

// What the command line may change of a query's settings.
struct TQueryOptions {
    std::optional<std::string> Proxy;   // replaces the environment's proxy; "" for none
    std::optional<std::string> NoProxy; // replaces no_proxy
    bool HeadFallback = true;           // a HEAD refused with 405 or 501 is asked again with GET
};

// "Mozilla/3.0 (compatible; Vendrix Quorvik 1.01; Linux 6.1.0-28-amd64)":
// product and version, then this system's name and version. Windows-1252.
std::string QueryAgent();

// Sets the agent, the accepted types (the client's default), the proxies of
// this process's environment (read now, as curl reads them) and the repeat
// of a refused HEAD, each as `options` changes it; leaves everything else
// alone.
void ApplyQuerySettings(THttpClient& client, const TQueryOptions& options = {});

} // namespace queryclient
