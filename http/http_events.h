#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "http/http_types.h"

class THttpClient;

// Event signatures: the sender comes first.
using THttpNotifyEvent = std::function<void(THttpClient* Sender)>;
using TOnCommand = std::function<void(THttpClient* Sender, std::string& S)>;
using TDocDataEvent =
    std::function<void(THttpClient* Sender, const void* Buffer, std::int32_t Len)>;
using TCookieRcvdEvent =
    std::function<void(THttpClient* Sender, const std::string& Data, bool& Accept)>;
using THttpRequestDone =
    std::function<void(THttpClient* Sender, THttpRequest RqType, std::uint16_t Error)>;
using THttpDataAvailable = std::function<void(THttpClient* Sender, std::uint16_t Error)>;
