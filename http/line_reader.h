#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "http/http_constants.h"

// Cuts received bytes into lines at each line feed, and keeps the budget of
// the header being read. The HTTP client reads both a proxy's answer to
// CONNECT and a response header through it. It works on memory only: a
// socket (or a test) writes into Space() and reports the count with Received().
//
// At most http_limits::kReceiveBufferSize bytes are held; a line that does
// not fit can never be cut (Full()).
class TLineReader {
public:
    // Where the next received bytes go, and how many fit there.
    char* Space() { return FBuffer.data() + FLength; }
    std::size_t Room() const { return FBuffer.size() - FLength; }
    void Received(std::size_t Count) { FLength += Count; }

    // Takes the first complete line out of the held bytes: its text without
    // the line end into Line, the line end (LF, or CR LF) into LineEnd. False,
    // both left alone, while the held bytes hold no line feed.
    bool NextLine(std::string& Line, std::string& LineEnd);
    // The held bytes fill the buffer and hold no line feed.
    bool Full() const { return FLength >= FBuffer.size(); }
    std::size_t HeldCount() const { return FLength; }
    // The held bytes as they came, forgotten here; the view lasts until the
    // next Received.
    std::string_view TakeHeld();
    void Clear() { FLength = 0; }

    // --- the header budget ---------------------------------------------------
    // Starts the count of a new header (a proxy's answer or a response).
    void StartHeader();
    // Counts one more line of the header; returns how many it has now.
    int CountHeaderLine() { return ++FHeaderLines; }
    int HeaderLines() const { return FHeaderLines; }
    // Adds a counted line's text to the header's bytes. False once the header
    // holds more than http_limits::kMaxHeaderLines lines or more than
    // http_limits::kMaxHeaderBytes bytes (line ends not counted): a server
    // sending header lines without end must not fill the memory.
    bool AddHeaderText(const std::string& Line);

private:
    std::array<char, http_limits::kReceiveBufferSize> FBuffer{};
    std::size_t FLength = 0;
    int FHeaderLines = 0;
    std::size_t FHeaderBytes = 0;
};
