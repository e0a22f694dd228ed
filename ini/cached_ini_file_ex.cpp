#include "ini/cached_ini_file_ex.h"

#include "ini/ansi_text.h"
#include "ini/value_text.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

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

namespace {

// The number n in 1..count when the line's key is its decimal text "n".
std::optional<std::int32_t> NumberedKey(std::string_view line, std::int32_t count) {
    const std::string_view key = line.substr(0, line.find('='));
    if (key.size() == line.size() || key.empty() || key.front() == '0' ||
        !std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const std::optional<std::int32_t> number = TryStrToInt(key);
    return number && *number <= count ? number : std::nullopt;
}

} // namespace

void TCachedIniFileEx::ReadNumberedList(std::string_view section, TStrings& list,
                                        std::string_view defaultValue) const {
    const auto count =
        std::min<std::int64_t>(ReadInteger(section, kCountKey, 0), kMaxNumberedListCount);
    for (std::int32_t i = 1; i <= count; ++i)
        list.push_back(ReadString(section, std::to_string(i), defaultValue));
}

void TCachedIniFileEx::WriteNumberedList(std::string_view section, const TStrings& list) {
    const bool wasModified = Modified();
    const std::int32_t oldCount = ReadInteger(section, kCountKey, 0);
    const int index = FindSection(section, true);
    const TStrings before = SectionAt(index).Lines;

    WriteInteger(section, kCountKey, static_cast<std::int32_t>(list.size()));
    // Deleting the keys "1" to the old count one by one would take as long
    // as the count is large; one pass over the lines removes the same: the
    // first line of each of those keys.
    TStrings& lines = SectionAt(index).Lines;
    std::unordered_set<std::int32_t> deleted;
    std::erase_if(lines, [&](const std::string& line) {
        const std::optional<std::int32_t> number = NumberedKey(line, oldCount);
        return number && deleted.insert(*number).second;
    });
    for (std::size_t i = 0; i < list.size(); ++i)
        WriteString(section, std::to_string(i + 1), list[i]);

    // Deleting and re-adding the items changes nothing when the result is
    // what was stored; only a real difference may cause a write.
    if (lines != before)
        SetModified();
    else if (!wasModified)
        ClearModified();
}
