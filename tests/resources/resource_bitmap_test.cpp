#include "resources/resource_bitmap.h"

#include "base/error.h"
#include "resources/resource_names.h"

#include <gtest/gtest.h>

TEST(ColourDepthSuffix, LowBelow65535ColoursHighFromThereOn) {
    EXPECT_EQ(ColourDepthSuffix(16), QStringLiteral("_L"));
    EXPECT_EQ(ColourDepthSuffix(256), QStringLiteral("_L"));
    EXPECT_EQ(ColourDepthSuffix(65534), QStringLiteral("_L"));
    EXPECT_EQ(ColourDepthSuffix(65535), QStringLiteral("_H"));
    EXPECT_EQ(ColourDepthSuffix(65536), QStringLiteral("_H"));
    EXPECT_EQ(ColourDepthSuffix(16777216), QStringLiteral("_H"));
}

TEST(LoadResourceBitmap, LoadsBothHeaderIconVariants) {
    for (const char* suffix : {kLowColourSuffix, kHighColourSuffix}) {
        const QPixmap icon =
            LoadResourceBitmap(QString::fromLatin1(kBlueIconResource) + QLatin1String(suffix));
        EXPECT_EQ(icon.size(), QSize(48, 48)) << suffix;
    }
}

TEST(LoadResourceBitmap, LoadsTheBanner) {
    EXPECT_EQ(LoadResourceBitmap(QString::fromLatin1(kBannerResource)).size(), QSize(460, 137));
}

TEST(LoadResourceBitmap, MissingResourceThrows) {
    EXPECT_THROW(LoadResourceBitmap(QStringLiteral(":/ZARVO_NOTHING")), EQuorvikError);
}

TEST(LoadResourceBitmap, ResourceThatIsNoBitmapThrows) {
    EXPECT_THROW(LoadResourceBitmap(QString::fromLatin1(kHandCursorResource)), EQuorvikError);
}
