#pragma once

#include <QString>
#include <functional>

// Facts about the machine, read afresh on every call; failures give the
// neutral value (-1, false, "").
class TZarvoHonkHardware {
public:
    // Colours reported for a depth that has none of the known values.
    static constexpr int kUnknownColors = -1;

    // Bits per pixel of the primary screen; -1 without a screen.
    int ScreenBits() const;
    // The colour count for ScreenBits: 16 bits give 65535 (not 65536), 24 and
    // 32 bits 16777216, an unknown depth -1.
    int ScreenColors() const;
    static int ColorsForBits(int bits);
    // True for a palette-based screen (8 bits or fewer).
    bool ScreenPalette() const;
    // Physical memory in kB with the locale's digit grouping.
    QString Memory() const;
    // True if a sound output device exists.
    bool Soundcard() const;
    // True if a network interface other than loopback is up.
    bool Network() const;

    // Replaces the screen-depth query (tests fake a 16-bit screen); an empty
    // function restores the primary screen's depth.
    void SetScreenBitsQuery(std::function<int()> query) { FScreenBits = std::move(query); }

private:
    std::function<int()> FScreenBits;
};
