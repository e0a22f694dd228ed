#pragma once

#include "base/error.h"

// A line that the file could not give back as it was written: one that looks
// like a section header, or a key holding "=".
class EIniLineError : public EQuorvikError {
public:
    using EQuorvikError::EQuorvikError;
};
