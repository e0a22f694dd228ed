// Reading and writing single values, and when the model counts as modified.
#include "ini/ansi_text.h"
#include "ini/cached_ini_file_ex.h"
#include "ini/convert_error.h"
#include "ini/ini_line_error.h"
#include "ini_test_files.h"

#include <cmath>

namespace {

// A model whose section S holds only "k=<text>".
TLoadedIni WithK(const std::string& text) {
    return TLoadedIni("[S]\r\nk=" + text + "\r\n");
}

std::int32_t ReadInt(const std::string& text) {
    return WithK(text).ReadInteger("S", "k", -7);
}

TEST(IniValues, ReadIntegerAcceptsDecimalAndBothHexFormsOnly) {
    EXPECT_EQ(ReadInt("0x1F"), 31);
    EXPECT_EQ(ReadInt("0X1f"), 31);
    EXPECT_EQ(ReadInt("$1F"), 31);
    EXPECT_EQ(ReadInt("$1f"), 31);
    EXPECT_EQ(ReadInt("42"), 42);
    EXPECT_EQ(ReadInt("+42"), 42);
    EXPECT_EQ(ReadInt("-42"), -42);
    EXPECT_EQ(ReadInt("  9"), 9);
    EXPECT_EQ(ReadInt("2147483647"), 2147483647);
    EXPECT_EQ(ReadInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(ReadInt("$FFFFFFFF"), -1);
    for (const char* bad :
         {"12abc", "", "9 ", "0x", "$", "-", "x1F", " 0x1F", "2147483648", "$100000000", "1.5"})
        EXPECT_EQ(ReadInt(bad), -7) << '"' << bad << '"';
}

TEST(IniValues, ReadStringTellsEmptyFromMissing) {
    TLoadedIni ini("[S]\r\nempty=\r\nk=first\r\nK=second\r\nlink=a=b\r\n");
    EXPECT_EQ(ini.ReadString("S", "empty", "def"), "");
    EXPECT_EQ(ini.ReadString("S", "missing", "def"), "def");
    EXPECT_EQ(ini.ReadString("Nope", "k", "def"), "def");
    EXPECT_EQ(ini.ReadString("s", "K", "def"), "first") << "first matching line wins";
    EXPECT_EQ(ini.ReadString("S", "link", ""), "a=b") << "value is all after the first =";
    EXPECT_FALSE(ini.Modified());
}

TEST(IniValues, RewritingTheStoredValueLeavesTheModelClean) {
    TLoadedIni ini("[Position]\r\nTop=5\r\n");
    ini.WriteInteger("position", "TOP", 5);
    EXPECT_TRUE(ini.Modified()) << "the key's letter case changed the stored line";
    EXPECT_EQ(ini.FileText(), "[Position]\r\nTOP=5\r\n\r\n");

    TLoadedIni same("[Position]\r\nTop=5\r\n");
    same.WriteInteger("POSITION", "Top", 5);
    same.WriteString("Position", "Top", "5");
    EXPECT_FALSE(same.Modified());
}

TEST(IniValues, WriteStringAppendsToTheSectionOrCreatesItAtTheEnd) {
    TLoadedIni ini("[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
    ini.WriteString("a", "z", "3");
    ini.WriteString("C", "w", "4");
    ini.WriteString("A", "x", "");
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(ini.FileText(), "[A]\r\nx=\r\nz=3\r\n\r\n[B]\r\ny=2\r\n\r\n[C]\r\nw=4\r\n\r\n");
}

TEST(IniValues, NamesValuesAndLinesAreCutTo255Bytes) {
    const std::string longName(300, 'n');
    const std::string longValue(300, 'v');
    TCachedIniFileEx ini("");
    ini.WriteString(longName, "k", longValue);
    ASSERT_EQ(ini.Sections().Count(), 1);
    EXPECT_EQ(ini.Sections()[0].Name.size(), kShortStringMax);
    EXPECT_EQ(ini.ReadString(longName, "k", "").size(), kShortStringMax - 2)
        << "the whole line k=value is cut";
    EXPECT_EQ(ini.ReadString(longName.substr(0, kShortStringMax), "k", ""),
              longValue.substr(0, kShortStringMax - 2));

    EXPECT_THROW(ini.WriteString("S", longName, "1"), EIniLineError)
        << "a key of 255 bytes leaves no room for = in the line";
    EXPECT_EQ(ini.ReadString("S", longName, "def"), "def");
    EXPECT_EQ(ini.ReadString("S", "k", std::string(300, 'd')).size(), kShortStringMax);
}

TEST(IniValues, LineBreaksCannotInjectLinesOrSections) {
    TCachedIniFileEx ini("");
    ini.WriteString("S", "k", "safe\r\n[Evil]\r\nx=1");
    ini.WriteString("T\n[U]", "j\rk", "2");
    EXPECT_EQ(ini.FileText(), "[S]\r\nk=safe\r\n\r\n[T]\r\nj=2\r\n\r\n");
}

TEST(IniValues, WriteStringWithEmptyKeyErasesOrFlushes) {
    struct {
        const char* Section;
        const char* Value;
        const char* Written;
    } const cases[] = {{"A", "", "[]\r\nz=0\r\n\r\n"},
                       {"a", "x", "[]\r\nz=0\r\n\r\n"},
                       {"", "x", "[A]\r\ny=1\r\n\r\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Section) + "/" + c.Value);
        TLoadedIni ini("[A]\r\ny=1\r\n[]\r\nz=0\r\n");
        ini.WriteString(c.Section, "", c.Value);
        EXPECT_TRUE(ini.Modified());
        EXPECT_EQ(ini.FileText(), c.Written);
    }
    TLoadedIni dirty("[A]\r\ny=1\r\n");
    dirty.WriteString("A", "y", "2");
    dirty.WriteString("", "", "");
    EXPECT_FALSE(dirty.Modified()) << "all empty flushes, which clears Modified";
    EXPECT_EQ(dirty.FileText(), "[A]\r\ny=2\r\n\r\n");
}

TEST(IniValues, DeleteKeyRemovesTheFirstMatchAndEmptiedSectionsVanish) {
    TLoadedIni ini("[A]\r\nx=1\r\nX=2\r\n[B]\r\ny=1\r\n");
    ini.DeleteKey("Missing", "x");
    ini.DeleteKey("A", "absent");
    EXPECT_FALSE(ini.Modified());
    EXPECT_TRUE(ini.HasSection("missing")) << "deleting from a missing section creates it";

    ini.DeleteKey("a", "x");
    EXPECT_EQ(ini.ReadString("A", "x", ""), "2");
    ini.DeleteKey("B", "y");
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(ini.FileText(), "[A]\r\nX=2\r\n\r\n");
}

TEST(IniValues, EraseSectionRemovesOnlyThatSection) {
    TLoadedIni ini("[A]\r\nx=1\r\n[B]\r\ny=1\r\n[C]\r\nz=1\r\n");
    ini.EraseSection("none");
    EXPECT_FALSE(ini.Modified());
    ini.EraseSection("b");
    EXPECT_TRUE(ini.Modified());
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_EQ(ini.ReadString("C", "z", ""), "1") << "lookups after the removal still work";
    ini.WriteString("B", "y", "2");
    EXPECT_EQ(ini.FileText(), "[A]\r\nx=1\r\n\r\n[C]\r\nz=1\r\n\r\n[B]\r\ny=2\r\n\r\n");
}

TEST(IniValues, TypedValuesRoundTripAndBadTextGivesTheDefault) {
    TCachedIniFileEx ini("");
    ini.WriteFloat("T", "f", 0.1);
    ini.WriteBool("T", "b", true);
    ini.WriteDate("T", "d", 46363.0);
    ini.WriteTime("T", "t", 0.75);
    ini.WriteDateTime("T", "dt", -1.25);
    ini.WriteColor("T", "c", 0x123456);
    EXPECT_EQ(ini.FileText(), "[T]\r\nf=0.1\r\nb=1\r\nd=2026-12-07\r\nt=18:00:00\r\n"
                              "dt=1899-12-29 06:00:00\r\nc=$00123456\r\n\r\n");
    EXPECT_EQ(ini.ReadFloat("T", "f", 0), 0.1);
    EXPECT_TRUE(ini.ReadBool("T", "b", false));
    EXPECT_EQ(ini.ReadDate("T", "d", 0), 46363.0);
    EXPECT_EQ(ini.ReadTime("T", "t", 0), 0.75);
    EXPECT_EQ(ini.ReadDateTime("T", "dt", 0), -1.25);
    EXPECT_EQ(ini.ReadColor("T", "c", clNone), 0x123456);

    TLoadedIni bad("[T]\r\nf=1,5\r\nb=yes\r\nd=2026-02-30\r\nt=24:00\r\n"
                   "dt=2026-12-07T10:00\r\n");
    EXPECT_EQ(bad.ReadFloat("T", "f", 2.5), 2.5);
    EXPECT_TRUE(bad.ReadBool("T", "b", true));
    EXPECT_FALSE(bad.ReadBool("T", "b", false));
    EXPECT_EQ(bad.ReadDate("T", "d", 1.0), 1.0);
    EXPECT_EQ(bad.ReadTime("T", "t", 0.5), 0.5);
    EXPECT_EQ(bad.ReadDateTime("T", "dt", 2.0), 2.0);
    EXPECT_EQ(bad.ReadDateTime("T", "d", 3.0), 3.0);

    EXPECT_THROW(ini.WriteDate("T", "d", 1e300), EConvertError);
    EXPECT_THROW(ini.WriteDateTime("T", "d", std::nan("")), EConvertError);
    ini.WriteString("T", "d", "0000-01-01");
    EXPECT_EQ(ini.ReadDate("T", "d", 4.0), 4.0) << "year 0 has no date value";
}

TEST(IniValues, ReadColorTriesHexDigitsThenNamesThenTheDefault) {
    const auto color = [](const char* text) { return WithK(text).ReadColor("S", "k", clWhite); };
    EXPECT_EQ(color("FF"), 0xFF);
    EXPECT_EQ(color("123"), 0x123);
    EXPECT_EQ(color("clred"), clRed);
    EXPECT_EQ(color("$00FF0000"), 0xFF0000);
    EXPECT_EQ(color("clWindowText"), clWindowText);
    EXPECT_EQ(color("bogus"), clWhite);
    EXPECT_EQ(color(""), clWhite);
    EXPECT_EQ(TLoadedIni("").ReadColor("S", "c", clRed), clRed)
        << "missing key reads the default's text";
    EXPECT_EQ(ColorToString(static_cast<TColor>(0x80000018)), "clInfoBk");
}

} // namespace
