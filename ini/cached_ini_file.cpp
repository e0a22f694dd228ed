#include "ini/cached_ini_file.h"

#include "ini/ansi_text.h"
#include "ini/file_io.h"
#include "ini/ini_line_error.h"

#include <algorithm>
#include <optional>

namespace {

constexpr char kEndOfFileMark = '\x1A';
constexpr std::string_view kLineEnd = "\r\n";

// The next line of `text` from `pos` without its terminator; advances `pos`
// past it.
std::string_view NextLine(std::string_view text, std::size_t& pos) {
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    std::string_view line = text.substr(pos, end - pos);
    pos = std::min(end + 1, text.size());
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// Blanks and tabs after a header's "]" are invisible in an editor; a header
// with them is still one.
std::string_view WithoutTrailingBlanks(std::string_view line) {
    const std::size_t end = line.find_last_not_of(" \t");
    return line.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

// The name between the brackets when the line is a section header.
std::optional<std::string_view> HeaderName(std::string_view line) {
    line = WithoutTrailingBlanks(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return std::nullopt;
    return line.substr(1, line.size() - 2);
}

// The line as the model keeps it: cut to the short-string limit, unless it is
// a whole section header, whose brackets come on top of the name's own limit.
std::string_view StoredLine(std::string_view line) {
    const std::optional<std::string_view> name = HeaderName(line);
    if (name && name->size() <= kShortStringMax)
        return line;
    return line.substr(0, kShortStringMax);
}

// `convert` applied to the text, or the default when the text is empty or does
// not convert.
template <class Value, class Convert>
Value ConvertOr(const std::string& text, Value defaultValue, Convert convert) {
    return text.empty() ? defaultValue : convert(text).value_or(defaultValue);
}

} // namespace

TCachedIniFile::TCachedIniFile(const std::string& fileName) {
    SetFileName(fileName);
}

TCachedIniFile::~TCachedIniFile() {
    try {
        FlushFile();
    } catch (const std::exception&) {
        // Nothing can report it from here; UpdateFile is the checked way.
    }
}

void TCachedIniFile::SetFileName(const std::string& fileName) {
    FlushFile();
    Clear();
    FByteOrderMark = false;
    FFileName = fileName;
    if (!FFileName.empty())
        AppendFromFile(FFileName);
    FModified = false;
}

void TCachedIniFile::AppendFromFile(const std::string& fileName) {
    if (std::optional<std::string> content = ReadFileIfExists(fileName))
        AppendFromText(*content);
}

void TCachedIniFile::AppendFromText(std::string_view text) {
    int current = -1; // section receiving lines; -1 drops them
    // Until the first line with text, a byte order mark is none: the empty
    // lines before it are not written back, which would move it to the start.
    bool atStart = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::string_view raw = NextLine(text, pos);
        while (atStart && raw.starts_with(kByteOrderMark)) {
            raw.remove_prefix(kByteOrderMark.size());
            FByteOrderMark = true;
        }
        const std::string_view line = StoredLine(raw);
        if (line.empty() || (line.size() == 1 && line[0] == kEndOfFileMark))
            continue;
        atStart = false;
        if (const std::optional<std::string_view> name = HeaderName(line)) {
            current = FSections.Add(std::string(*name));
            // A repeated name: its lines go nowhere, and the file must be
            // rewritten without it.
            if (current < 0)
                FModified = true;
        } else if (current >= 0) {
            FSections[current].Lines.emplace_back(line);
        } else if (FSections.Count() == 0) {
            // Ahead of the model's first section: kept there.
            FLeadingLines.emplace_back(line);
        }
    }
}

std::string TCachedIniFile::FileText() const {
    std::string text(FByteOrderMark ? kByteOrderMark : "");
    for (const std::string& line : FLeadingLines)
        text.append(line).append(kLineEnd);
    for (const TIniSection& section : FSections) {
        if (section.Lines.empty())
            continue;
        text.append("[").append(section.Name).append("]").append(kLineEnd);
        for (const std::string& line : section.Lines)
            text.append(line).append(kLineEnd);
        text.append(kLineEnd);
    }
    return text;
}

void TCachedIniFile::Clear() {
    FSections.Clear();
    FLeadingLines.clear();
}

void TCachedIniFile::DeleteKey(std::string_view section, std::string_view key) {
    TIniSection& entry = SectionAt(FindSection(section, true));
    int line = FindKey(entry, ShortView(key));
    if (line >= 0) {
        entry.Lines.erase(entry.Lines.begin() + line);
        SetModified();
    }
}

void TCachedIniFile::EraseSection(std::string_view section) {
    int index = FindSection(section);
    if (index >= 0) {
        FSections.Delete(index);
        SetModified();
    }
}

void TCachedIniFile::FlushFile() {
    if (!FModified)
        return;
    if (!FFileName.empty())
        ReplaceFileContent(FFileName, FileText(), TFileReplacement::TRule::OwnFileOnly);
    FModified = false;
}

bool TCachedIniFile::HasSection(std::string_view section) const {
    return FindSection(section) >= 0;
}

void TCachedIniFile::ReadAll(TStrings& list) const {
    for (const TIniSection& section : FSections) {
        if (section.Lines.empty())
            continue;
        list.push_back("[" + section.Name + "]");
        list.insert(list.end(), section.Lines.begin(), section.Lines.end());
        list.emplace_back();
    }
}

bool TCachedIniFile::ReadBool(std::string_view section, std::string_view key,
                              bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

TDateTime TCachedIniFile::ReadDate(std::string_view section, std::string_view key,
                                   TDateTime defaultValue) const {
    return ConvertOr(ReadString(section, key, ""), defaultValue, TryTextToDate);
}

TDateTime TCachedIniFile::ReadDateTime(std::string_view section, std::string_view key,
                                       TDateTime defaultValue) const {
    return ConvertOr(ReadString(section, key, ""), defaultValue, TryTextToDateTime);
}

double TCachedIniFile::ReadFloat(std::string_view section, std::string_view key,
                                 double defaultValue) const {
    return ConvertOr(ReadString(section, key, ""), defaultValue, TryTextToFloat);
}

std::int32_t TCachedIniFile::ReadInteger(std::string_view section, std::string_view key,
                                         std::int32_t defaultValue) const {
    std::string text = ReadString(section, key, "");
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.replace(0, 2, "$");
    return ConvertOr(text, defaultValue, TryStrToInt);
}

void TCachedIniFile::ReadSection(std::string_view section, TStrings& list) const {
    int index = FindSection(section);
    if (index < 0)
        return;
    for (const std::string& line : FSections[index].Lines) {
        std::size_t equals = line.find('=');
        if (equals != std::string::npos && equals > 0)
            list.push_back(line.substr(0, equals));
    }
}

void TCachedIniFile::ReadSections(TStrings& list) const {
    list.clear();
    for (const TIniSection& section : FSections)
        list.push_back(section.Name);
}

void TCachedIniFile::ReadSectionValues(std::string_view section, TStrings& list) const {
    int index = FindSection(section);
    if (index >= 0)
        list.insert(list.end(), FSections[index].Lines.begin(), FSections[index].Lines.end());
}

std::string TCachedIniFile::ReadString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue) const {
    if (const std::string* line = FindLine(section, key))
        return line->substr(ShortView(key).size() + 1);
    return std::string(defaultValue.substr(0, kShortStringMax));
}

TDateTime TCachedIniFile::ReadTime(std::string_view section, std::string_view key,
                                   TDateTime defaultValue) const {
    return ConvertOr(ReadString(section, key, ""), defaultValue, TryTextToTime);
}

bool TCachedIniFile::SectionExists(std::string_view section) const {
    return HasSection(section);
}

void TCachedIniFile::UpdateFile() {
    FlushFile();
}

void TCachedIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TCachedIniFile::WriteDate(std::string_view section, std::string_view key, TDateTime value) {
    WriteString(section, key, DateToText(value));
}

void TCachedIniFile::WriteDateTime(std::string_view section, std::string_view key,
                                   TDateTime value) {
    WriteString(section, key, DateTimeToText(value));
}

void TCachedIniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
    WriteString(section, key, FloatToText(value));
}

void TCachedIniFile::WriteInteger(std::string_view section, std::string_view key,
                                  std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TCachedIniFile::WriteString(std::string_view section, std::string_view key,
                                 std::string_view value) {
    if (key.empty()) {
        if (!section.empty() || !value.empty())
            EraseSection(section);
        else
            FlushFile();
        return;
    }
    key = ShortView(key);
    // FindKey could never find such a key again: one holding "=", or one that
    // leaves no room for the "=" in the line.
    if (key.find('=') != std::string_view::npos)
        throw EIniLineError("A key must not hold \"=\": " + std::string(key));
    if (key.size() >= kShortStringMax)
        throw EIniLineError("A key leaves no room for its value: " + std::string(key));
    std::string line = std::string(key) + "=" + std::string(ShortView(value));
    line.resize(std::min(line.size(), kShortStringMax));
    CheckStorableLine(line);

    TIniSection& entry = SectionAt(FindSection(section, true));
    int index = FindKey(entry, key);
    if (index < 0) {
        entry.Lines.push_back(std::move(line));
        SetModified();
    } else if (entry.Lines[index] != line) {
        entry.Lines[index] = std::move(line);
        SetModified();
    }
}

void TCachedIniFile::WriteTime(std::string_view section, std::string_view key, TDateTime value) {
    WriteString(section, key, TimeToText(value));
}

void TCachedIniFile::CheckStorableLine(std::string_view line) {
    if (HeaderName(line))
        throw EIniLineError("A line would read back as a section header: " + std::string(line));
}

int TCachedIniFile::FindSection(std::string_view section, bool create) {
    section = ShortView(section);
    int index = FSections.IndexOf(section);
    return index >= 0 || !create ? index : FSections.Add(std::string(section));
}

int TCachedIniFile::FindSection(std::string_view section) const {
    return FSections.IndexOf(ShortView(section));
}

int TCachedIniFile::FindKey(const TIniSection& section, std::string_view key) {
    // A key holding "=" can never be the text before a line's first "=".
    if (key.find('=') != std::string_view::npos)
        return -1;
    for (std::size_t i = 0; i < section.Lines.size(); ++i) {
        const std::string& line = section.Lines[i];
        if (line.size() > key.size() && line[key.size()] == '=' &&
            AnsiSameText(std::string_view(line).substr(0, key.size()), key))
            return static_cast<int>(i);
    }
    return -1;
}

const std::string* TCachedIniFile::FindLine(std::string_view section, std::string_view key) const {
    int index = FindSection(section);
    if (index < 0)
        return nullptr;
    int line = FindKey(FSections[index], ShortView(key));
    return line < 0 ? nullptr : &FSections[index].Lines[line];
}
