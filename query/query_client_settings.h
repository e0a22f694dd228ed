#pragma once

#include <string>

class THttpClient;

// The client settings of a query, the same in the window and on the command
// line, so that a server sees one program either way.
namespace queryclient {

inline constexpr char kProductName[] = "Quorvik";
inline constexpr char kProductVersion[] = "1.01";

// "Mozilla/3.0 (compatible; Vendrix Quorvik 1.01; Linux 6.1.0-28-amd64)":
// product and version, then this system's name and version. Windows-1252.
std::string QueryAgent();

// Sets the agent and the accepted types (the client's default); leaves
// everything else alone.
void ApplyQuerySettings(THttpClient& client);

} // namespace queryclient
