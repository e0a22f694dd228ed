#include "query/report_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ReportText, ShowsLinesAsTheListDoes) {
    const TReportLines lines = {
        ">>HTTP Report f\xFCr<<",
        "\xA0 http://a.test/",
        "",
        ">>Dateigr\xF6\xDF"
        "e<<",
        "\xA0 1\xA0"
        "024,00 bytes",
        ">><<",
        ">>",
        ">><",
        "plain",
    };
    EXPECT_EQ(httpreport::ReportText(lines), QString::fromUtf8("HTTP Report für\n"
                                                               "  http://a.test/\n"
                                                               "\n"
                                                               "Dateigröße\n"
                                                               "  1\u00A0024,00 bytes\n"
                                                               "\n"
                                                               ">>\n"
                                                               ">><\n"
                                                               "plain\n"));
}

} // namespace
