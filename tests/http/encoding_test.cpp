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
    const unsigned char bytes[] = {0xFB, 0xFF, 0xBF, 0x00, 0x10, 0x83};
    EXPECT_EQ(EncodeLine(THttpEncoding::encBase64, bytes, sizeof bytes), "+/+/ABCD");
    // One line without breaks, however long.
    EXPECT_EQ(EncodeStr(THttpEncoding::encBase64, std::string(100, 'x')).size(), 136u);
}

TEST(EncodingTest, UUEncodeWritesLengthCharacterAndZeroPaddedGroups) {
    EXPECT_EQ(EncodeStr(THttpEncoding::encUUEncode, "Cat"), "#0V%T");
    EXPECT_EQ(EncodeStr(THttpEncoding::encUUEncode, "C"), "!0P``");
    const unsigned char zeros[3] = {0, 0, 0};
    EXPECT_EQ(EncodeLine(THttpEncoding::encUUEncode, zeros, 3), "#````");
    EXPECT_EQ(EncodeStr(THttpEncoding::encUUEncode, ""), "`");
    EXPECT_EQ(EncodeStr(THttpEncoding::encUUEncode, std::string(64, 'a')).front(), '`');
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
    // Each search resumes one character after the previous hit.
    EXPECT_EQ(Posn("aa", "aaaa", 2), 2);
    EXPECT_EQ(Posn("aa", "aaaa", 3), 3);
    EXPECT_EQ(Posn("aa", "aaaa", -1), 3);
    EXPECT_EQ(Posn("aa", "aaaa", -3), 1);
}

TEST(Rfc1123DateTest, WritesWeekdayDateAndTime) {
    const std::pair<double, const char*> cases[] = {
        {0.0, "Sat, 30 Dec 1899 00:00:00"},
        {1.0, "Sun, 31 Dec 1899 00:00:00"},
        {2.0, "Mon, 01 Jan 1900 00:00:00"},
        {34644.0 + (8 * 3600 + 49 * 60 + 37) / 86400.0, "Sun, 06 Nov 1994 08:49:37"},
        {36585.5, "Tue, 29 Feb 2000 12:00:00"},
        {45657.0 + 86399.9999 / 86400.0, "Wed, 01 Jan 2025 00:00:00"}, // rounds up to midnight
        {-1.25, "Fri, 29 Dec 1899 06:00:00"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(RFC1123_Date(value), text) << value;
}

} // namespace
