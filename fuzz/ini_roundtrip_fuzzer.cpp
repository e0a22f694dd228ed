// The INI engine's load, modify, save round trip: the saved text reproduces
// itself on reload, and every value written reads back as written (cut as the
// header promises), before and after the reload. The same text behind a byte
// order mark loads as the same model and is saved with the mark.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "ini/ansi_text.h"
#include "ini/cached_ini_file.h"
#include "ini/ini_line_error.h"

namespace {

// Changes applied to one loaded file.
constexpr int kMaxChanges = 4;
// What ReadString gives for a key it cannot find; no written value holds it.
constexpr char kMissing[] = "\x01missing";

void Check(bool Holds) {
    if (!Holds)
        __builtin_trap();
}

// The text saved, loaded again and saved again is the same text.
void CheckSelfReproducing(const std::string& Text) {
    TCachedIniFile Reloaded("");
    Reloaded.AppendFromText(Text);
    Check(Reloaded.FileText() == Text);
}

// What reading the key gives after "key=value" entered the model: the value,
// unless the stored line had to be cut, which leaves a prefix of it.
void CheckReadBack(const TCachedIniFile& Ini, const std::string& Section, const std::string& Key,
                   const std::string& Value) {
    const std::string Expected = ShortString(Value);
    const std::string Got = Ini.ReadString(Section, Key, kMissing);
    if (ShortString(Key).size() + 1 + Expected.size() <= kShortStringMax)
        Check(Got == Expected);
    else
        Check(Got == kMissing || Expected.compare(0, Got.size(), Got) == 0);
}

} // namespace

// The text behind a byte order mark gives the same model, and the mark is
// written back; a text that starts with marks already is compared without them.
void CheckByteOrderMark(std::string Bare) {
    const std::string_view Mark = TCachedIniFile::kByteOrderMark;
    while (Bare.starts_with(Mark))
        Bare.erase(0, Mark.size());
    TCachedIniFile Plain("");
    Plain.AppendFromText(Bare);
    // A mark after empty lines counts as well.
    std::string Expected = Plain.FileText();
    if (!Expected.starts_with(Mark))
        Expected.insert(0, Mark);
    TCachedIniFile Marked("");
    Marked.AppendFromText(std::string(Mark) + Bare);
    Check(Marked.FileText() == Expected);
    CheckSelfReproducing(Marked.FileText());
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider Provider(Data, Size);
    const std::string Text = Provider.ConsumeRandomLengthString();
    CheckByteOrderMark(Text);
    TCachedIniFile Ini("");
    Ini.AppendFromText(Text);
    CheckSelfReproducing(Ini.FileText());

    for (int Change = 0; Change < kMaxChanges && Provider.remaining_bytes() > 0; ++Change) {
        const std::string Section = Provider.ConsumeRandomLengthString(64);
        const std::string Key = Provider.ConsumeRandomLengthString(64);
        const std::string Before = Ini.FileText();
        switch (Provider.ConsumeIntegralInRange(0, 3)) {
        case 0: {
            const std::string Value = Provider.ConsumeRandomLengthString();
            if (ShortString(Key).empty())
                break; // an empty key erases or flushes instead
            try {
                Ini.WriteString(Section, Key, Value);
            } catch (const EIniLineError&) {
                Check(Ini.FileText() == Before);
                break;
            }
            CheckReadBack(Ini, Section, Key, Value);
            break;
        }
        case 1: {
            const std::int32_t Value = Provider.ConsumeIntegral<std::int32_t>();
            if (ShortString(Key).empty() || Key.find('=') != std::string::npos)
                break;
            try {
                Ini.WriteInteger(Section, Key, Value);
            } catch (const EIniLineError&) {
                break; // a key that reads back as a section header
            }
            if (ShortString(Key).size() + 12 < kShortStringMax)
                Check(Ini.ReadInteger(Section, Key, Value ^ 1) == Value);
            break;
        }
        case 2: {
            const double Value = Provider.ConsumeFloatingPoint<double>();
            if (ShortString(Key).empty() || Key.find('=') != std::string::npos ||
                !std::isfinite(Value))
                break;
            try {
                Ini.WriteFloat(Section, Key, Value);
            } catch (const EIniLineError&) {
                break;
            }
            if (ShortString(Key).size() + 32 < kShortStringMax)
                Check(Ini.ReadFloat(Section, Key, -Value - 1) == Value);
            break;
        }
        default:
            if (Provider.ConsumeBool())
                Ini.DeleteKey(Section, Key);
            else
                Ini.EraseSection(Section);
            break;
        }
    }
    CheckSelfReproducing(Ini.FileText());
    return 0;
}
