#include "query/format_size.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <limits>

namespace {

struct TSizeCase {
    double Bytes;
    const char* German;
    const char* English;
};

class FormatSizeTest : public ::testing::TestWithParam<TSizeCase> {};

TEST_P(FormatSizeTest, UsesLargestExceededUnitAndLocaleSeparators) {
    const TSizeCase& c = GetParam();
    EXPECT_EQ(httpreport::FormatSize(c.Bytes, QLocale(QLocale::German, QLocale::Germany)),
              c.German);
    EXPECT_EQ(httpreport::FormatSize(c.Bytes, QLocale(QLocale::English, QLocale::UnitedStates)),
              c.English);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, FormatSizeTest,
    ::testing::Values(
        TSizeCase{1, "1,00 bytes", "1.00 bytes"},
        TSizeCase{1024, "1.024,00 bytes", "1,024.00 bytes"}, TSizeCase{1025, "1,00 kB", "1.00 kB"},
        TSizeCase{12800, "12,50 kB", "12.50 kB"}, TSizeCase{1152, "1,13 kB", "1.13 kB"},
        TSizeCase{1048576, "1.024,00 kB", "1,024.00 kB"}, TSizeCase{1048577, "1,00 MB", "1.00 MB"},
        TSizeCase{1073741824, "1.024,00 MB", "1,024.00 MB"},
        TSizeCase{1073741825, "1,00 GB", "1.00 GB"},
        TSizeCase{3.0 * (1ull << 40), "3.072,00 GB", "3,072.00 GB"},
        TSizeCase{1.2e15, "1.117.587,09 GB", "1,117,587.09 GB"},
        TSizeCase{0, "(Unbekannt)", "(Unbekannt)"}, TSizeCase{-1, "(Unbekannt)", "(Unbekannt)"},
        TSizeCase{std::numeric_limits<double>::quiet_NaN(), "?", "?"},
        TSizeCase{std::numeric_limits<double>::infinity(), "?", "?"}));

TEST(FormatSizeSeparators, BlankSeparatorOutsideCodePageBecomesNoBreakSpace) {
    // French groups with the narrow no-break space, which Windows-1252 lacks.
    const QLocale french(QLocale::French, QLocale::France);
    ASSERT_TRUE(french.groupSeparator().front().isSpace());
    EXPECT_EQ(httpreport::FormatSize(1024, french), "1\xA0"
                                                    "024,00 bytes");
}

TEST(FormatSizeSeparators, OtherSeparatorOutsideCodePageFallsBackToCLocale) {
    // Arabic (Egypt) uses the Arabic decimal and thousands signs.
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    ASSERT_GT(arabic.decimalPoint().front().unicode(), 0xFF);
    EXPECT_EQ(httpreport::FormatSize(1048575, arabic), "1,024.00 kB");
}

} // namespace
