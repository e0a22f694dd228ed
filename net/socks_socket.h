#pragma once

#include "net/async_socket.h"

// The socket with the SOCKS client settings in view: the same object as
// TAsyncSocket, for code that means to connect through a SOCKS proxy.
class TSocksSocket : public TAsyncSocket {
public:
    using TAsyncSocket::TAsyncSocket;
};
