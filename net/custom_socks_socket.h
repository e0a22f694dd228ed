#pragma once

#include "net/custom_async_socket.h"

// The SOCKS client layer. Passive for now: every call and event passes
// through to the socket engine unchanged.
class TCustomSocksSocket : public TCustomAsyncSocket {
public:
    using TCustomAsyncSocket::TCustomAsyncSocket;
};
