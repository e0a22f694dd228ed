// Whole-section and list operations.
#include "ini_test_files.h"

namespace {

using TStrings = TCachedIniFile::TStrings;

TEST(IniLists, SectionReadsAppendAndSkipLinesWithoutKeys) {
    TLoadedIni ini("[S]\r\n;comment\r\na=1\r\n=nokey\r\nB=2\r\n[T]\r\nc=3\r\n[E]\r\n");
    TStrings keys{"kept"};
    ini.ReadSection("s", keys);
    ini.ReadSection("missing", keys);
    EXPECT_EQ(keys, (TStrings{"kept", "a", "B"}));

    TStrings values{"kept"};
    ini.ReadSectionValues("S", values);
    EXPECT_EQ(values, (TStrings{"kept", ";comment", "a=1", "=nokey", "B=2"}));

    TStrings names{"replaced"};
    ini.ReadSections(names);
    EXPECT_EQ(names, (TStrings{"S", "T", "E"}));

    TStrings all{"kept"};
    ini.ReadAll(all);
    EXPECT_EQ(all,
              (TStrings{"kept", "[S]", ";comment", "a=1", "=nokey", "B=2", "", "[T]", "c=3", ""}));
}

TEST(IniLists, NumberedListRoundTripsShrinksAndKeepsOtherKeys) {
    TLoadedIni ini("[Hist]\r\nMode=2\r\nCount=3\r\n1=a\r\n2=b\r\n3=c\r\n");
    ini.WriteNumberedList("hist", {"x", "y"});
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(ini.FileText(), "[Hist]\r\nMode=2\r\nCount=2\r\n1=x\r\n2=y\r\n\r\n");

    TStrings read{"kept"};
    ini.ReadNumberedList("Hist", read, "?");
    EXPECT_EQ(read, (TStrings{"kept", "x", "y"}));
}

TEST(IniLists, RewritingTheStoredNumberedListLeavesTheModelClean) {
    TLoadedIni ini("[Hist]\r\nCount=2\r\n1=a\r\n2=b\r\n[Other]\r\nk=v\r\n");
    ini.WriteNumberedList("Hist", {"a", "b"});
    EXPECT_FALSE(ini.Modified());
    ini.WriteNumberedList("Hist", {"a", "B"});
    EXPECT_TRUE(ini.Modified());

    TLoadedIni dirty("[Hist]\r\nCount=1\r\n1=a\r\n");
    dirty.WriteString("Other", "k", "v");
    dirty.WriteNumberedList("Hist", {"a"});
    EXPECT_TRUE(dirty.Modified()) << "an earlier change must not be forgotten";
}

TEST(IniLists, NumberedListReadFillsGapsWithTheDefault) {
    TLoadedIni ini("[L]\r\nCount=3\r\n1=a\r\n3=c\r\n[Bad]\r\nCount=-4\r\n1=a\r\n"
                   "[Short]\r\nCount=5\r\n1=x\r\n2=y\r\n");
    TStrings read;
    ini.ReadNumberedList("L", read, "?");
    ini.ReadNumberedList("Bad", read, "?");
    ini.ReadNumberedList("Missing", read, "?");
    ini.ReadNumberedList("Short", read, "?");
    EXPECT_EQ(read, (TStrings{"a", "?", "c", "x", "y", "?", "?", "?"}));
}

// The largest count must cost no time and no memory: the list read ends at
// the bound, and a write removes the numbered keys of the old list however
// far they go.
TEST(IniLists, AHugeStoredCountIsBound) {
    TLoadedIni ini("[L]\r\nCount=2147483647\r\n1=a\r\n2=b\r\n9999999=z\r\n");
    TStrings read;
    ini.ReadNumberedList("L", read, "?");
    ASSERT_EQ(read.size(), TCachedIniFileEx::kMaxNumberedListCount);
    EXPECT_EQ(read[1], "b");
    EXPECT_EQ(read.back(), "?");

    ini.WriteNumberedList("L", {"x"});
    EXPECT_EQ(ini.FileText(), "[L]\r\nCount=1\r\n1=x\r\n\r\n");
}

TEST(IniLists, WriteSectionValuesReplacesCreatesAndDetectsNoChange) {
    TLoadedIni ini("[S]\r\na=1\r\nb=2\r\n");
    ini.WriteSectionValues("s", {"a=1", "b=2"});
    EXPECT_FALSE(ini.Modified());
    ini.WriteSectionValues("S", {"a=1", "b=3"});
    ini.WriteSectionValues("New", {";made", "k=v"});
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(ini.FileText(), "[S]\r\na=1\r\nb=3\r\n\r\n[New]\r\n;made\r\nk=v\r\n\r\n");
    ini.WriteSectionValues("S", {"only=1"});
    EXPECT_EQ(ini.FileText(), "[S]\r\nonly=1\r\n\r\n[New]\r\n;made\r\nk=v\r\n\r\n");
}

} // namespace
