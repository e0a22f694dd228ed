#pragma once

#include "ini/section_list.h"
#include "ini/value_text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An INI file held wholly in memory. Reads are answered from memory; the file
// is written back as a whole, and only when something changed.
//
// File format as read (from a file or from memory):
// - a UTF-8 byte order mark at the start (after empty lines too) is no text;
//   it is written back at the start;
// - lines end with CR LF or LF; the last line may lack its terminator;
// - a line is cut to kShortStringMax bytes, the rest of it is skipped; a
//   section header counts whole, brackets on top of the name's limit;
// - empty lines and lines holding only the end-of-file mark (byte 26) are
//   skipped;
// - a line starting with "[" and ending with "]" (blanks and tabs after it
//   aside) starts the section named by the bytes between them, blanks
//   included ("[]" is the empty name);
// - every other line belongs to the current section as it is: "key=value",
//   a comment, a line without "=". Lines before the model's first section
//   (comments, as a rule) belong to no section and are kept ahead of it; those
//   before the first section of a text appended to a model with sections are
//   dropped;
// - of sections whose names differ only in letter case, the first one read is
//   kept with its lines and the later ones are dropped with theirs.
//
// File format as written (FileText): the byte order mark if the file read had
// one, the lines ahead of the first section, then for each section that has
// lines "[name]", its lines, one empty line; every line ends with CR LF.
// Sections without lines are left out. Content is 8-bit bytes, never
// re-encoded.
//
// A key is the text of a line before its first "="; its value is all after that
// "=". Keys and section names compare case-insensitively (AnsiSameText); blanks
// count, so "Top = 5" has the key "Top " and the value " 5". Names, keys,
// values and whole lines are cut to kShortStringMax bytes, and before any CR
// or LF, when they enter the model.
//
// Modified is true while the model differs from the file. No read changes it;
// a write sets it only when the model really changes, so writing back the
// values that are stored leaves the file untouched.
//
// File failures throw EInOutError: a file that exists but cannot be read (from
// the constructor, SetFileName, AppendFromFile) and a file that cannot be
// written (FlushFile, UpdateFile, SetFileName). The model is then unchanged and
// Modified stays true after a failed write. A missing file is an empty model.
//
// Not thread-safe; one object serves one thread at a time.
class TCachedIniFile {
public:
    using TStrings = std::vector<std::string>;

    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

    // Binds to `fileName` (see SetFileName); an empty name keeps the model in
    // memory only.
    explicit TCachedIniFile(const std::string& fileName);

    // Writes the file if Modified. A destructor cannot report a failed write,
    // so it swallows it: call UpdateFile first to learn about failures.
    virtual ~TCachedIniFile();

    TCachedIniFile(const TCachedIniFile&) = delete;
    TCachedIniFile& operator=(const TCachedIniFile&) = delete;

    const std::string& FileName() const { return FFileName; }
    bool Modified() const { return FModified; }
    const TSectionList& Sections() const { return FSections; }

    // Flushes the current file, clears the model, binds to `fileName`, loads it
    // when the name is not empty (a byte order mark only when that file has
    // one), and leaves Modified false.
    void SetFileName(const std::string& fileName);

    // Parses the file into the model in addition to what is there; a section
    // that then occurs twice keeps its first occurrence, and Modified is set
    // when such a section was dropped. A missing file adds nothing.
    virtual void AppendFromFile(const std::string& fileName);
    // The same for text already in memory.
    void AppendFromText(std::string_view text);

    // Exactly the bytes FlushFile writes.
    std::string FileText() const;

    // Removes all sections and the lines ahead of them; neither the file nor
    // Modified changes.
    virtual void Clear();

    // Removes the first line with the key. A missing section is created empty
    // (it is not written while it has no lines). Modified only if a line went.
    virtual void DeleteKey(std::string_view section, std::string_view key);

    // Removes the section with all its lines, if it exists, and sets Modified.
    virtual void EraseSection(std::string_view section);

    // If Modified: writes the file (when bound to one) and clears Modified.
    // The file is replaced as TFileReplacement does: a failed write or a crash
    // leaves the old content, and group, mode and links stay. Only the
    // caller's own file with its owner write bit is replaced, root included
    // (EACCES otherwise): a settings file made read-only stays as it is.
    virtual void FlushFile();

    virtual bool HasSection(std::string_view section) const;

    // Appends, for each section with lines, "[name]", its lines and "".
    virtual void ReadAll(TStrings& list) const;

    // ReadInteger with 1 or 0 as default; non-zero is true.
    virtual bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // ReadFloat, ReadDate, ReadTime, ReadDateTime: the value in the forms of
    // value_text.h; the default when it is empty or does not convert.
    virtual TDateTime ReadDate(std::string_view section, std::string_view key,
                               TDateTime defaultValue) const;
    virtual TDateTime ReadDateTime(std::string_view section, std::string_view key,
                                   TDateTime defaultValue) const;
    virtual double ReadFloat(std::string_view section, std::string_view key,
                             double defaultValue) const;
    // A leading "0x" (any case) means hexadecimal like "$"; otherwise the text
    // must be a whole StrToInt number ("12abc" is not). The default when the
    // key is missing, empty or not a number.
    virtual std::int32_t ReadInteger(std::string_view section, std::string_view key,
                                     std::int32_t defaultValue) const;

    // Appends the non-empty key of every line of the section (lines without
    // "=" are skipped). The list is not cleared first.
    virtual void ReadSection(std::string_view section, TStrings& list) const;
    // Replaces the list's content with the section names in order.
    virtual void ReadSections(TStrings& list) const;
    // Appends every line of the section as stored. The list is not cleared.
    virtual void ReadSectionValues(std::string_view section, TStrings& list) const;

    // The value of the first line of the section with the key; the default when
    // the section or key is missing. A key with an empty value yields "", not
    // the default. The result is at most kShortStringMax bytes.
    virtual std::string ReadString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const;
    virtual TDateTime ReadTime(std::string_view section, std::string_view key,
                               TDateTime defaultValue) const;
    virtual bool SectionExists(std::string_view section) const;

    // FlushFile.
    virtual void UpdateFile();

    // Writes "1" or "0".
    virtual void WriteBool(std::string_view section, std::string_view key, bool value);
    virtual void WriteDate(std::string_view section, std::string_view key, TDateTime value);
    virtual void WriteDateTime(std::string_view section, std::string_view key, TDateTime value);
    virtual void WriteFloat(std::string_view section, std::string_view key, double value);
    virtual void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

    // Replaces the first line with the key by "key=value", or appends it to the
    // section (created at the end when missing). Modified is set only if a byte
    // of the stored line changes, letter case of the key included.
    // An empty key: with a non-empty section or value the section is erased;
    // with all three empty the file is flushed. A key holding "=" or of
    // kShortStringMax bytes or more (no room for the "="), or a line that would
    // read back as a section header ("[x" and "]"), throws EIniLineError and
    // leaves the model as it was.
    virtual void WriteString(std::string_view section, std::string_view key,
                             std::string_view value);
    virtual void WriteTime(std::string_view section, std::string_view key, TDateTime value);

protected:
    // Throws EIniLineError for a line that a reload would take for a section
    // header.
    static void CheckStorableLine(std::string_view line);
    // The section's position, or -1; with `create` a missing section is
    // appended first.
    int FindSection(std::string_view section, bool create);
    int FindSection(std::string_view section) const;
    TIniSection& SectionAt(int index) { return FSections[index]; }
    void SetModified() { FModified = true; }
    void ClearModified() { FModified = false; }

private:
    // Line index of the key in the section, or -1.
    static int FindKey(const TIniSection& section, std::string_view key);
    // The stored value of the key, if there is one.
    const std::string* FindLine(std::string_view section, std::string_view key) const;

    std::string FFileName;
    TSectionList FSections;
    TStrings FLeadingLines; // the lines ahead of the first section
    bool FByteOrderMark = false;
    bool FModified = false;
};
