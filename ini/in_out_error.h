#pragma once

#include "base/error.h"

#include <string>

// A settings file that exists but cannot be read, or cannot be written back.
// ErrorCode is the errno value of the failed call.
class EInOutError : public EQuorvikError {
public:
    EInOutError(const std::string& message, int errorCode)
        : EQuorvikError(message), FErrorCode(errorCode) {}

    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};
