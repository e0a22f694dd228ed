#include <gtest/gtest.h>

#include "http/response_parsing.h"

namespace {

// Each case: a line and its code|reason, or "-" when it is no status line.
TEST(ResponseParsingTest, StatusLineGivesCodeAndReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"HTTP/1.1 404 Not Found", "404|Not Found"},
        {"HTTP/1.0 200 OK", "200|OK"},
        {"HTTP/2 200", "200|"},
        {"HTTP/1.1 204 ", "204|"},
        {"HTTP/3.0 103 Early Hints", "103|Early Hints"},
        {"http/1.0 200 OK", "-"},
        {"HTTP/1.0 abc Odd", "-"},
        {"HTTP/1.1 2 OK", "-"},
        {"HTTP/1.1 -12 OK", "-"},
        {"HTTP/1.1 2000 OK", "-"},
        {"HTTP/1.1 000 Zero", "-"},
        {"HTTP/1.1 600 Beyond", "-"},
        {"HTTP/1.1  200 OK", "-"},
        {"HTTP/1.1 200OK", "-"},
        {"HTTP/1. 200 OK", "-"},
        {"HTTP/11 200 OK", "-"},
        {"HTTP/ 200 OK", "-"},
        {"HTTP/1.0", "-"}};
    for (const auto& [line, expected] : cases) {
        const auto status = ParseStatusLine(line);
        EXPECT_EQ(status ? std::to_string(status->Code) + "|" + status->Reason : "-", expected)
            << line;
    }
    EXPECT_TRUE(IsInterimStatus(100));
    EXPECT_TRUE(IsInterimStatus(199));
    EXPECT_FALSE(IsInterimStatus(101));
    EXPECT_FALSE(IsInterimStatus(200));
    EXPECT_TRUE(IsHtmlTagLine("<html><head>"));
    EXPECT_FALSE(IsHtmlTagLine("<!DOCTYPE html>"));
    EXPECT_FALSE(IsHtmlTagLine("<htm"));
}

// Each case: a line and its field|value, or "-" when it has no colon.
TEST(ResponseParsingTest, HeaderFieldIsLowerCasedAndValueLosesItsBlanks) {
    const std::pair<const char*, const char*> cases[] = {
        {"Content-Type:   Text/HTML; a=b \t", "content-type|Text/HTML; a=b"},
        {"Location: http://h:81/x", "location|http://h:81/x"},
        {"X-Empty:", "x-empty|"},
        {"X-Blanks: \t ", "x-blanks|"},
        {"no colon here", "-"}};
    for (const auto& [line, expected] : cases) {
        std::string field, value;
        EXPECT_EQ(SplitHeaderField(line, field, value) ? field + "|" + value : "-", expected);
    }
    EXPECT_TRUE(IsContinuationLine(" a"));
    EXPECT_TRUE(IsContinuationLine("\ta"));
    EXPECT_FALSE(IsContinuationLine("a b"));
    EXPECT_FALSE(IsContinuationLine(""));
    EXPECT_EQ(JoinFoldedLine("Content-Type: text/plain; \t", " \tcharset=utf-8"),
              "Content-Type: text/plain; charset=utf-8");
    EXPECT_EQ(JoinFoldedLine("Location:", " /a.txt"), "Location: /a.txt");
    EXPECT_EQ(JoinFoldedLine("X: a", " \t "), "X: a");
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
