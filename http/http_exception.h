#pragma once

#include <cstdint>
#include <string>

#include "base/error.h"

// Failure of the HTTP client: a busy or empty request, or a response with a
// status of 400 or more (then the code is that status and the message its reason).
class EHttpException : public EQuorvikError {
public:
    EHttpException(const std::string& message, std::uint16_t errorCode)
        : EQuorvikError(message), fErrorCode(errorCode) {}

    std::uint16_t ErrorCode() const { return fErrorCode; }

private:
    std::uint16_t fErrorCode;
};
