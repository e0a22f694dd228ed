#pragma once

#include <cstdint>
#include <string>

#include "http/response_parsing.h"

// What the client knows of the answer it is reading; starts again for every
// hop.
struct THttpAnswerState {
    bool AwaitingStatus = true; // its next line must be a status line
    bool FieldPending = false;  // the last header line may still be continued
    std::int64_t BodyBytes = 0;
    bool Overrun = false; // bytes came after its announced length
    std::string Version;  // of its status line, "HTTP/1.1"
    TConnectionTokens Connection;
};
