// How files are read into the model and written back out.
#include "ini/ansi_text.h"
#include "ini/ini_line_error.h"
#include "ini_test_files.h"

namespace {

TEST(IniParse, QuirksAreReadAndWrittenBackAsExpected) {
    const std::string kLong(300, 'v');
    const struct {
        const char* Quirk;
        std::string Input;
        std::string Written;
    } cases[] = {
        {"CR LF lines", "[S]\r\na=1\r\nb=2\r\n", "[S]\r\na=1\r\nb=2\r\n\r\n"},
        {"LF lines and no final terminator", "[S]\na=1\nb=2", "[S]\r\na=1\r\nb=2\r\n\r\n"},
        {"mixed terminators", "[S]\r\na=1\nb=2\r\n", "[S]\r\na=1\r\nb=2\r\n\r\n"},
        {"lone CR stays inside the line", "[S]\r\na=1\rb\r\n", "[S]\r\na=1\rb\r\n\r\n"},
        {"empty lines inside a section go", "[S]\r\na=1\r\n\r\n\r\nb=2\r\n",
         "[S]\r\na=1\r\nb=2\r\n\r\n"},
        {"end-of-file mark line goes", "[S]\r\na=1\r\n\x1A", "[S]\r\na=1\r\n\r\n"},
        {"end-of-file mark inside a line stays", "[S]\r\na=\x1A\r\n", "[S]\r\na=\x1A\r\n\r\n"},
        {"lines before the first section stay ahead of it", "; header\r\n\r\nx=1\r\n[S]\r\na=1\r\n",
         "; header\r\nx=1\r\n[S]\r\na=1\r\n\r\n"},
        {"a byte order mark is read as nothing and written back", "\xEF\xBB\xBF[S]\r\na=1\r\n",
         "\xEF\xBB\xBF[S]\r\na=1\r\n\r\n"},
        {"a byte order mark after empty lines", "\r\n\xEF\xBB\xBF[S]\r\na=1\r\n",
         "\xEF\xBB\xBF[S]\r\na=1\r\n\r\n"},
        {"a byte order mark later on is text", "[S]\r\n\xEF\xBB\xBF[T]\r\n",
         "[S]\r\n\xEF\xBB\xBF[T]\r\n\r\n"},
        {"blanks after a header", "[S] \t\r\na=1\r\n", "[S]\r\na=1\r\n\r\n"},
        {"comments and lines without = stay in place", "[S]\r\n;c\r\na=1\r\nplain\r\nb=2\r\n",
         "[S]\r\n;c\r\na=1\r\nplain\r\nb=2\r\n\r\n"},
        {"blanks around = are kept", "[Position]\r\nTop = 5\r\n", "[Position]\r\nTop = 5\r\n\r\n"},
        {"sections without lines are not written", "[E]\r\n[S]\r\na=1\r\n[F]\r\n",
         "[S]\r\na=1\r\n\r\n"},
        {"empty and blank section names", "[]\r\na=1\r\n[ x ]\r\nb=2\r\n",
         "[]\r\na=1\r\n\r\n[ x ]\r\nb=2\r\n\r\n"},
        {"a lone bracket is a line", "[S]\r\n[\r\n", "[S]\r\n[\r\n\r\n"},
        {"duplicate sections keep the first", "[A]\r\nx=1\r\n[B]\r\ny=1\r\n[a]\r\nx=2\r\nz=3\r\n",
         "[A]\r\nx=1\r\n\r\n[B]\r\ny=1\r\n\r\n"},
        {"long line is cut, the next one read", "[S]\r\nk=" + kLong + "\r\nn=1\r\n",
         "[S]\r\nk=" + kLong.substr(0, kShortStringMax - 2) + "\r\nn=1\r\n\r\n"},
        {"a cut header is no header", "[S]\r\n[" + kLong + "]\r\n",
         "[S]\r\n[" + kLong.substr(0, kShortStringMax - 1) + "\r\n\r\n"}};
    for (const auto& c : cases)
        EXPECT_EQ(TLoadedIni(c.Input).FileText(), c.Written) << c.Quirk;
}

TEST(IniParse, DuplicateSectionKeepsTheFirstAcrossSourcesAndMarksTheModel) {
    TLoadedIni ini("[A]\r\nx=1\r\n[a]\r\nx=2\r\n");
    EXPECT_EQ(ini.ReadString("a", "X", "none"), "1");
    ASSERT_EQ(ini.Sections().Count(), 1);
    EXPECT_EQ(ini.Sections()[0].Name, "A");
    EXPECT_TRUE(ini.Modified()) << "the dropped section must be written away";

    TLoadedIni appended("[A]\r\nx=1\r\n");
    EXPECT_FALSE(appended.Modified());
    appended.AppendFromText("; before\r\n[B]\r\ny=2\r\n[A]\r\nx=9\r\n");
    EXPECT_EQ(appended.FileText(), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n\r\n");
    EXPECT_TRUE(appended.Modified());
}

// Whatever goes in through WriteString must come back from the file, or be
// refused before it touches the model.
TEST(IniParse, WrittenValuesReadBackAfterAReloadOrAreRefused) {
    const std::string kName254(254, 'n'), kName255(255, 'n'), kName300(300, 'n');
    const struct {
        std::string Section, Key, Value;
        bool Refused;
    } cases[] = {{"S", "[x", "]", true},
                 {"S", "[", "]", true},
                 {"S", "[k", "v]", true},
                 {"S", "a=b", "c", true},
                 {"S", "k", "]", false},
                 {"S", "[k", "v", false},
                 {"[x]", "k", "v", false},
                 {kName254, "k", "v", false},
                 {kName255, "k", "v", false},
                 {kName300, "k", "v", false},
                 {"S", std::string(254, 'k'), "v", false},
                 // No room left for the "=": such a key could never be found again.
                 {"S", std::string(255, 'k'), "v", true},
                 {"S", std::string(300, 'k'), "v", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Section.substr(0, 8) + "/" + c.Key.substr(0, 8) + "=" + c.Value);
        TLoadedIni ini("");
        if (c.Refused) {
            EXPECT_THROW(ini.WriteString(c.Section, c.Key, c.Value), EIniLineError);
            EXPECT_FALSE(ini.Modified());
            EXPECT_EQ(ini.Sections().Count(), 0);
            continue;
        }
        ini.WriteString(c.Section, c.Key, c.Value);
        const std::string stored = ini.ReadString(c.Section, c.Key, "<missing>");
        TLoadedIni reloaded(ini.FileText());
        EXPECT_EQ(reloaded.ReadString(c.Section, c.Key, "<missing>"), stored);
        EXPECT_EQ(reloaded.Sections().Count(), 1);
    }

    TLoadedIni ini("[S]\r\na=1\r\n");
    EXPECT_THROW(ini.WriteSectionValues("S", {"b=2", "[T]"}), EIniLineError);
    EXPECT_EQ(ini.FileText(), "[S]\r\na=1\r\n\r\n");
}

// A byte order mark (as Windows editors write it) and a blank after the
// header must not hide the first section: the next save would drop its keys.
TEST(IniParse, FirstSectionBehindAByteOrderMarkOrWithATrailingBlankKeepsItsKeys) {
    const struct {
        const char* Case;
        std::string Input;
        std::string Saved;
    } cases[] = {{"byte order mark",
                  "\xEF\xBB\xBF[Position]\r\nTop=10\r\nLeft=20\r\n[Other]\r\nk=v\r\n",
                  "\xEF\xBB\xBF[Position]\r\nTop=5\r\nLeft=20\r\n\r\n[Other]\r\nk=v\r\n\r\n"},
                 {"trailing blank", "[Position] \r\nTop=10\r\nLeft=20\r\n[Other]\r\nk=v\r\n",
                  "[Position]\r\nTop=5\r\nLeft=20\r\n\r\n[Other]\r\nk=v\r\n\r\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        TLoadedIni ini(c.Input);
        EXPECT_EQ(ini.ReadInteger("Position", "Left", 0), 20);
        ini.WriteInteger("Position", "Top", 5);
        EXPECT_EQ(ini.FileText(), c.Saved);
        EXPECT_EQ(TLoadedIni(ini.FileText()).FileText(), c.Saved);
    }
}

// A key that fills a whole line is refused each time instead of adding a line
// on every save.
TEST(IniParse, AKeyWithoutRoomForItsValueIsRefusedOnEverySave) {
    const std::string key(kShortStringMax, 'k');
    std::string text = "[S]\r\na=1\r\n";
    for (int save = 0; save < 3; ++save) {
        TLoadedIni ini(text);
        EXPECT_THROW(ini.WriteString("S", key, "v"), EIniLineError);
        EXPECT_EQ(ini.FileText(), "[S]\r\na=1\r\n\r\n");
        text = ini.FileText();
    }
}

TEST(IniParse, TopWithBlanksIsNotTheKeyTop) {
    TLoadedIni ini("[Position]\r\nTop = 5\r\n");
    EXPECT_EQ(ini.ReadInteger("Position", "Top", 100), 100);
    EXPECT_EQ(ini.ReadString("Position", "Top ", ""), " 5");
    EXPECT_EQ(ini.ReadInteger("Position", "Top ", 100), 5) << "leading blanks are allowed";
}

TEST(IniParse, UnknownContentSurvivesARoundTripWithOneChange) {
    const std::string original = "[Position]\r\nTop=120\r\nLeft=80\r\n\r\n"
                                 "[HelpID]\r\n; set by the installer\r\n"
                                 "HelpAppStd_de=viewer --de \"handbuch.chm\"\r\n\r\n"
                                 "[Plugins]\r\nSp\xE4ter=ja\r\n=odd but kept\r\n"
                                 "no equals sign\r\n\r\n";
    TLoadedIni ini(original);
    ini.WriteInteger("Position", "Top", 120);
    ini.WriteInteger("Position", "Left", 80);
    EXPECT_FALSE(ini.Modified());
    EXPECT_EQ(ini.FileText(), original);

    ini.WriteInteger("position", "left", 81);
    std::string expected = original;
    expected.replace(expected.find("Left=80"), 7, "left=81");
    EXPECT_EQ(ini.FileText(), expected);
}

TEST(IniParse, Windows1252LettersCompareWithoutCase) {
    // "[Größe]" and "ÄNDERUNG=ja" in Windows-1252.
    TLoadedIni ini("[Gr\xF6\xDF\x65]\r\n\xC4NDERUNG=ja\r\n\x8A=1\r\n");
    EXPECT_EQ(ini.ReadString("GR\xD6\xDF\x45", "\xE4nderung", ""), "ja");
    EXPECT_EQ(ini.ReadString("gr\xF6\x53S\x65", "\xE4nderung", "none"), "none")
        << "sharp s has no capital to fold to";
    EXPECT_EQ(ini.ReadString("gr\xF6\xDF\x65", "\x9A", ""), "1");
}

} // namespace
