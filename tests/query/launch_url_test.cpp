#include "query/launch_url.h"

#include <gtest/gtest.h>

namespace {

TEST(LaunchUrl, EnabledOnlyOnInputPageWithAddress) {
    const QString address = QStringLiteral("http://example.test");
    EXPECT_TRUE(launchurl::Enabled(launchurl::kInputPage, address));
    EXPECT_TRUE(launchurl::Enabled(launchurl::kInputPage, QStringLiteral(" ")));
    EXPECT_FALSE(launchurl::Enabled(launchurl::kInputPage, QString()));
    EXPECT_FALSE(launchurl::Enabled(1, address)); // Progress
    EXPECT_FALSE(launchurl::Enabled(2, address)); // Finish
}

TEST(LaunchUrl, HintQuotesAddressWithTrailingBlank) {
    EXPECT_EQ(launchurl::Hint(QStringLiteral("http://a.test/%1?x")),
              QStringLiteral("Gehe zu \"http://a.test/%1?x\" "));
    EXPECT_EQ(launchurl::Hint(QString()), QStringLiteral("Gehe zu \"\" "));
}

} // namespace
