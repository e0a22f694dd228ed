// Draws every picture of the program (header icon, banner, menu icon strip,
// connect clip, hand cursor, button glyphs and the about box pictures) and
// writes them into the images folder that resources/CMakeLists.txt embeds.
// Run by hand after changing a drawing:
//     quorvik_draw_resources [output folder]
// The generated files are committed; the build does not run this program.

#include "resources/bitmap_writer.h"
#include "resources/resource_names.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

// The palette shared by all pictures: flat blues, white and one warm accent.
const QColor kNavy(0x14, 0x36, 0x6e);
const QColor kBlue(0x1f, 0x5c, 0xb8);
const QColor kMidBlue(0x3b, 0x7f, 0xd8);
const QColor kLightBlue(0x8d, 0xbd, 0xf2);
const QColor kPaleBlue(0xe4, 0xef, 0xfc);
const QColor kAccent(0xf5, 0x9e, 0x0b);
const QColor kGrey(0x9a, 0xa3, 0xae);
const QColor kLightGrey(0xc9, 0xcf, 0xd6);
const QColor kMagenta(255, 0, 255);
const QColor kWhite(Qt::white);

const QString kFontFamily = QStringLiteral("DejaVu Sans");

constexpr int kHeaderIconSize = 48;
constexpr int kSmallEmblemSize = 24;
constexpr int kLowColours = 16;
constexpr int kHighColours = 256;
constexpr QSize kBannerSize(460, 137);
constexpr int kStripIconSize = 16;
constexpr int kClipSize = 48;
constexpr int kCursorSize = 32;
constexpr int kGlyphSize = 16;
constexpr QSize kLogoSize(136, 22);
constexpr QSize kLineSize(442, 6);
constexpr int kIconFrameSize = 49;
constexpr int kDefaultIconSize = 32;
// Strip pixels at least this opaque keep their colour; the rest become magenta.
constexpr int kStripOpaqueAlpha = 96;

// An image of `size` filled with `fill`, then painted by `draw` with anti-aliasing.
QImage Draw(QSize size, const QColor& fill, const std::function<void(QPainter&)>& draw) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    draw(painter);
    return image;
}

QFont Font(qreal pixels, int weight = QFont::Normal) {
    QFont font(kFontFamily);
    font.setPixelSize(qRound(pixels));
    font.setWeight(QFont::Weight(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// How a globe is drawn: colours, line widths, and the grid's density.
struct GlobeStyle {
    QColor fill;
    QColor lines;
    QColor rim; // transparent: no rim
    qreal lineWidth;
    qreal rimWidth = 0;
    qreal meridianSpacing;  // degrees between two meridians
    QList<qreal> latitudes; // degrees of the parallels drawn
};

GlobeStyle DetailedGlobe(const QColor& fill, const QColor& lines, const QColor& rim,
                         qreal lineWidth) {
    return {fill, lines, rim, lineWidth, lineWidth, 45.0, {-40.0, 0.0, 40.0}};
}

// A flat globe: filled disc, parallels, and meridians turned by `turn`
// (0..1 of one meridian spacing), so that turn 1 looks like turn 0.
void DrawGlobe(QPainter& p, QPointF centre, qreal radius, qreal turn, const GlobeStyle& style) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(style.fill);
    p.drawEllipse(centre, radius, radius);

    QPainterPath disc;
    disc.addEllipse(centre, radius - style.lineWidth / 2, radius - style.lineWidth / 2);
    p.setClipPath(disc);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(style.lines, style.lineWidth, Qt::SolidLine, Qt::RoundCap));
    for (const qreal latitude : style.latitudes) {
        const qreal y = centre.y() - radius * qSin(qDegreesToRadians(latitude));
        const qreal half = radius * qCos(qDegreesToRadians(latitude));
        p.drawLine(QPointF(centre.x() - half, y), QPointF(centre.x() + half, y));
    }
    const int sideMeridians = int(90.0 / style.meridianSpacing) + 1;
    for (int k = -sideMeridians; k <= sideMeridians; ++k) {
        const qreal longitude = (k + turn) * style.meridianSpacing;
        if (qAbs(longitude) >= 90.0)
            continue;
        QPainterPath meridian;
        constexpr int kSteps = 24;
        for (int i = 0; i <= kSteps; ++i) {
            const qreal phi = qDegreesToRadians(-90.0 + 180.0 * i / kSteps);
            const QPointF point(centre.x() +
                                    radius * qCos(phi) * qSin(qDegreesToRadians(longitude)),
                                centre.y() + radius * qSin(phi));
            if (i == 0)
                meridian.moveTo(point);
            else
                meridian.lineTo(point);
        }
        p.drawPath(meridian);
    }
    p.setClipping(false);
    if (style.rimWidth > 0) {
        p.setPen(QPen(style.rim, style.rimWidth));
        const qreal r = radius - style.rimWidth / 2;
        p.drawEllipse(centre, r, r);
    }
    p.restore();
}

// The program's emblem: a globe under a magnifying glass, in a square of `size`.
// Below kSmallEmblemSize the grid thins out to the equator and the central
// meridian and no line gets thinner than a pixel, so that 16 pixels still
// show a globe and a glass.
void DrawEmblem(QPainter& p, qreal size, const QColor& globe, const QColor& lines,
                const QColor& rim, const QColor& glass) {
    const qreal unit = size / 48.0;
    const bool small = size < kSmallEmblemSize;
    const auto width = [unit, small](qreal units) {
        return small ? qMax(1.0, units * unit) : units * unit;
    };
    GlobeStyle style = DetailedGlobe(globe, lines, rim, width(1.6));
    if (small) {
        style.meridianSpacing = 90.0;
        style.latitudes = {0.0};
    }
    DrawGlobe(p, QPointF(21 * unit, 21 * unit), 18 * unit, small ? 0.0 : 0.5, style);
    p.save();
    p.setPen(QPen(glass, width(5), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(37.5 * unit, 37.5 * unit), QPointF(44 * unit, 44 * unit));
    QColor lens = kWhite;
    lens.setAlphaF(small ? 0.7 : 0.45);
    p.setBrush(lens);
    p.setPen(QPen(glass, width(3.2)));
    p.drawEllipse(QPointF(31.5 * unit, 31.5 * unit), 8.5 * unit, 8.5 * unit);
    p.restore();
}

QImage HeaderIcon() {
    return Draw(QSize(kHeaderIconSize, kHeaderIconSize), kWhite, [](QPainter& p) {
        DrawEmblem(p, kHeaderIconSize, kMidBlue, kWhite, kBlue, kNavy);
    });
}

QImage AppIcon(int size) {
    return Draw(QSize(size, size), Qt::transparent,
                [size](QPainter& p) { DrawEmblem(p, size, kMidBlue, kWhite, kBlue, kNavy); });
}

QImage Banner() {
    return Draw(kBannerSize, kBlue, [](QPainter& p) {
        const QRectF area(QPointF(0, 0), kBannerSize);
        // A large faint globe fills the right half behind the emblem.
        QColor faint = kMidBlue;
        faint.setAlphaF(0.35);
        QColor faintLines = kLightBlue;
        faintLines.setAlphaF(0.25);
        DrawGlobe(p, QPointF(area.width() - 70, 80), 120, 0.25,
                  DetailedGlobe(faint, faintLines, Qt::transparent, 3));

        p.save();
        p.translate(322, 14);
        DrawEmblem(p, 92, kLightBlue, kBlue, kWhite, kWhite);
        p.restore();

        p.setPen(kWhite);
        p.setFont(Font(44, QFont::Bold));
        p.drawText(QPointF(26, 60), QStringLiteral("Quorvik"));
        p.setPen(kLightBlue);
        p.setFont(Font(24, QFont::Normal));
        p.drawText(QPointF(28, 89), QStringLiteral("Professional"));
        p.setPen(kPaleBlue);
        p.setFont(Font(12.5));
        p.drawText(QPointF(29, 117), QStringLiteral("HTTP-Analyse für Profis"));

        // "Learn more" button in the accent colour.
        const QRectF button(310, 108, 132, 22);
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(button, 11, 11);
        p.setPen(kWhite);
        p.setFont(Font(12, QFont::Bold));
        p.drawText(button, Qt::AlignCenter, QStringLiteral("Mehr erfahren ›"));
    });
}

// --- menu icon strip -------------------------------------------------------

void IconSliders(QPainter& p) {
    p.setPen(QPen(kGrey, 1.5, Qt::SolidLine, Qt::RoundCap));
    for (const qreal y : {4.5, 8.5, 12.5})
        p.drawLine(QPointF(2.5, y), QPointF(13.5, y));
    p.setPen(QPen(kNavy, 1));
    p.setBrush(kMidBlue);
    p.drawRect(QRectF(9.5, 2.5, 3, 4));
    p.drawRect(QRectF(3.5, 6.5, 3, 4));
    p.drawRect(QRectF(7.5, 10.5, 3, 4));
}

void DrawPage(QPainter& p, const QRectF& page) {
    p.setPen(QPen(kNavy, 1));
    p.setBrush(kWhite);
    p.drawRect(page);
    p.setPen(QPen(kLightBlue, 1));
    for (qreal y = page.top() + 2.5; y < page.bottom() - 1; y += 2)
        p.drawLine(QPointF(page.left() + 2, y), QPointF(page.right() - 2, y));
}

void IconCopy(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    DrawPage(p, QRectF(1, 1, 8, 10));
    DrawPage(p, QRectF(6, 5, 8, 10));
}

void IconSave(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12, 1.5);
    body.lineTo(14.5, 4);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(kWhite);
    p.drawRect(QRectF(4, 2, 7, 4.5));
    p.setBrush(kBlue);
    p.drawRect(QRectF(8.5, 2.5, 1.5, 3));
    p.setBrush(kPaleBlue);
    p.drawRect(QRectF(3.5, 9, 9, 5.5));
}

void IconLetterCircle(QPainter& p, const QString& letter) {
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(kWhite);
    p.setFont(Font(12, QFont::Bold));
    p.drawText(QRectF(0, 0.5, 16, 15), Qt::AlignCenter, letter);
}

void IconWeb(QPainter& p) {
    DrawGlobe(p, QPointF(7.5, 7.5), 7, 0, {kMidBlue, kWhite, kBlue, 1, 1, 45.0, {0.0}});
}

void IconMail(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kNavy, 1));
    p.setBrush(kPaleBlue);
    p.drawRect(QRect(1, 3, 13, 10));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kBlue, 1.2));
    p.drawPolyline(QPolygonF({QPointF(1.5, 3.5), QPointF(8, 9), QPointF(14.5, 3.5)}));
}

// Icons 0 to 6: options, copy, save, help, about, web site, e-mail.
QImage MenuIconStrip() {
    const std::function<void(QPainter&)> icons[kMenuIconCount] = {
        IconSliders,
        IconCopy,
        IconSave,
        [](QPainter& p) { IconLetterCircle(p, QStringLiteral("?")); },
        [](QPainter& p) { IconLetterCircle(p, QStringLiteral("i")); },
        IconWeb,
        IconMail,
    };
    QImage strip(kStripIconSize * kMenuIconCount, kStripIconSize, QImage::Format_RGB32);
    for (int i = 0; i < kMenuIconCount; ++i) {
        const QImage icon = Draw(QSize(kStripIconSize, kStripIconSize), Qt::transparent, icons[i])
                                .convertToFormat(QImage::Format_ARGB32);
        // Edges are blended onto white; nearly transparent pixels become the key colour.
        for (int y = 0; y < kStripIconSize; ++y) {
            for (int x = 0; x < kStripIconSize; ++x) {
                const QRgb pixel = icon.pixel(x, y);
                const int alpha = qAlpha(pixel);
                const auto blend = [alpha](int c) {
                    return (c * alpha + 255 * (255 - alpha)) / 255;
                };
                const QRgb out =
                    alpha < kStripOpaqueAlpha
                        ? kMagenta.rgb()
                        : qRgb(blend(qRed(pixel)), blend(qGreen(pixel)), blend(qBlue(pixel)));
                strip.setPixel(i * kStripIconSize + x, y, out);
            }
        }
    }
    return strip;
}

// --- connect clip ----------------------------------------------------------

// Frame `frame` (1-based) of the clip. The clip loops with a period of
// kConnectClipFrames; the stop frame shows the computer and the globe at rest.
QImage ClipFrame(int frame) {
    const qreal phase = qreal(frame % kConnectClipFrames) / kConnectClipFrames;
    return Draw(QSize(kClipSize, kClipSize), Qt::transparent, [phase](QPainter& p) {
        // Link between the computer and the globe.
        QPainterPath link;
        const QPointF from(13, 27), control(12, 9), to(26, 12);
        link.moveTo(from);
        link.quadTo(control, to);
        p.setPen(QPen(kLightBlue, 1.4, Qt::DotLine, Qt::RoundCap));
        p.drawPath(link);

        // Globe, turning by one meridian spacing per loop.
        DrawGlobe(p, QPointF(36, 13), 10.5, phase, DetailedGlobe(kMidBlue, kWhite, kBlue, 1.2));

        // Computer.
        p.setPen(Qt::NoPen);
        p.setBrush(kNavy);
        p.drawRoundedRect(QRectF(2, 27, 23, 16), 2, 2);
        p.drawRect(QRectF(11, 42, 5, 3));
        p.drawRoundedRect(QRectF(7, 44.5, 13, 2.5), 1, 1);
        p.setBrush(kPaleBlue);
        p.drawRect(QRectF(4, 29, 19, 12));
        p.setBrush(kLightBlue);
        for (int line = 0; line < 3; ++line) {
            const qreal width = line == 2 ? 8 : 14;
            p.drawRect(QRectF(6, 31 + 3 * line, width, 1.5));
        }

        // Packets: out to the globe in the first half, back in the second.
        const bool outward = phase < 0.5;
        const qreal progress = outward ? phase * 2 : (phase - 0.5) * 2;
        if (progress <= 0)
            return;
        constexpr int kTrail = 3;
        constexpr qreal kTrailStep = 0.12;
        for (int dot = 0; dot < kTrail; ++dot) {
            const qreal t = progress - dot * kTrailStep;
            if (t <= 0.04 || t >= 0.96)
                continue;
            QColor colour = outward ? kAccent : kBlue;
            colour.setAlphaF(1.0 - dot * 0.3);
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            const QPointF at = link.pointAtPercent(outward ? t : 1 - t);
            p.drawEllipse(at, 2.6 - dot * 0.5, 2.6 - dot * 0.5);
        }
    });
}

// --- hand cursor -----------------------------------------------------------

QImage HandCursor() {
    return Draw(QSize(kCursorSize, kCursorSize), Qt::transparent, [](QPainter& p) {
        const auto rounded = [](QRectF r, qreal radius) {
            QPainterPath path;
            path.addRoundedRect(r, radius, radius);
            return path;
        };
        const qreal tipX = kHandCursorHotSpot.x();
        const qreal tipY = kHandCursorHotSpot.y();
        QPainterPath hand = rounded(QRectF(tipX - 2, tipY + 0.6, 4.5, 14.4), 2.2); // index
        hand = hand.united(rounded(QRectF(tipX + 2, tipY + 7, 4.3, 10), 2.1));     // middle
        hand = hand.united(rounded(QRectF(tipX + 6, tipY + 8, 4.3, 9), 2.1));      // ring
        hand = hand.united(rounded(QRectF(tipX + 10, tipY + 9.5, 3.8, 8), 1.9));   // little
        hand = hand.united(rounded(QRectF(tipX - 2, tipY + 12, 15.7, 10), 3.5));   // palm
        hand = hand.united(rounded(QRectF(tipX - 0.5, tipY + 19, 12.7, 6), 1));    // wrist
        // Thumb: a rounded stub leaning out to the upper left of the palm.
        QPainterPath thumb;
        thumb.addRoundedRect(QRectF(-2.4, -5.5, 4.8, 9.5), 2.4, 2.4);
        QTransform lean;
        lean.translate(tipX - 3.6, tipY + 15.8);
        lean.rotate(-45);
        thumb = lean.map(thumb);
        hand = hand.united(thumb).simplified();

        p.setBrush(kWhite);
        p.setPen(QPen(Qt::black, 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(hand);
        // Creases between the bent fingers.
        p.setPen(QPen(Qt::black, 0.8, Qt::SolidLine, Qt::RoundCap));
        for (const qreal x : {2.5, 6.5, 10.5})
            p.drawLine(QPointF(tipX + x, tipY + 12.5), QPointF(tipX + x, tipY + 14.5));
    });
}

// --- button glyphs ---------------------------------------------------------

QImage ExtraGlyph() {
    return Draw(QSize(kGlyphSize, kGlyphSize), Qt::transparent, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kNavy);
        p.drawPolygon(QPolygonF({QPointF(4.5, 6), QPointF(11.5, 6), QPointF(8, 10)}));
    });
}

QImage ExecUrlGlyph(bool enabled) {
    return Draw(QSize(kGlyphSize, kGlyphSize), Qt::transparent, [enabled](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(enabled ? kBlue : kLightGrey);
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        p.setPen(QPen(kWhite, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(4.5, 8), QPointF(11, 8));
        p.drawPolyline(QPolygonF({QPointF(8, 5), QPointF(11, 8), QPointF(8, 11)}));
    });
}

// --- about box -------------------------------------------------------------

QImage Logo() {
    return Draw(kLogoSize, kWhite, [](QPainter& p) {
        // The maker's mark: a blue square with a white chevron, then the name.
        const QRectF mark(kLogoSize.width() - 112, 2, 18, 18);
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawRoundedRect(mark, 3.5, 3.5);
        p.setPen(QPen(kWhite, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({mark.topLeft() + QPointF(4.5, 5), mark.center() + QPointF(0, 5),
                                  mark.topRight() + QPointF(-4.5, 5)}));
        p.setPen(kNavy);
        p.setFont(Font(17, QFont::Bold));
        p.drawText(QRectF(mark.right() + 5, 0, kLogoSize.width(), kLogoSize.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vendrix"));
    });
}

QImage BlueLine() {
    return Draw(kLineSize, kWhite, [](QPainter& p) {
        QLinearGradient gradient(0, 0, kLineSize.width(), 0);
        gradient.setColorAt(0, kNavy);
        gradient.setColorAt(0.55, kMidBlue);
        gradient.setColorAt(1, kLightBlue);
        p.fillRect(QRectF(0, 0, kLineSize.width(), 4), gradient);
        p.fillRect(QRectF(0, 4, kLineSize.width(), 1), kPaleBlue);
    });
}

QImage IconFrame() {
    return Draw(QSize(kIconFrameSize, kIconFrameSize), kWhite, [](QPainter& p) {
        QColor shadow = kNavy;
        shadow.setAlphaF(0.12);
        p.setPen(Qt::NoPen);
        p.setBrush(shadow);
        p.drawRoundedRect(QRectF(2.5, 2.5, 45.5, 45.5), 7, 7);
        p.setBrush(kPaleBlue);
        p.setPen(QPen(kLightBlue, 1));
        p.drawRoundedRect(QRectF(0.5, 0.5, 45.5, 45.5), 7, 7);
    });
}

QImage DefaultIcon() {
    return Draw(QSize(kDefaultIconSize, kDefaultIconSize), Qt::transparent, [](QPainter& p) {
        // A generic program window.
        const QRectF window(2.5, 4.5, 27, 23);
        p.setPen(QPen(kNavy, 1));
        p.setBrush(kWhite);
        p.drawRoundedRect(window, 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(3, 5, 26, 6), 1.5, 1.5);
        p.setBrush(kWhite);
        p.drawRect(QRectF(23, 7, 4, 2));
        p.setBrush(kLightBlue);
        for (int line = 0; line < 4; ++line)
            p.drawRect(QRectF(6, 14 + 3 * line, line == 3 ? 11 : 20, 1.5));
    });
}

// --- output ----------------------------------------------------------------

bool Fail(const QString& path) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

bool SavePng(const QImage& image, const QString& path) {
    return image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG") || Fail(path);
}

bool SaveBmp(const QImage& image, const QString& path) {
    return WriteBmp(image, path) || Fail(path);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString root =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QUORVIK_RESOURCE_IMAGE_DIR);
    const QDir dir(root);
    if (!dir.mkpath(QStringLiteral("connect"))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(root));
        return 1;
    }
    const auto at = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };

    bool ok = true;
    const QImage header = HeaderIcon();
    ok &= SaveBmp(QuantiseImage(header, kLowColours), at("blue_icon_16.bmp"));
    ok &= SaveBmp(QuantiseImage(header, kHighColours), at("blue_icon_256.bmp"));
    ok &= SaveBmp(Banner(), at("banner.bmp"));
    ok &= SaveBmp(MenuIconStrip(), at("menu_icons.bmp"));
    for (int frame = 1; frame <= kConnectClipFrames; ++frame)
        ok &= SavePng(
            ClipFrame(frame),
            dir.filePath(QStringLiteral("connect/%1.png").arg(frame, 2, 10, QLatin1Char('0'))));
    ok &= SavePng(HandCursor(), at("hand_cursor.png"));
    ok &= SavePng(ExtraGlyph(), at("glyph_extra.png"));
    ok &= SavePng(ExecUrlGlyph(true), at("glyph_exec_url.png"));
    ok &= SavePng(ExecUrlGlyph(false), at("glyph_exec_url_disabled.png"));
    const QImage logo = Logo();
    ok &= SaveBmp(QuantiseImage(logo, kLowColours), at("logo_16.bmp"));
    ok &= SaveBmp(logo, at("logo.bmp"));
    const QImage line = BlueLine();
    ok &= SaveBmp(QuantiseImage(line, kLowColours), at("blue_line_16.bmp"));
    ok &= SaveBmp(line, at("blue_line.bmp"));
    ok &= SaveBmp(IconFrame(), at("icon_frame.bmp"));
    ok &= SavePng(DefaultIcon(), at("default_icon.png"));
    for (const int size : kAppIconSizes)
        ok &= SavePng(AppIcon(size), dir.filePath(QStringLiteral("app_icon_%1.png").arg(size)));
    return ok ? 0 : 1;
}
