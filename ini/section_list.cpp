#include "ini/section_list.h"

#include "ini/ansi_text.h"

int TSectionList::IndexOf(std::string_view name) const {
    auto found = FIndex.find(AnsiLowerCase(name));
    return found == FIndex.end() ? -1 : found->second;
}

int TSectionList::Add(std::string name) {
    int index = Count();
    if (!FIndex.emplace(AnsiLowerCase(name), index).second)
        return -1;
    FItems.push_back(TIniSection{std::move(name), {}});
    return index;
}

void TSectionList::Delete(int index) {
    FItems.erase(FItems.begin() + index);
    RebuildIndex();
}

void TSectionList::Clear() {
    FItems.clear();
    FIndex.clear();
}

void TSectionList::RebuildIndex() {
    FIndex.clear();
    for (int i = 0; i < Count(); ++i)
        FIndex.emplace(AnsiLowerCase(FItems[i].Name), i);
}
