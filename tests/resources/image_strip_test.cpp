#include "resources/image_strip.h"

#include "base/error.h"
#include "resources/resource_names.h"

#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr QRgb kMagenta = qRgb(255, 0, 255);

QImage IconImage(const QIcon& icon) {
    return icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The case: which icon of the menu strip.
class MenuStripIcon : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(MenuStripIcon, IsCutFromTheStripAndMasked) {
    const int i = GetParam();
    const QString name = QString::fromLatin1(kMenuIconStripResource);
    const QImage strip = QImage(name).convertToFormat(QImage::Format_RGB32);
    QList<QIcon> icons;
    LoadImageStrip(icons, name);
    ASSERT_EQ(icons.size(), kMenuIconCount);
    const QImage icon = IconImage(icons[i]);
    ASSERT_EQ(icon.size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QRgb source = strip.pixel(i * 16 + x, y);
            const QRgb shown = icon.pixel(x, y);
            if (source == kMagenta) {
                EXPECT_EQ(qAlpha(shown), 0) << x << "," << y;
            } else {
                EXPECT_EQ(shown, source | 0xff000000u) << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(LoadImageStrip, MenuStripIcon, ::testing::Range(0, int(kMenuIconCount)),
                         [](const auto& info) { return "Icon" + std::to_string(info.param); });

TEST(LoadImageStrip, OnlyExactMagentaIsTransparentAndARemainderIsDropped) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage strip(40, 16, QImage::Format_RGB32); // two icons and 8 spare columns
    strip.fill(kMagenta);
    strip.setPixel(3, 4, qRgb(254, 0, 255));
    strip.setPixel(20, 5, qRgb(255, 1, 255));
    const QString path = dir.filePath(QStringLiteral("strip.bmp"));
    ASSERT_TRUE(strip.save(path, "BMP"));

    QList<QIcon> icons;
    LoadImageStrip(icons, path);
    ASSERT_EQ(icons.size(), 2);
    const QImage first = IconImage(icons[0]);
    const QImage second = IconImage(icons[1]);
    EXPECT_EQ(first.pixel(3, 4), qRgb(254, 0, 255));
    EXPECT_EQ(qAlpha(first.pixel(0, 0)), 0);
    EXPECT_EQ(second.pixel(4, 5), qRgb(255, 1, 255));
    EXPECT_EQ(qAlpha(second.pixel(3, 4)), 0);
}

TEST(LoadImageStrip, MissingResourceThrowsAndLeavesTheListEmpty) {
    QList<QIcon> icons;
    LoadImageStrip(icons, QString::fromLatin1(kMenuIconStripResource));
    ASSERT_FALSE(icons.isEmpty());
    EXPECT_THROW(LoadImageStrip(icons, QStringLiteral(":/NO_SUCH_STRIP")), EQuorvikError);
    EXPECT_TRUE(icons.isEmpty());
}
