#include "query/status_text.h"

#include <gtest/gtest.h>
#include <utility>

namespace {

TEST(StatusText, CodesInTheTableGetTheProgramsText) {
    const std::pair<int, const char*> cases[] = {
        {100, "Continue (100)"},
        {200, "OK (200)"},
        {302, "Moved Temporarily (302)"},
        {404, "Not Found (404)"},
        {414, "Request-URL Too Large (414)"},
        {503, "Out of Resources (503)"},
        {505, "HTTP Version not supported (505)"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(httpreport::StatusText(code), text) << code;
}

TEST(StatusText, CodesOutsideTheTableStayBareNumbers) {
    for (const int code : {0, -1, 99, 102, 207, 306, 307, 416, 418, 506, 999})
        EXPECT_EQ(httpreport::StatusText(code), std::to_string(code));
}

} // namespace
