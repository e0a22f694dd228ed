#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One section of an INI file: its name as written between the brackets and its
// lines in file order, each kept exactly as read ("key=value", comments, lines
// without "=").
struct TIniSection {
    std::string Name;
    std::vector<std::string> Lines;
};

// The sections of an INI file in file order. Names are unique under
// case-insensitive comparison (AnsiSameText); Add refuses a second one.
// Lookups by name go through a hash index, so a file with thousands of
// sections answers in constant time.
class TSectionList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    // A section's lines may be changed through this; its name must not.
    TIniSection& operator[](int index) { return FItems[index]; }
    const TIniSection& operator[](int index) const { return FItems[index]; }

    // Position of the section named `name` (any letter case), or -1.
    int IndexOf(std::string_view name) const;

    // Appends an empty section and returns its position; -1 (and nothing
    // added) when a section of that name exists already.
    int Add(std::string name);

    // Removes the section at `index` with its lines; later sections move up.
    void Delete(int index);

    void Clear();

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    void RebuildIndex();

    std::vector<TIniSection> FItems;
    std::unordered_map<std::string, int> FIndex; // folded name -> position
};
