#pragma once

#include "net/custom_sync_socket.h"

// The socket class applications use; see TCustomAsyncSocket for the contract.
class TAsyncSocket : public TCustomSyncSocket {
public:
    using TCustomSyncSocket::TCustomSyncSocket;
};
