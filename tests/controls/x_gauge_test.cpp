#include "controls/x_gauge.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

namespace {

constexpr int kWidth = 353; // the main window's gauge
constexpr int kHeight = 20;
const QColor kBarFore(0, 0, 255);
const QColor kBarBack(255, 255, 255);
const QColor kTextFore(255, 0, 0);
const QColor kTextBack(0, 255, 0);

int CountColor(const QImage& image, const QRect& area, const QColor& color) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == color ? 1 : 0;
    return count;
}

class GaugeTest : public ::testing::Test {
protected:
    void SetUp() override {
        gauge->resize(kWidth, kHeight);
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

    int BarWidth() const { return CountColor(Paint(), QRect(0, 0, kWidth, 1), kBarFore); }

    // A bar of `barWidth` with `text` centred on it in one colour: what the
    // gauge must show when the text lies wholly on one side of the bar's end.
    QImage Expected(int barWidth, const QString& text, const QColor& textColor) const {
        QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        painter.fillRect(0, 0, barWidth, kHeight, kBarFore);
        painter.fillRect(barWidth, 0, kWidth - barWidth, kHeight, kBarBack);
        painter.setFont(gauge->font());
        painter.setPen(textColor);
        const QFontMetrics metrics = painter.fontMetrics();
        const int x = (kWidth - metrics.horizontalAdvance(text)) / 2;
        const int y = (kHeight - metrics.height()) / 2;
        painter.drawText(x, y + metrics.ascent(), text);
        return image;
    }

    std::unique_ptr<TxGauge> gauge = std::make_unique<TxGauge>();
};

struct PercentCase {
    int min, max, progress;
    int barWidth;
    const char* text;
    bool textOverBar;
};

void PrintTo(const PercentCase& c, std::ostream* os) {
    *os << c.progress << " in " << c.min << ".." << c.max;
}

class GaugePercentTest : public GaugeTest, public ::testing::WithParamInterface<PercentCase> {};

TEST_P(GaugePercentTest, BarWidthIsTruncatedAndTextShowsWholePercent) {
    const PercentCase& c = GetParam();
    SetRange(c.min, c.max, c.progress);

    gauge->SetShowText(false);
    const QImage bare = Paint();
    EXPECT_EQ(CountColor(bare, bare.rect(), kBarFore), c.barWidth * kHeight);
    EXPECT_EQ(CountColor(bare, bare.rect(), kBarBack), (kWidth - c.barWidth) * kHeight);

    gauge->SetShowText(true);
    EXPECT_EQ(Paint(), Expected(c.barWidth, c.text, c.textOverBar ? kTextBack : kTextFore));
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
    const QRect done(0, 0, BarWidth(), kHeight);
    const QRect remaining(BarWidth(), 0, kWidth - BarWidth(), kHeight);

    EXPECT_GT(CountColor(image, done, kTextBack), 0);
    EXPECT_EQ(CountColor(image, done, kTextFore), 0);
    EXPECT_GT(CountColor(image, remaining, kTextFore), 0);
    EXPECT_EQ(CountColor(image, remaining, kTextBack), 0);
}

TEST_F(GaugeTest, SettersKeepProgressWithinLimitsThatNeverCross) {
    SetRange(0, 3, 2);
    gauge->SetProgress(4);
    EXPECT_EQ(gauge->Progress(), 3);
    EXPECT_EQ(BarWidth(), kWidth);
    gauge->SetProgress(-1);
    EXPECT_EQ(gauge->Progress(), 0);
    EXPECT_EQ(BarWidth(), 0);

    SetRange(0, 10, 5);
    gauge->SetMinValue(7);
    EXPECT_EQ(gauge->Progress(), 7);
    gauge->SetMinValue(20);
    EXPECT_EQ(gauge->MinValue(), 10);
    EXPECT_EQ(gauge->Progress(), 10);

    gauge->SetMinValue(0);
    gauge->SetMaxValue(4);
    EXPECT_EQ(gauge->Progress(), 4);
    gauge->SetMaxValue(-5);
    EXPECT_EQ(gauge->MaxValue(), 0);
    EXPECT_EQ(gauge->Progress(), 0);
}

// A query advances the gauge between blocking steps: each setter must paint
// before it returns, with no event loop in between.
TEST_F(GaugeTest, EverySetterThatChangesSomethingRepaintsAtOnce) {
    struct TPaintCounter : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            Paints += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
        int Paints = 0;
    } counter;
    gauge->show();
    QApplication::processEvents();
    gauge->installEventFilter(&counter);
    const std::pair<const char*, std::function<void()>> setters[] = {
        {"SetMinValue", [&] { gauge->SetMinValue(1); }},
        {"SetMaxValue", [&] { gauge->SetMaxValue(50); }},
        {"SetProgress", [&] { gauge->SetProgress(20); }},
        {"SetProgress, same value", [&] { gauge->SetProgress(20); }},
        {"SetShowText", [&] { gauge->SetShowText(false); }},
        {"SetBorder", [&] { gauge->SetBorder(gbRaised); }},
        {"SetBarForeColor", [&] { gauge->SetBarForeColor(Qt::black); }},
        {"SetBarBackColor", [&] { gauge->SetBarBackColor(Qt::black); }},
        {"SetTextForeColor", [&] { gauge->SetTextForeColor(Qt::black); }},
        {"SetTextBackColor", [&] { gauge->SetTextBackColor(Qt::black); }}};
    for (const auto& [name, set] : setters) {
        const int before = counter.Paints;
        set();
        EXPECT_GT(counter.Paints, before) << name;
    }
}

// Each palette role gets its own colour, so every pixel tells which role painted it.
const QColor kLight(250, 250, 0);
const QColor kDark(120, 0, 120);
const QColor kShadow(0, 80, 0);
const QColor kButton(0, 200, 200);
const QColor kFrame(200, 0, 0);

struct BorderCase {
    TGaugeBorders border;
    std::vector<std::pair<QPoint, QColor>> pixels;
};

void PrintTo(const BorderCase& c, std::ostream* os) {
    *os << "border " << c.border;
}

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

// Sunken: dark at the left and top, light at the right and bottom; raised the reverse.
INSTANTIATE_TEST_SUITE_P(
    Styles, GaugeBorderTest,
    ::testing::Values(
        BorderCase{gbNone, {{{0, 0}, kBarBack}, {{kWidth - 1, kHeight - 1}, kBarBack}}},
        BorderCase{gbSingle,
                   {{{0, 0}, kFrame}, {{kWidth - 1, kHeight - 1}, kFrame}, {{1, 1}, kBarBack}}},
        BorderCase{gbSunken,
                   {{{kWidth - 1, 0}, kDark},
                    {{0, kHeight - 1}, kDark},
                    {{kWidth - 1, 1}, kLight},
                    {{1, kHeight - 1}, kLight},
                    {{1, 1}, kBarBack}}},
        BorderCase{gbDeepSunken,
                   {{{0, 0}, kDark},
                    {{kWidth - 1, kHeight - 1}, kLight},
                    {{kWidth - 2, 1}, kShadow},
                    {{1, kHeight - 2}, kShadow},
                    {{kWidth - 2, kHeight - 2}, kButton},
                    {{2, 2}, kBarBack}}},
        BorderCase{gbRaised,
                   {{{kWidth - 1, 0}, kLight},
                    {{0, kHeight - 1}, kLight},
                    {{kWidth - 1, 1}, kDark},
                    {{1, kHeight - 1}, kDark},
                    {{1, 1}, kBarBack}}}));

} // namespace
