#pragma once

#include <string>

// Lower-case copy of a protocol text (a scheme, a field name, "tcp"): only A
// to Z are folded, bytes above 127 stay as they are whatever the locale.
inline std::string LowerCase(std::string Text) {
    for (char& c : Text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return Text;
}
