#pragma once

#include <cstdint>
#include <exception>
#include <functional>

class TCustomAsyncSocket;

// States of a socket object, in this order (ordinal values 0..7).
// wsInvalidState and wsAccepting are never entered.
enum TSocketState {
    wsInvalidState,
    wsOpened,     // handle created, not yet connecting
    wsBound,      // bound, before listening
    wsConnecting, // connect issued, waiting for the outcome
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed // no handle; the initial state
};

enum TSocketSendFlags { wsSendNormal, wsSendUrgent };

enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };

// Set of component options, one bit per option.
enum TSocketOption : unsigned { wsoNoReceiveLoop = 1 };
using TSocketOptions = unsigned;

// Event signatures: the sender comes first. Error is a Winsock error number,
// 0 for success.
using TSessionEvent = std::function<void(TCustomAsyncSocket* Sender, std::uint16_t Error)>;
using TSendDataEvent = std::function<void(TCustomAsyncSocket* Sender, std::int32_t BytesSent)>;
using TChangeStateEvent =
    std::function<void(TCustomAsyncSocket* Sender, TSocketState OldState, TSocketState NewState)>;
using TSocketNotifyEvent = std::function<void(TCustomAsyncSocket* Sender)>;
using TBgExceptionEvent =
    std::function<void(TCustomAsyncSocket* Sender, const std::exception& E, bool& CanClose)>;
