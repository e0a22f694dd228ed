#pragma once

#include <string>

// What one TLS client session checks.
struct TTlsSettings {
    std::string HostName; // sent as SNI and required in the certificate
    bool Verify = true;   // check the chain against the trust store, and the name
    std::string CAFile;   // a further trust anchor (PEM file); empty for none
};
