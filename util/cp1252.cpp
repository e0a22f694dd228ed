#include "util/cp1252.h"

#include <QList>
#include <array>

namespace {

constexpr char kReplacement = '?';
constexpr unsigned char kTableStart = 0x80;
constexpr unsigned char kTableEnd = 0x9F;

// Characters of 0x80 to 0x9F; the unassigned bytes map onto the C1 control
// character of the same value, as the Windows conversion does.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char EncodeChar(char32_t c) {
    constexpr char32_t kLatin1End = 0xFF;
    // Outside the table the code page is Latin-1; a C1 code point has a byte
    // only where the table leaves it unassigned.
    if (c < kTableStart || (c > kTableEnd && c <= kLatin1End))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHighTable.size(); ++i)
        if (kHighTable[i] == c)
            return static_cast<char>(kTableStart + i);
    return kReplacement;
}

} // namespace

QString FromCp1252(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u >= kTableStart && u <= kTableEnd)
            text.append(QChar(kHighTable[u - kTableStart]));
        else
            text.append(QChar(u));
    }
    return text;
}

std::string ToCp1252(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    // Code points, so that a character outside the BMP becomes one '?'.
    for (const uint c : text.toUcs4())
        bytes.push_back(EncodeChar(c));
    return bytes;
}
