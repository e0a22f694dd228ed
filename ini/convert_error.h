#pragma once

#include "base/error.h"

// A text that does not convert to the value asked for (integer, number, date,
// colour, font or window position). Typed reads catch exactly this class and
// fall back to their default; every other failure propagates.
class EConvertError : public EQuorvikError {
public:
    using EQuorvikError::EQuorvikError;
};
