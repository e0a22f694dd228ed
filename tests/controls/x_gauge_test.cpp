#include "controls/x_gauge.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

namespace {

constexpr QSize kMainWindowGauge(353, 20);
const QColor kBarFore(0, 0, 255);
const QColor kBarBack(255, 255, 255);
const QColor kTextFore(255, 0, 0);
const QColor kTextBack(0, 255, 0);

class GaugeTest : public ::testing::Test {
protected:
    void SetUp() override {
        gauge = std::make_unique<TxGauge>();
        gauge->resize(kMainWindowGauge);
        gauge->SetBorder(gbNone);
        gauge->SetBarForeColor(kBarFore);
        gauge->SetBarBackColor(kBarBack);
        gauge->SetTextForeColor(kTextFore);
        gauge->SetTextBackColor(kTextBack);
    }

    void TearDown() override {
        gauge.reset();
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }

    void SetRange(int min, int max, int progress) {
        gauge->SetMaxValue(max);
        gauge->SetMinValue(min);
        gauge->SetProgress(progress);
    }

    QImage Paint() const {
        return gauge->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

    // The gauge without text over a bar of `barWidth`, with `text` centred on
    // it in one colour: what the gauge must show when the text lies wholly on
    // one side of the bar's end.
    QImage Expected(int barWidth, const QString& text, const QColor& textColor) const {
        QImage image(gauge->size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        painter.fillRect(0, 0, barWidth, image.height(), kBarFore);
        painter.fillRect(barWidth, 0, image.width() - barWidth, image.height(), kBarBack);
        painter.setFont(gauge->font());
        painter.setPen(textColor);
        const QFontMetrics metrics = painter.fontMetrics();
        const int x = (image.width() - metrics.horizontalAdvance(text)) / 2;
        const int y = (image.height() - metrics.height()) / 2;
        painter.drawText(x, y + metrics.ascent(), text);
        return image;
    }

    std::unique_ptr<TxGauge> gauge;
};

int CountColor(const QImage& image, const QRect& area, const QColor& color) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == color ? 1 : 0;
    return count;
}

int BarPixelsOnRow(const QImage& image, int row) {
    return CountColor(image, QRect(0, row, image.width(), 1), kBarFore);
}

struct PercentCase {
    int min, max, progress;
    int barWidth;
    const char* text;
    bool textOverBar;
};

class GaugePercentTest : public GaugeTest, public ::testing::WithParamInterface<PercentCase> {};

TEST_P(GaugePercentTest, BarWidthIsTruncatedAndTextShowsWholePercent) {
    const PercentCase& c = GetParam();
    SetRange(c.min, c.max, c.progress);

    gauge->SetShowText(false);
    const QImage bare = Paint();
    for (int row : {0, bare.height() / 2, bare.height() - 1}) {
        EXPECT_EQ(BarPixelsOnRow(bare, row), c.barWidth) << "row " << row;
        EXPECT_EQ(CountColor(bare, QRect(0, row, bare.width(), 1), kBarBack),
                  bare.width() - c.barWidth);
    }

    gauge->SetShowText(true);
    const QImage expected = Expected(c.barWidth, c.text, c.textOverBar ? kTextBack : kTextFore);
    EXPECT_EQ(Paint(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, GaugePercentTest,
    ::testing::Values(PercentCase{0, 3, 0, 0, "0%", false}, PercentCase{0, 3, 1, 117, "33%", false},
                      PercentCase{0, 3, 2, 235, "66%", true},
                      PercentCase{0, 3, 3, 353, "100%", true},
                      PercentCase{7, 7, 7, 353, "100%", true},
                      PercentCase{-10, 10, -5, 88, "25%", false},
                      // A range wider than 32 bits can hold.
                      PercentCase{INT_MIN, INT_MAX, INT_MIN / 2, 88, "25%", false}));

TEST_F(GaugeTest, TextOverTheBarTakesTheOtherColour) {
    QFont bold = gauge->font(); // as in the main window, and with solid strokes to count
    bold.setBold(true);
    gauge->setFont(bold);
    SetRange(0, 2, 1); // the bar ends under the middle of "50%"
    const QImage image = Paint();
    const int barWidth = BarPixelsOnRow(image, 0);
    const QRect done(0, 0, barWidth, image.height());
    const QRect remaining(barWidth, 0, image.width() - barWidth, image.height());

    EXPECT_GT(CountColor(image, done, kTextBack), 0);
    EXPECT_EQ(CountColor(image, done, kTextFore), 0);
    EXPECT_GT(CountColor(image, remaining, kTextFore), 0);
    EXPECT_EQ(CountColor(image, remaining, kTextBack), 0);
}

TEST_F(GaugeTest, ProgressIsClampedToTheRange) {
    SetRange(0, 3, 2);
    gauge->SetProgress(4);
    EXPECT_EQ(gauge->Progress(), 3);
    EXPECT_EQ(BarPixelsOnRow(Paint(), 0), kMainWindowGauge.width());

    gauge->SetProgress(-1);
    EXPECT_EQ(gauge->Progress(), 0);
    EXPECT_EQ(BarPixelsOnRow(Paint(), 0), 0);
}

TEST_F(GaugeTest, MovingALimitPastProgressDragsProgressAlong) {
    SetRange(0, 10, 5);
    gauge->SetMinValue(7);
    EXPECT_EQ(gauge->Progress(), 7);
    gauge->SetMaxValue(8);
    gauge->SetProgress(8);
    gauge->SetMaxValue(7);
    EXPECT_EQ(gauge->Progress(), 7);
    EXPECT_EQ(gauge->MaxValue(), 7);
}

TEST_F(GaugeTest, ALimitCannotCrossTheOther) {
    SetRange(0, 10, 5);
    gauge->SetMinValue(20);
    EXPECT_EQ(gauge->MinValue(), 10);
    EXPECT_EQ(gauge->Progress(), 10);

    gauge->SetMinValue(0);
    gauge->SetMaxValue(-5);
    EXPECT_EQ(gauge->MaxValue(), 0);
    EXPECT_EQ(gauge->Progress(), 0);
}

// Border colours come from the palette; each role gets its own colour here so
// that every pixel tells which role painted it.
const QColor kLight(250, 250, 0);
const QColor kDark(120, 0, 120);
const QColor kShadow(0, 80, 0);
const QColor kButton(0, 200, 200);
const QColor kFrame(200, 0, 0);

struct BorderCase {
    TGaugeBorders border;
    std::vector<std::pair<QPoint, QColor>> pixels;
};

class GaugeBorderTest : public GaugeTest, public ::testing::WithParamInterface<BorderCase> {};

TEST_P(GaugeBorderTest, PaintsTheBevelColoursAtTheEdges) {
    QPalette palette = gauge->palette();
    palette.setColor(QPalette::Light, kLight);
    palette.setColor(QPalette::Dark, kDark);
    palette.setColor(QPalette::Shadow, kShadow);
    palette.setColor(QPalette::Button, kButton);
    palette.setColor(QPalette::WindowText, kFrame);
    gauge->setPalette(palette);
    gauge->SetShowText(false);
    gauge->SetBorder(GetParam().border);

    const QImage image = Paint();
    for (const auto& [point, color] : GetParam().pixels)
        EXPECT_EQ(image.pixelColor(point), color) << point.x() << "," << point.y();
}

constexpr int W = kMainWindowGauge.width();
constexpr int H = kMainWindowGauge.height();

INSTANTIATE_TEST_SUITE_P(
    Styles, GaugeBorderTest,
    ::testing::Values(BorderCase{gbNone, {{{0, 0}, kBarBack}, {{W - 1, H - 1}, kBarBack}}},
                      BorderCase{gbSingle,
                                 {{{0, 0}, kFrame}, {{W - 1, H - 1}, kFrame}, {{1, 1}, kBarBack}}},
                      BorderCase{gbSunken,
                                 {{{0, 0}, kDark},
                                  {{W - 1, 0}, kDark},
                                  {{0, H - 1}, kDark},
                                  {{W - 1, 1}, kLight},
                                  {{1, H - 1}, kLight},
                                  {{1, 1}, kBarBack}}},
                      BorderCase{gbDeepSunken,
                                 {{{0, 0}, kDark},
                                  {{W - 1, H - 1}, kLight},
                                  {{1, 1}, kShadow},
                                  {{W - 2, 1}, kShadow},
                                  {{1, H - 2}, kShadow},
                                  {{W - 2, H - 2}, kButton},
                                  {{2, 2}, kBarBack}}},
                      BorderCase{gbRaised,
                                 {{{0, 0}, kLight},
                                  {{W - 1, 0}, kLight},
                                  {{W - 1, H - 1}, kDark},
                                  {{1, H - 1}, kDark},
                                  {{1, 1}, kBarBack}}}));

} // namespace
