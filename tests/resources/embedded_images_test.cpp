// The embedded pictures: every name the window and the about box ask for
// exists, with the size, file format and colour depth their users rely on.

#include "resources/resource_names.h"

#include <QFile>
#include <QImage>
#include <QSet>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

constexpr int kBitCountOffset = 28;

QString Name(const char* name, const char* suffix = "") {
    return QString::fromLatin1(name) + QString::fromLatin1(suffix);
}

QByteArray Raw(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Bits per pixel of a Windows bitmap, 0 when the data is no bitmap.
int BmpBitCount(const QString& name) {
    const QByteArray data = Raw(name);
    if (data.size() < kBitCountOffset + 2 || !data.startsWith("BM"))
        return 0;
    return qFromLittleEndian<quint16>(data.constData() + kBitCountOffset);
}

bool IsPng(const QString& name) {
    return Raw(name).startsWith("\x89PNG");
}

int DistinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

struct Expected {
    QString name;
    QSize size;
};

void PrintTo(const Expected& picture, std::ostream* os) {
    *os << picture.name.toStdString();
}

QList<Expected> EveryPicture() {
    QList<Expected> pictures = {
        {Name(kBlueIconResource, kLowColourSuffix), {48, 48}},
        {Name(kBlueIconResource, kHighColourSuffix), {48, 48}},
        {Name(kBannerResource), {460, 137}},
        {Name(kMenuIconStripResource), {112, 16}},
        {Name(kHandCursorResource), {32, 32}},
        {Name(kLogoResource, kLowColourSuffix), {136, 22}},
        {Name(kLogoResource, kHighColourSuffix), {136, 22}},
        {Name(kBlueLineResource, kLowColourSuffix), {442, 6}},
        {Name(kBlueLineResource, kHighColourSuffix), {442, 6}},
        {Name(kIconFrameResource), {49, 49}},
        {Name(kDefaultIconResource), {32, 32}},
        {Name(kExtraGlyphResource), {16, 16}},
        {Name(kExecUrlGlyphResource), {16, 16}},
        {Name(kExecUrlDisabledGlyphResource), {16, 16}},
    };
    for (const int size : kAppIconSizes)
        pictures.push_back({Name(kAppIconResource) + QString::number(size), {size, size}});
    return pictures;
}

// The resource name with what a test name may not hold left out.
std::string CaseName(const QString& resource) {
    std::string name;
    for (const QChar c : resource)
        if (c.isLetterOrNumber() || c == QLatin1Char('_'))
            name += c.toLatin1();
    return name;
}

class EmbeddedPicture : public ::testing::TestWithParam<Expected> {};

} // namespace

TEST_P(EmbeddedPicture, ExistsWithItsSize) {
    const Expected& picture = GetParam();
    ASSERT_TRUE(QFile::exists(picture.name));
    const QImage image(picture.name);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), picture.size);
}

INSTANTIATE_TEST_SUITE_P(EveryPicture, EmbeddedPicture, ::testing::ValuesIn(EveryPicture()),
                         [](const auto& info) { return CaseName(info.param.name); });

TEST(EmbeddedImages, RawBitmapsAreWindowsBitmaps) {
    for (const QString& name :
         {Name(kBannerResource), Name(kMenuIconStripResource), Name(kIconFrameResource),
          Name(kLogoResource, kHighColourSuffix), Name(kBlueLineResource, kHighColourSuffix)}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_GE(BmpBitCount(name), 8);
    }
}

TEST(EmbeddedImages, LowColourVariantsHaveSixteenColours) {
    for (const char* base : {kBlueIconResource, kLogoResource, kBlueLineResource}) {
        const QString name = Name(base, kLowColourSuffix);
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(BmpBitCount(name), 4);
        const int colours = DistinctColours(QImage(name));
        EXPECT_LE(colours, 16);
        EXPECT_GE(colours, 4); // a real picture, not a blank
    }
}

TEST(EmbeddedImages, HighColourHeaderIconHas256Colours) {
    const QString name = Name(kBlueIconResource, kHighColourSuffix);
    EXPECT_EQ(BmpBitCount(name), 8);
    const int colours = DistinctColours(QImage(name));
    EXPECT_LE(colours, 256);
    EXPECT_GT(colours, 16); // richer than the low-colour variant
}

TEST(EmbeddedImages, MenuStripHasMagentaBackgroundAroundEveryIcon) {
    const QImage strip(Name(kMenuIconStripResource));
    ASSERT_EQ(strip.width(), 16 * kMenuIconCount);
    for (int icon = 0; icon < kMenuIconCount; ++icon) {
        SCOPED_TRACE(icon);
        int magenta = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                magenta += strip.pixel(icon * 16 + x, y) == qRgb(255, 0, 255);
        EXPECT_GT(magenta, 0);   // a transparent background exists
        EXPECT_LT(magenta, 200); // and something is drawn on it
    }
}

TEST(EmbeddedImages, ConnectClipHasAllFramesAsPng) {
    for (int frame = 1; frame <= kConnectClipFrames; ++frame) {
        const QString name =
            QStringLiteral("%1/%2").arg(kConnectClipResource).arg(frame, 2, 10, QLatin1Char('0'));
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(IsPng(name));
        EXPECT_EQ(QImage(name).size(), QSize(48, 48));
    }
    EXPECT_GE(kConnectClipFrames, kConnectClipStopFrame);
}

TEST(EmbeddedImages, ClipFramesDifferFromEachOther) {
    const auto frame = [](int number) {
        return QImage(
            QStringLiteral("%1/%2").arg(kConnectClipResource).arg(number, 2, 10, QLatin1Char('0')));
    };
    for (int number = 2; number <= kConnectClipFrames; ++number) {
        SCOPED_TRACE(number);
        EXPECT_NE(frame(number), frame(number - 1));
    }
}

TEST(EmbeddedImages, HandCursorHotSpotIsOnTheFingerTip) {
    const QImage hand = QImage(Name(kHandCursorResource)).convertToFormat(QImage::Format_ARGB32);
    ASSERT_TRUE(hand.rect().contains(kHandCursorHotSpot));
    // The tip is drawn at the hot spot, and nothing is drawn above it.
    EXPECT_GT(qAlpha(hand.pixel(kHandCursorHotSpot)), 128);
    for (int y = 0; y < kHandCursorHotSpot.y(); ++y)
        for (int x = 0; x < hand.width(); ++x)
            EXPECT_LT(qAlpha(hand.pixel(x, y)), 128) << x << "," << y;
}
