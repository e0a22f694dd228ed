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
}

TEST(ResponseParsingTest, HeaderFieldIsLowerCasedAndValueLosesLeadingBlanks) {
    std::string field, value;
    ASSERT_TRUE(SplitHeaderField("Content-Type:   Text/HTML; a=b", field, value));
    EXPECT_EQ(field, "content-type");
    EXPECT_EQ(value, "Text/HTML; a=b");
    ASSERT_TRUE(SplitHeaderField("Location: http://h:81/x", field, value));
    EXPECT_EQ(field, "location");
    EXPECT_EQ(value, "http://h:81/x");
    ASSERT_TRUE(SplitHeaderField("X-Empty:", field, value));
    EXPECT_EQ(value, "");
    ASSERT_TRUE(SplitHeaderField("X-Blanks:   ", field, value));
    EXPECT_EQ(value, " ");
    EXPECT_FALSE(SplitHeaderField("no colon here", field, value));
}

TEST(ResponseParsingTest, DecimalNumbersOnly) {
    EXPECT_EQ(ParseDecimal("1234"), 1234);
    EXPECT_EQ(ParseDecimal(" 5000000000 "), 5000000000LL);
    EXPECT_EQ(ParseDecimal("12abc"), std::nullopt);
    EXPECT_EQ(ParseDecimal("-1"), std::nullopt);
    EXPECT_EQ(ParseDecimal("0x10"), std::nullopt);
    EXPECT_EQ(ParseDecimal(""), std::nullopt);
    EXPECT_EQ(ParseDecimal("99999999999999999999"), std::nullopt);
}

TEST(ResponseParsingTest, ContentRangeBounds) {
    std::string begin = "x", end = "x";
    ASSERT_TRUE(ParseContentRange("bytes 100-199/1000", begin, end));
    EXPECT_EQ(begin, "100");
    EXPECT_EQ(end, "199");
    ASSERT_TRUE(ParseContentRange("bytes 0-4", begin, end));
    EXPECT_EQ(begin, "0");
    EXPECT_EQ(end, "4");
    EXPECT_FALSE(ParseContentRange("bytes */1000", begin, end));
    EXPECT_EQ(begin, "0");
}

TEST(ResponseParsingTest, HtmlTagLineInAnyCase) {
    EXPECT_TRUE(IsHtmlTagLine("<HTML>"));
    EXPECT_TRUE(IsHtmlTagLine("<html><head>"));
    EXPECT_FALSE(IsHtmlTagLine("<!DOCTYPE html>"));
    EXPECT_FALSE(IsHtmlTagLine("<htm"));
}

} // namespace
