#include "http/line_reader.h"

#include <cstring>

bool TLineReader::NextLine(std::string& Line, std::string& LineEnd) {
    char* held = FBuffer.data();
    const char* lineFeed = static_cast<const char*>(std::memchr(held, '\n', FLength));
    if (lineFeed == nullptr)
        return false;
    const std::size_t lineLength = static_cast<std::size_t>(lineFeed - held);
    const std::size_t textLength =
        lineLength > 0 && held[lineLength - 1] == '\r' ? lineLength - 1 : lineLength;
    Line.assign(held, textLength);
    LineEnd.assign(held + textLength, lineLength + 1 - textLength);
    FLength -= lineLength + 1;
    std::memmove(held, lineFeed + 1, FLength);
    return true;
}

std::string_view TLineReader::TakeHeld() {
    const std::size_t held = FLength;
    FLength = 0;
    return {FBuffer.data(), held};
}

void TLineReader::StartHeader() {
    FHeaderLines = 0;
    FHeaderBytes = 0;
}

bool TLineReader::AddHeaderText(const std::string& Line) {
    FHeaderBytes += Line.size();
    return FHeaderLines <= http_limits::kMaxHeaderLines &&
           FHeaderBytes <= http_limits::kMaxHeaderBytes;
}
