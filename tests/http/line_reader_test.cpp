#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "http/line_reader.h"

namespace {

using TLines = std::vector<std::pair<std::string, std::string>>; // text, line end

// Each case: the receives in order; the lines cut after each of them, the
// bytes still held at the end and whether they can never become a line.
struct TLineCase {
    std::string name;
    std::vector<std::string> receives;
    TLines lines;
    std::string held;
    bool full = false;
};

void PrintTo(const TLineCase& c, std::ostream* os) {
    *os << c.name;
}

class LineReaderTest : public ::testing::TestWithParam<TLineCase> {};

TEST_P(LineReaderTest, CutsLinesAtEachLineFeed) {
    const TLineCase& c = GetParam();
    TLineReader reader;
    TLines lines;
    std::string text, end;
    for (const std::string& bytes : c.receives) {
        // As a socket hands them over: as much as there is room for each time.
        for (std::size_t done = 0; done < bytes.size();) {
            const std::span<char> space = reader.Space();
            ASSERT_FALSE(space.empty());
            const std::size_t count = std::min(space.size(), bytes.size() - done);
            std::memcpy(space.data(), bytes.data() + done, count);
            reader.Received(count);
            done += count;
            while (reader.NextLine(text, end))
                lines.emplace_back(text, end);
        }
    }
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(reader.Full(), c.full);
    EXPECT_EQ(reader.TakeHeld(), c.held);
    EXPECT_EQ(reader.HeldCount(), 0u);
}

const std::string kBufferOfX(http_limits::kMaxHeaderLineBytes, 'x');
const std::string kLongestLine(http_limits::kMaxHeaderLineBytes - 1, 'x');

INSTANTIATE_TEST_SUITE_P(
    Receives, LineReaderTest,
    ::testing::Values(
        TLineCase{"CrLfAndBareLf", {"a\r\nb\n"}, {{"a", "\r\n"}, {"b", "\n"}}, ""},
        TLineCase{"EmptyLineEndsAHeader", {"\r\n\n"}, {{"", "\r\n"}, {"", "\n"}}, ""},
        TLineCase{"CrInsideALineStays", {"a\rb\r\n"}, {{"a\rb", "\r\n"}}, ""},
        TLineCase{"UnendedRestIsHeldAsItCame", {"a\r\nrest\r"}, {{"a", "\r\n"}}, "rest\r"},
        TLineCase{"LineSplitOverReceives",
                  {"HTTP/1.0 2", "00 OK\r", "\nServer: x\r\n\r\nbo"},
                  {{"HTTP/1.0 200 OK", "\r\n"}, {"Server: x", "\r\n"}, {"", "\r\n"}},
                  "bo"},
        TLineCase{"LongestLineFitsTheBuffer", {kLongestLine + "\n"}, {{kLongestLine, "\n"}}, ""},
        // The room a long line needed is there for the short lines after it.
        TLineCase{"LongLineAmongShortOnes",
                  {"a\n" + kLongestLine, "\nb\n"},
                  {{"a", "\n"}, {kLongestLine, "\n"}, {"b", "\n"}},
                  ""},
        TLineCase{"FullBufferWithoutLineFeed", {kBufferOfX}, {}, kBufferOfX, true}),
    [](const auto& info) { return info.param.name; });

// One budget per header: lines and bytes of text, started again for the next.
TEST(LineReaderBudgetTest, HeaderBudgetHoldsLinesAndBytesUntilStartedAgain) {
    TLineReader reader;
    const std::string line = "X: y";
    for (int i = 1; i <= http_limits::kMaxHeaderLines; ++i) {
        ASSERT_EQ(reader.CountHeaderLine(), i);
        ASSERT_TRUE(reader.AddHeaderText(line));
    }
    EXPECT_EQ(reader.CountHeaderLine(), http_limits::kMaxHeaderLines + 1);
    EXPECT_FALSE(reader.AddHeaderText(""));

    reader.StartHeader();
    EXPECT_EQ(reader.HeaderLines(), 0);
    reader.CountHeaderLine();
    EXPECT_TRUE(reader.AddHeaderText(std::string(http_limits::kMaxHeaderBytes - 1, 'b')));
    reader.CountHeaderLine();
    EXPECT_TRUE(reader.AddHeaderText("b"));
    reader.CountHeaderLine();
    EXPECT_FALSE(reader.AddHeaderText("b"));
}

} // namespace
