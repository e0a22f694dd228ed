#include "ini/ansi_text.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<char, 256> MakeLowerTable() {
    std::array<char, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<char>(i);
    for (int i = 'A'; i <= 'Z'; ++i)
        table[i] = static_cast<char>(i + 32);
    // Latin-1 capitals except the multiplication sign.
    for (int i = 0xC0; i <= 0xDE; ++i)
        if (i != 0xD7)
            table[i] = static_cast<char>(i + 32);
    // Windows-1252 places S/Z with caron, OE and Y with diaeresis in 0x80..0x9F.
    table[0x8A] = static_cast<char>(0x9A);
    table[0x8C] = static_cast<char>(0x9C);
    table[0x8E] = static_cast<char>(0x9E);
    table[0x9F] = static_cast<char>(0xFF);
    return table;
}

constexpr std::array<char, 256> kLowerTable = MakeLowerTable();

} // namespace

char AnsiLower(char c) {
    return kLowerTable[static_cast<unsigned char>(c)];
}

bool AnsiSameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AnsiLower(x) == AnsiLower(y);
           });
}

std::string AnsiLowerCase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), AnsiLower);
    return result;
}

std::string_view ShortView(std::string_view text) {
    return text.substr(0, text.find_first_of("\r\n")).substr(0, kShortStringMax);
}
