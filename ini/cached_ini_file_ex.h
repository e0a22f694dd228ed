#pragma once

#include "ini/cached_ini_file.h"
#include "ini/color_text.h"

// TCachedIniFile with colour values, numbered lists and whole-section writes.
class TCachedIniFileEx : public TCachedIniFile {
public:
    using TCachedIniFile::TCachedIniFile;

    // The value read as hexadecimal digits ("FF0000", no "$"), else as a
    // colour text of StringToColor ("clRed", "$00FF0000"); the default when it
    // is neither.
    virtual TColor ReadColor(std::string_view section, std::string_view key,
                             TColor defaultValue) const;
    // Writes ColorToString of the colour.
    virtual void WriteColor(std::string_view section, std::string_view key, TColor value);

    // Makes the section's lines equal to `lines` (each cut like every line): a
    // missing section is created at the end. Modified only if a line changed.
    // A line that would read back as a section header throws EIniLineError,
    // and the section stays as it was.
    void WriteSectionValues(std::string_view section, const TStrings& lines);

    // Items a numbered list read gives at most, whatever "Count" says.
    static constexpr std::size_t kMaxNumberedListCount = 10000;

    // A list stored as "Count=n" and the keys "1" to "n". Appends the n values
    // to `list` (at most kMaxNumberedListCount), `defaultValue` for a missing
    // one.
    void ReadNumberedList(std::string_view section, TStrings& list,
                          std::string_view defaultValue) const;
    // Stores `list` in that form, removing the keys "1" to the old "Count"
    // first (the first line of each). Writing the list that is stored leaves
    // Modified as it was.
    void WriteNumberedList(std::string_view section, const TStrings& list);

private:
    static constexpr std::string_view kCountKey = "Count";
};
