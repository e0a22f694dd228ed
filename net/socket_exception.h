#pragma once

#include "base/error.h"

// The socket layer's only exception: it carries a message and nothing else.
// Error numbers travel separately in LastError and in the events.
class ESocketException : public EQuorvikError {
public:
    using EQuorvikError::EQuorvikError;
};
