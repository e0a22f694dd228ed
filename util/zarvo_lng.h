#pragma once

#include <cstdint>

// Language of every text the utility components produce. The program leaves
// it at German.
enum TZarvoLng : std::uint8_t { lngDE = 0, lngUS = 1 };

// Language of message dialogs, in the order its numeric values are known by.
enum TLangType {
    ltCustom,
    ltEnglish,
    ltRussian,
    ltPortuguese,
    ltTurkish,
    ltGerman,
    ltDutch,
    ltFrench,
    ltGreek,
    ltSpanish,
    ltSlovenian
};
