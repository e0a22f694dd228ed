#include "ini/cached_ini_file_ex.h"

#include "ini/ansi_text.h"
#include "ini/value_text.h"

#include <algorithm>

TColor TCachedIniFileEx::ReadColor(std::string_view section, std::string_view key,
                                   TColor defaultValue) const {
    std::string text = ReadString(section, key, ColorToString(defaultValue));
    if (std::optional<std::int32_t> hex = TryStrToInt("$" + text))
        return *hex;
    return TryStringToColor(text).value_or(defaultValue);
}

void TCachedIniFileEx::WriteColor(std::string_view section, std::string_view key, TColor value) {
    WriteString(section, key, ColorToString(value));
}

void TCachedIniFileEx::WriteSectionValues(std::string_view section, const TStrings& lines) {
    TStrings wanted;
    wanted.reserve(lines.size());
    for (const std::string& line : lines) {
        wanted.push_back(ShortString(line));
        CheckStorableLine(wanted.back());
    }
    TIniSection& entry = SectionAt(FindSection(section, true));
    if (entry.Lines != wanted) {
        entry.Lines = std::move(wanted);
        SetModified();
    }
}

std::int32_t TCachedIniFileEx::StoredCount(std::string_view section) const {
    const int index = FindSection(section);
    const auto lines = index < 0 ? 0 : static_cast<std::int32_t>(Sections()[index].Lines.size());
    return std::min(ReadInteger(section, kCountKey, 0), lines);
}

void TCachedIniFileEx::ReadNumberedList(std::string_view section, TStrings& list,
                                        std::string_view defaultValue) const {
    const std::int32_t count = StoredCount(section);
    for (std::int32_t i = 1; i <= count; ++i)
        list.push_back(ReadString(section, std::to_string(i), defaultValue));
}

void TCachedIniFileEx::WriteNumberedList(std::string_view section, const TStrings& list) {
    bool wasModified = Modified();
    int index = FindSection(section, true);
    TStrings before = SectionAt(index).Lines;
    const std::int32_t oldCount = StoredCount(section);

    WriteInteger(section, kCountKey, static_cast<std::int32_t>(list.size()));
    for (std::int32_t i = 1; i <= oldCount; ++i)
        DeleteKey(section, std::to_string(i));
    for (std::size_t i = 0; i < list.size(); ++i)
        WriteString(section, std::to_string(i + 1), list[i]);

    // Deleting and re-adding the items dirties the model even when the result
    // is what was stored; only a real difference may cause a write.
    if (!wasModified && SectionAt(index).Lines == before)
        ClearModified();
}
