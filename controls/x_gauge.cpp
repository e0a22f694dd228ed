#include "controls/x_gauge.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdint>

namespace {

constexpr QSize kDefaultSize(150, 20);
constexpr float kFullPercent = 100.0f;

// The outline of `rect`, one pixel wide, inside the rectangle.
void FrameRect(QPainter& painter, const QRect& rect, const QColor& color) {
    painter.fillRect(rect.left(), rect.top(), rect.width(), 1, color);
    painter.fillRect(rect.left(), rect.bottom(), rect.width(), 1, color);
    painter.fillRect(rect.left(), rect.top(), 1, rect.height(), color);
    painter.fillRect(rect.right(), rect.top(), 1, rect.height(), color);
}

// The left and top edges of `rect`: the shadow half of a bevel.
void TopLeftEdges(QPainter& painter, const QRect& rect, const QColor& color) {
    painter.fillRect(rect.left(), rect.top(), 1, rect.height(), color);
    painter.fillRect(rect.left(), rect.top(), rect.width(), 1, color);
}

} // namespace

TxGauge::TxGauge(QWidget* parent)
    : QWidget(parent), FBarForeColor(palette().color(QPalette::Highlight)),
      FBarBackColor(palette().color(QPalette::Button)),
      FTextForeColor(palette().color(QPalette::Highlight)),
      FTextBackColor(palette().color(QPalette::Button)) {
    // Every pixel is painted here, so the toolkit need not clear the area first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    resize(kDefaultSize);
}

QSize TxGauge::sizeHint() const {
    return kDefaultSize;
}

template <typename T> void TxGauge::SetIfChanged(T& field, const T& value) {
    if (field == value)
        return;
    field = value;
    repaint();
}

void TxGauge::SetMinValue(int value) {
    if (value == FMinValue)
        return;
    FMinValue = std::min(value, FMaxValue);
    FProgress = std::max(FProgress, FMinValue);
    repaint();
}

void TxGauge::SetMaxValue(int value) {
    if (value == FMaxValue)
        return;
    FMaxValue = std::max(value, FMinValue);
    FProgress = std::min(FProgress, FMaxValue);
    repaint();
}

void TxGauge::SetProgress(int value) {
    FProgress = std::clamp(value, FMinValue, FMaxValue);
    repaint();
}

void TxGauge::SetShowText(bool value) {
    SetIfChanged(FShowText, value);
}
void TxGauge::SetBorder(TGaugeBorders value) {
    SetIfChanged(FBorder, value);
}
void TxGauge::SetBarForeColor(const QColor& value) {
    SetIfChanged(FBarForeColor, value);
}
void TxGauge::SetBarBackColor(const QColor& value) {
    SetIfChanged(FBarBackColor, value);
}
void TxGauge::SetTextForeColor(const QColor& value) {
    SetIfChanged(FTextForeColor, value);
}
void TxGauge::SetTextBackColor(const QColor& value) {
    SetIfChanged(FTextBackColor, value);
}

float TxGauge::CalculatePercentDone() const {
    // The differences are taken in 64 bits: a range reaching across most of the
    // int range would overflow 32 bits and give a nonsense bar.
    const auto range = static_cast<float>(std::int64_t{FMaxValue} - FMinValue);
    const auto done = static_cast<float>(std::int64_t{FProgress} - FMinValue);
    if (range == 0.0f)
        return kFullPercent;
    return static_cast<float>(double{done} / double{range} * kFullPercent);
}

int TxGauge::CalculatePixelWidth(float percent) const {
    // Truncated, not rounded: 1 of 3 on 353 pixels is 117 pixels. Dividing by
    // 100 (rather than multiplying by 0.01) keeps a full bar exactly full.
    return static_cast<int>(static_cast<long double>(static_cast<float>(width())) * percent /
                            kFullPercent);
}

void TxGauge::paintEvent(QPaintEvent* /*event*/) {
    const float percent = CalculatePercentDone();
    const int barWidth = CalculatePixelWidth(percent);

    const qreal ratio = devicePixelRatioF();
    QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    {
        QPainter painter(&image);
        PaintBar(painter, barWidth);
        if (FShowText)
            PaintText(painter, percent, barWidth);
        PaintBorder(painter);
    }
    QPainter(this).drawImage(0, 0, image);
}

void TxGauge::PaintBar(QPainter& painter, int barWidth) const {
    painter.fillRect(0, 0, barWidth, height(), FBarForeColor);
    painter.fillRect(barWidth, 0, width() - barWidth, height(), FBarBackColor);
}

void TxGauge::PaintText(QPainter& painter, float percent, int barWidth) const {
    const QString text = QString::number(static_cast<int>(percent)) + QLatin1Char('%');
    painter.setFont(font());
    const QFontMetrics metrics = painter.fontMetrics();
    // Integer division truncates toward zero, also when a text wider than the
    // gauge gives a negative offset; the painter clips it at the edges.
    const int x = (width() - metrics.horizontalAdvance(text)) / 2;
    const int y = (height() - metrics.height()) / 2;
    const QPoint baseline(x, y + metrics.ascent());

    const auto drawClipped = [&](const QRect& clip, const QColor& color) {
        painter.save();
        painter.setClipRect(clip);
        painter.setPen(color);
        painter.drawText(baseline, text);
        painter.restore();
    };
    drawClipped(QRect(0, 0, barWidth, height()), FTextBackColor);
    drawClipped(QRect(barWidth, 0, width() - barWidth, height()), FTextForeColor);
}

void TxGauge::PaintBorder(QPainter& painter) const {
    const QRect outer = rect();
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);

    switch (FBorder) {
    case gbNone:
        break;
    case gbSingle:
        FrameRect(painter, outer, palette().color(QPalette::WindowText));
        break;
    case gbSunken:
    case gbDeepSunken:
        FrameRect(painter, outer, light);
        TopLeftEdges(painter, outer, dark);
        if (FBorder == gbDeepSunken) {
            FrameRect(painter, inner, palette().color(QPalette::Button));
            TopLeftEdges(painter, inner, palette().color(QPalette::Shadow));
        }
        break;
    case gbRaised:
        FrameRect(painter, outer, dark);
        TopLeftEdges(painter, outer, light);
        break;
    }
}
