#pragma once

#include <string>

#include "net/socks_types.h"

// The SOCKS server a hop's connection goes through.
struct TSocksRoute {
    std::string Server; // empty: none
    std::string Port;
    std::string Level; // "4", "4A" or "5"
    std::string User;
    std::string Password;
    TSocksAuthentication Authentication = socksNoAuthentication;
    bool ResolveHere = false; // the host is looked up here and its address sent
};
