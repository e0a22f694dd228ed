#include "http/line_reader.h"

#include <algorithm>
#include <cstring>

std::span<char> TLineReader::Space() {
    if (FLength == FBuffer.size() && !Full())
        FBuffer.resize(std::clamp(FBuffer.size() * 2, http_limits::kHeaderLineStartBytes,
                                  http_limits::kMaxHeaderLineBytes));
    return std::span<char>(FBuffer).subspan(FLength);
}

bool TLineReader::NextLine(std::string& Line, std::string& LineEnd) {
    if (FLength == 0)
        return false;
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

void TLineReader::Clear() {
    FLength = 0;
    if (FBuffer.size() > http_limits::kHeaderLineStartBytes)
        std::vector<char>().swap(FBuffer);
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
