#include <gtest/gtest.h>

#include "http/response_parsing.h"

namespace {

TEST(ResponseParsingTest, StatusLineGivesCodeAndReason) {
    EXPECT_TRUE(IsStatusLine("HTTP/1.1 404 Not Found"));
    EXPECT_TRUE(IsStatusLine("HTTP/1.0 200 OK"));
    EXPECT_FALSE(IsStatusLine("HTTP/2 200"));
    EXPECT_FALSE(IsStatusLine("http/1.0 200 OK"));
    EXPECT_EQ(StatusCodeOf("HTTP/1.1 404 Not Found"), 404);
    EXPECT_EQ(ReasonPhraseOf("HTTP/1.1 404 Not Found"), "Not Found");
    EXPECT_EQ(StatusCodeOf("HTTP/1.0 200"), 200);
    EXPECT_EQ(ReasonPhraseOf("HTTP/1.0 200"), "");
    EXPECT_EQ(StatusCodeOf("HTTP/1.0 abc Odd"), std::nullopt);
    EXPECT_EQ(StatusCodeOf("HTTP/1.0 2 OK"), std::nullopt);
    EXPECT_EQ(StatusCodeOf("HTTP/1.0"), std::nullopt);
    EXPECT_TRUE(IsHtmlTagLine("<html><head>"));
    EXPECT_FALSE(IsHtmlTagLine("<!DOCTYPE html>"));
    EXPECT_FALSE(IsHtmlTagLine("<htm"));
}

// Each case: a line and its field|value, or "-" when it has no colon.
TEST(ResponseParsingTest, HeaderFieldIsLowerCasedAndValueLosesLeadingBlanks) {
    const std::pair<const char*, const char*> cases[] = {
        {"Content-Type:   Text/HTML; a=b", "content-type|Text/HTML; a=b"},
        {"Location: http://h:81/x", "location|http://h:81/x"},
        {"X-Empty:", "x-empty|"},
        {"X-Blanks:   ", "x-blanks| "}, // the last character stays
        {"no colon here", "-"}};
    for (const auto& [line, expected] : cases) {
        std::string field, value;
        EXPECT_EQ(SplitHeaderField(line, field, value) ? field + "|" + value : "-", expected);
    }
}

TEST(ResponseParsingTest, DecimalNumbersAndContentRange) {
    EXPECT_EQ(ParseDecimal("1234"), 1234);
    EXPECT_EQ(ParseDecimal(" 5000000000 "), 5000000000LL);
    for (const char* bad : {"12abc", "-1", "0x10", "", "99999999999999999999"})
        EXPECT_EQ(ParseDecimal(bad), std::nullopt) << bad;

    std::string begin = "x", end = "x";
    ASSERT_TRUE(ParseContentRange("bytes 100-199/1000", begin, end));
    EXPECT_EQ(begin + "|" + end, "100|199");
    ASSERT_TRUE(ParseContentRange("bytes 0-4", begin, end));
    EXPECT_EQ(begin + "|" + end, "0|4");
    // Bounds go into the next request line: anything but digits is ignored.
    for (const char* bad : {"bytes */1000", "bytes 1\r0-4/9", "bytes 1-4x/9", "bytes -4/9"})
        EXPECT_FALSE(ParseContentRange(bad, begin, end)) << bad;
    EXPECT_EQ(begin + "|" + end, "0|4");
}

} // namespace
