#pragma once

#include "net/custom_line_socket.h"

// The layer for synchronous line reading. Passive for now.
class TCustomSyncSocket : public TCustomLineSocket {
public:
    using TCustomLineSocket::TCustomLineSocket;
};
