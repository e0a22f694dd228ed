#pragma once

#include "base/error.h"

#include <cstring>
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

// Throws EInOutError for `what` done to `path`, with the text of `error`.
[[noreturn]] inline void ThrowInOutError(const std::string& what, const std::string& path,
                                         int error) {
    throw EInOutError(what + " \"" + path + "\": " + std::strerror(error), error);
}
