#include "http/idna.h"

#include <idn2.h>

#include <memory>

#include "base/ascii_text.h"
#include "http/text_utils.h"

namespace {

bool IsAscii(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

struct TIdn2Free {
    void operator()(char* buffer) const { idn2_free(buffer); }
};

} // namespace

TAsciiHost HostToAscii(const std::string& host) {
    if (IsAscii(host))
        return {LowerCase(host), {}};
    if (host.size() > kMaxIdnaHostBytes)
        return {{}, "host name too long"};
    // The library reads up to the first NUL: the rest must not vanish unseen.
    if (HoldsControlByte(host))
        return {{}, "host name holds a control character"};
    // STD3 rules stay off, as browsers and curl keep them off: they would
    // refuse "_" and other ASCII that real names on intranets carry.
    char* output = nullptr;
    const int rc = idn2_to_ascii_8z(host.c_str(), &output, IDN2_NONTRANSITIONAL | IDN2_NFC_INPUT);
    const std::unique_ptr<char, TIdn2Free> owned(output);
    if (rc != IDN2_OK)
        return {{}, idn2_strerror(rc)};
    return {owned.get(), {}};
}
