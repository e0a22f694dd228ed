#include <gtest/gtest.h>

#include "http/encoding.h"
#include "http/rfc1123_date.h"
#include "http/text_utils.h"

namespace {

TEST(EncodingTest, Base64MatchesTheStandardVectors) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"user:", "dXNlcjo="},
        {"Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="}};
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(EncodeStr(THttpEncoding::encBase64, plain), encoded) << plain;
        EXPECT_EQ(EncodeStr(THttpEncoding::encMime, plain), encoded) << plain;
    }
}

TEST(EncodingTest, Base64UsesTheWholeAlphabetAndBinaryBytes) {
    const unsigned char bytes[] = {0xFB, 0xFF, 0xBF, 0x00, 0x10, 0x83};
    EXPECT_EQ(EncodeLine(THttpEncoding::encBase64, bytes, sizeof bytes), "+/+/ABCD");
    const std::string longInput(100, 'x');
    const std::string encoded = EncodeStr(THttpEncoding::encBase64, longInput);
    EXPECT_EQ(encoded.size(), 136u);
    EXPECT_EQ(encoded.find('\n'), std::string::npos);
}

TEST(EncodingTest, UUEncodeWritesLengthCharacterAndZeroPaddedGroups) {
    EXPECT_EQ(EncodeStr(THttpEncoding::encUUEncode, "Cat"), "#0V%T");
    EXPECT_EQ(EncodeStr(THttpEncoding::encUUEncode, "C"), "!0P``");
    const unsigned char zeros[3] = {0, 0, 0};
    EXPECT_EQ(EncodeLine(THttpEncoding::encUUEncode, zeros, 3), "#````");
    EXPECT_EQ(EncodeStr(THttpEncoding::encUUEncode, ""), "`");
    const std::string sixtyFour(64, 'a');
    EXPECT_EQ(EncodeStr(THttpEncoding::encUUEncode, sixtyFour).front(), '`');
}

TEST(PosnTest, CountsOccurrencesFromEitherEnd) {
    const std::string s = "a/b/c/d";
    EXPECT_EQ(Posn("/", s, 1), 2);
    EXPECT_EQ(Posn("/", s, 3), 6);
    EXPECT_EQ(Posn("/", s, 4), 8); // fewer hits: past the end
    EXPECT_EQ(Posn("/", s, -1), 6);
    EXPECT_EQ(Posn("/", s, -3), 2);
    EXPECT_EQ(Posn("/", s, -4), 0);
    EXPECT_EQ(Posn("/", s, 0), 0);
    EXPECT_EQ(Posn("x", s, -1), 0);
    EXPECT_EQ(Posn("x", s, 1), 8);
    EXPECT_EQ(Posn("", s, 1), 8);
    EXPECT_EQ(Posn("/", "", -1), 0);
}

TEST(PosnTest, ForwardSearchResumesOneCharacterAfterTheHit) {
    EXPECT_EQ(Posn("aa", "aaaa", 2), 2);
    EXPECT_EQ(Posn("aa", "aaaa", 3), 3);
    EXPECT_EQ(Posn("aa", "aaaa", -1), 3);
    EXPECT_EQ(Posn("aa", "aaaa", -3), 1);
}

struct TDateCase {
    double value;
    const char* text;
};

class Rfc1123DateTest : public ::testing::TestWithParam<TDateCase> {};

TEST_P(Rfc1123DateTest, WritesWeekdayDateAndTime) {
    EXPECT_EQ(RFC1123_Date(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, Rfc1123DateTest,
                         ::testing::Values(TDateCase{0.0, "Sat, 30 Dec 1899 00:00:00"},
                                           TDateCase{1.0, "Sun, 31 Dec 1899 00:00:00"},
                                           TDateCase{2.0, "Mon, 01 Jan 1900 00:00:00"},
                                           // 6 November 1994 08:49:37
                                           TDateCase{34644.0 + (8 * 3600 + 49 * 60 + 37) / 86400.0,
                                                     "Sun, 06 Nov 1994 08:49:37"},
                                           TDateCase{36585.5, "Tue, 29 Feb 2000 12:00:00"},
                                           TDateCase{45657.0 + 86399.9999 / 86400.0,
                                                     "Wed, 01 Jan 2025 00:00:00"},
                                           TDateCase{-1.25, "Fri, 29 Dec 1899 06:00:00"}));

} // namespace
