#include "util/cp1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1252, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(ToCp1252(FromCp1252(all)), all);
}

TEST(Cp1252, DecodesTheTableAndLatin1) {
    EXPECT_EQ(FromCp1252("\x80\x84\x93\x9F"), QString::fromUtf8("€„“Ÿ"));
    EXPECT_EQ(FromCp1252("\xE4\xF6\xFC\xDF\xA0"), QString::fromUtf8("äöüß\u00A0"));
}

TEST(Cp1252, UnmappableCharactersBecomeOneQuestionMarkEach) {
    // U+0080 is Latin-1 but its byte means the euro sign here.
    EXPECT_EQ(ToCp1252(QString::fromUtf8("a€Ω\u0080😀b")), "a\x80???b");
}

} // namespace
