// Font and window-position values.
#include "ini/convert_error.h"
#include "loaded_ini.h"

#include <gtest/gtest.h>

namespace {

TIniFont Arial() {
    TIniFont font;
    font.Name = "Arial";
    font.Size = 10;
    font.Bold = true;
    font.Color = clRed;
    return font;
}

TEST(IniPlusFont, FontTextHasNameSizeStyleDigitsAndColour) {
    EXPECT_EQ(TIniPlus::FontToString(Arial()), "Arial,10,1000,clRed");

    TIniFont italic = Arial();
    italic.Bold = false;
    italic.Italic = true;
    italic.Color = 0x123456;
    italic.Size = -12;
    EXPECT_EQ(TIniPlus::FontToString(italic), "Arial,-12,0100,$00123456");

    TIniFont struck;
    struck.Name = "DejaVu Sans";
    struck.Underline = struck.StrikeOut = true;
    EXPECT_EQ(TIniPlus::FontToString(struck), "DejaVu Sans,0,0011,clWindowText");
}

TEST(IniPlusFont, FontTextConvertsBack) {
    TIniFont font;
    TIniPlus::StringToFont("Courier New,8,0101,$00FF0000", font);
    EXPECT_EQ(font.Name, "Courier New");
    EXPECT_EQ(font.Size, 8);
    EXPECT_FALSE(font.Bold);
    EXPECT_TRUE(font.Italic);
    EXPECT_FALSE(font.Underline);
    EXPECT_TRUE(font.StrikeOut);
    EXPECT_EQ(font.Color, 0xFF0000);

    TIniPlus::StringToFont("Arial,10,1x1?,clred", font);
    EXPECT_TRUE(font.Bold && font.Underline);
    EXPECT_FALSE(font.Italic || font.StrikeOut) << "only \"1\" switches a style on";
    EXPECT_EQ(font.Color, clRed);
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
        {"Arial,10,1000,clBogus", nullptr, "Arial", 10, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        TIniFont font;
        font.Name = "Old";
        font.Size = 99;
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
    ini.ReadFont("F", "good", font, Arial());
    EXPECT_EQ(TIniPlus::FontToString(font), "Tahoma,9,0010,clNavy");
    ini.ReadFont("F", "bad", font, Arial());
    EXPECT_EQ(font, Arial());
    font = TIniFont{};
    ini.ReadFont("F", "missing", font, Arial());
    EXPECT_EQ(font, Arial());
    ini.ReadFont("F", "good", font, font);
    EXPECT_EQ(font.Name, "Tahoma") << "the font may be its own default";

    ini.WriteFont("F", "good", font);
    EXPECT_FALSE(ini.Modified());
}

TEST(IniPlusWinPos, WindowPositionRoundTrips) {
    TWinPos pos{-20, 4000, 640, 480};
    EXPECT_EQ(TIniPlus::WinPosToString(pos), "-20,4000,640,480");
    TLoadedIni ini("");
    ini.WriteWinPos("Main", "Pos", pos);
    TWinPos read;
    ini.ReadWinPos("Main", "Pos", read);
    EXPECT_EQ(read, pos);
}

TEST(IniPlusWinPos, BadPositionAppliesTheLeadingFieldsOnly) {
    struct {
        const char* Text;
        TWinPos After;
    } const cases[] = {
        {"1,2,3", {1, 2, 300, 400}},       {"1,2,3,4,5", {1, 2, 3, 400}},
        {"x,2,3,4", {100, 200, 300, 400}}, {"1", {100, 200, 300, 400}},
        {"1, 2,3,4", {1, 2, 3, 4}},        {"", {100, 200, 300, 400}},
    };
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

TEST(IniPlusWinPos, MissingKeyKeepsThePosition) {
    TLoadedIni ini("");
    TWinPos pos{1, 2, 3, 4};
    ini.ReadWinPos("W", "p", pos);
    EXPECT_EQ(pos, (TWinPos{1, 2, 3, 4}));
}

} // namespace
