#pragma once

#include "net/custom_socks_socket.h"

// The line-mode layer. Passive for now: every call and event passes through
// unchanged.
class TCustomLineSocket : public TCustomSocksSocket {
public:
    using TCustomSocksSocket::TCustomSocksSocket;
};
