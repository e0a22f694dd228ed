#pragma once

#include <string>

// Splits "protocol://[user[:password]@]server[:port]/path" into its parts.
// All six outputs are cleared first; absent parts stay empty. Nothing is
// decoded or lower-cased, and no input makes it fail. A host in brackets (an
// IPv6 literal, "[::1]:8080") keeps them. Besides the full form it knows a
// leading "/" (a path, or "//" before a host), "http:" without slashes and
// "mailto:"; anything else is taken to start with the host.
void ParseURL(const std::string& url, std::string& proto, std::string& user, std::string& pass,
              std::string& host, std::string& port, std::string& path);

// A port as an address may name it: decimal digits only, from 1 to 65535.
bool IsPortNumber(const std::string& port);

// File-name guess for a request path: "document.htm" for an empty path or "/",
// otherwise the last segment (a trailing "/" ignored, at most 255 characters)
// without its query.
std::string DocNameFromPath(const std::string& path);

// A document guessed as an ".exe" that turns out to be "text/html" gets the
// extension "htm"; any other name is returned unchanged.
std::string DocNameForContentType(const std::string& docName, const std::string& contentType);
