// Font and window-position values.
#include "ini/convert_error.h"
#include "ini_test_files.h"

namespace {

const TIniFont kArial{"Arial", 10, true, false, false, false, clRed};

TEST(IniPlusFont, FontTextHasNameSizeStyleDigitsAndColourAndConvertsBack) {
    const std::pair<TIniFont, const char*> cases[] = {
        {kArial, "Arial,10,1000,clRed"},
        {{"Arial", -12, false, true, false, false, 0x123456}, "Arial,-12,0100,$00123456"},
        {{"DejaVu Sans", 0, false, false, true, true}, "DejaVu Sans,0,0011,clWindowText"},
        {{"Courier New", 8, false, true, false, true, 0xFF0000}, "Courier New,8,0101,clBlue"}};
    for (const auto& [font, text] : cases) {
        EXPECT_EQ(TIniPlus::FontToString(font), text);
        TIniFont back;
        TIniPlus::StringToFont(text, back);
        EXPECT_EQ(back, font);
    }
    TIniFont font;
    TIniPlus::StringToFont("Arial,10,1x1?,clred", font);
    EXPECT_EQ(font, (TIniFont{"Arial", 10, true, false, true, false, clRed}))
        << "only \"1\" switches a style on";
}

TEST(IniPlusFont, BadFontTextFailsAfterApplyingTheLeadingFields) {
    struct {
        const char* Text;
        const char* Message; // nullptr: the integer conversion's own message
        const char* NameAfter;
        int SizeAfter;
        bool BoldAfter;
    } const cases[] = {
        {"Arial", "Invalid string to font conversion", "Old", 99, false},
        {"Arial,10", "Invalid string to font conversion", "Arial", 99, false},
        {"Arial,abc,1000,clRed", nullptr, "Arial", 99, false},
        {"Arial,10,100,clRed", "Invalid string to font conversion", "Arial", 10, false},
        {"Arial,10,10000,clRed", "Invalid string to font conversion", "Arial", 10, false},
        {"Arial,10,1000,clBogus", nullptr, "Arial", 10, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        TIniFont font{"Old", 99};
        try {
            TIniPlus::StringToFont(c.Text, font);
            ADD_FAILURE() << "no conversion error";
        } catch (const EConvertError& error) {
            if (c.Message) {
                EXPECT_STREQ(error.what(), c.Message);
            }
        }
        EXPECT_EQ(font.Name, c.NameAfter);
        EXPECT_EQ(font.Size, c.SizeAfter);
        EXPECT_EQ(font.Bold, c.BoldAfter);
    }
}

TEST(IniPlusFont, ReadFontFallsBackToTheDefaultWhole) {
    TLoadedIni ini("[F]\r\ngood=Tahoma,9,0010,clNavy\r\nbad=Tahoma,9,001,clNavy\r\n");
    TIniFont font;
    ini.ReadFont("F", "good", font, kArial);
    EXPECT_EQ(TIniPlus::FontToString(font), "Tahoma,9,0010,clNavy");
    ini.ReadFont("F", "bad", font, kArial);
    EXPECT_EQ(font, kArial);
    font = TIniFont{};
    ini.ReadFont("F", "missing", font, kArial);
    EXPECT_EQ(font, kArial);
    ini.ReadFont("F", "good", font, font);
    EXPECT_EQ(font.Name, "Tahoma") << "the font may be its own default";

    ini.WriteFont("F", "good", font);
    EXPECT_FALSE(ini.Modified());
}

TEST(IniPlusWinPos, WindowPositionRoundTripsAndAMissingKeyKeepsIt) {
    const TWinPos pos{-20, 4000, 640, 480};
    EXPECT_EQ(TIniPlus::WinPosToString(pos), "-20,4000,640,480");
    TLoadedIni ini("");
    TWinPos read{1, 2, 3, 4};
    ini.ReadWinPos("Main", "Pos", read);
    EXPECT_EQ(read, (TWinPos{1, 2, 3, 4}));
    ini.WriteWinPos("Main", "Pos", pos);
    ini.ReadWinPos("Main", "Pos", read);
    EXPECT_EQ(read, pos);
}

TEST(IniPlusWinPos, BadPositionAppliesTheLeadingFieldsOnly) {
    struct {
        const char* Text;
        TWinPos After;
    } const cases[] = {{"1,2,3", {1, 2, 300, 400}},       {"1,2,3,4,5", {1, 2, 3, 400}},
                       {"x,2,3,4", {100, 200, 300, 400}}, {"1", {100, 200, 300, 400}},
                       {"1, 2,3,4", {1, 2, 3, 4}},        {"", {100, 200, 300, 400}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        TLoadedIni ini(std::string("[W]\r\np=") + c.Text + "\r\n");
        TWinPos pos{100, 200, 300, 400};
        ini.ReadWinPos("W", "p", pos);
        EXPECT_EQ(pos, c.After);
    }

    TWinPos pos{100, 200, 300, 400};
    try {
        TIniPlus::StringToWinPos("1,2,3", pos);
        ADD_FAILURE() << "no conversion error";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "Invalid string to winpos conversion");
    }
}

} // namespace
