#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "http/http_constants.h"

// Cuts received bytes into lines at each line feed, and keeps the budget of
// the header being read. The HTTP client reads both a proxy's answer to
// CONNECT and a response header through it. It works on memory only: a
// socket (or a test) writes into Space() and reports the count with Received().
//
// At most http_limits::kMaxHeaderLineBytes bytes are held; a line that does
// not fit can never be cut (Full()). The room grows only as a long line needs
// it, and Clear() gives it back.
class TLineReader {
public:
    // Where the next received bytes go: the room after the held bytes, made
    // larger first when none is left. Empty only when Full().
    std::span<char> Space();
    void Received(std::size_t Count) { FLength += Count; }

    // Takes the first complete line out of the held bytes: its text without
    // the line end into Line, the line end (LF, or CR LF) into LineEnd. False,
    // both left alone, while the held bytes hold no line feed.
    bool NextLine(std::string& Line, std::string& LineEnd);
    // The held bytes fill the bound of one line and hold no line feed.
    bool Full() const { return FLength >= http_limits::kMaxHeaderLineBytes; }
    std::size_t HeldCount() const { return FLength; }
    // The held bytes as they came, forgotten here; the view lasts until the
    // next Space() or Clear().
    std::string_view TakeHeld();
    // Forgets the held bytes; room grown for a long line is given back.
    void Clear();

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
    std::vector<char> FBuffer;
    std::size_t FLength = 0;
    int FHeaderLines = 0;
    std::size_t FHeaderBytes = 0;
};
