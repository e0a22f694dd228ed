#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

// Border styles of TxGauge, in their published order.
enum TGaugeBorders { gbNone, gbSingle, gbSunken, gbDeepSunken, gbRaised };

// A progress bar filled from the left with the percentage written centred over
// it. The part of the text over the filled bar is drawn in TextBackColor, the
// rest in TextForeColor, so the number stays readable wherever the bar ends.
//
// The value setters keep MinValue <= Progress <= MaxValue. Every setter stores
// its value and repaints before it returns (a query advances the gauge between
// blocking steps, with no event loop in between); the colour, ShowText and
// Border setters do nothing when the value is unchanged. The text uses the widget font (by default
// the parent's). The gauge takes no focus, is 150 x 20 pixels when created and
// paints its whole area through one off-screen image, so advancing it quickly
// does not flicker.
//
// Colour roles: the bar defaults are the palette's Highlight (done part and text
// over the remaining part) and Button (remaining part and text over the done
// part). Borders use WindowText for the single frame, Light and Dark for the
// bevels, Button and Shadow for the inner ring of the deep style.
class TxGauge : public QWidget {
    Q_OBJECT

public:
    explicit TxGauge(QWidget* parent = nullptr);

    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    int Progress() const { return FProgress; }
    bool ShowText() const { return FShowText; }
    TGaugeBorders Border() const { return FBorder; }
    QColor BarForeColor() const { return FBarForeColor; }
    QColor BarBackColor() const { return FBarBackColor; }
    QColor TextForeColor() const { return FTextForeColor; }
    QColor TextBackColor() const { return FTextBackColor; }

    // A value above MaxValue sets MinValue to MaxValue; Progress follows upwards.
    void SetMinValue(int value);
    // A value below MinValue sets MaxValue to MinValue; Progress follows downwards.
    void SetMaxValue(int value);
    // Limited to MinValue..MaxValue; repaints even when the value is unchanged.
    void SetProgress(int value);
    void SetShowText(bool value);
    void SetBorder(TGaugeBorders value);
    void SetBarForeColor(const QColor& value);
    void SetBarBackColor(const QColor& value);
    void SetTextForeColor(const QColor& value);
    void SetTextBackColor(const QColor& value);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    template <typename T> void SetIfChanged(T& field, const T& value);

    float CalculatePercentDone() const;
    int CalculatePixelWidth(float percent) const;
    void PaintBar(QPainter& painter, int barWidth) const;
    void PaintText(QPainter& painter, float percent, int barWidth) const;
    void PaintBorder(QPainter& painter) const;

    int FMinValue = 0;
    int FMaxValue = 100;
    int FProgress = 0;
    bool FShowText = true;
    TGaugeBorders FBorder = gbSunken;
    QColor FBarForeColor;
    QColor FBarBackColor;
    QColor FTextForeColor;
    QColor FTextBackColor;
};
