#include "resources/image_strip.h"

#include "base/error.h"

#include <QImage>
#include <QPixmap>

namespace {

constexpr QRgb kMaskColour = qRgb(255, 0, 255);
constexpr QRgb kTransparent = qRgba(0, 0, 0, 0);

} // namespace

void LoadImageStrip(QList<QIcon>& images, const QString& resourceName) {
    images.clear();
    QImage strip(resourceName);
    if (strip.isNull())
        throw EQuorvikError("Bildliste " + resourceName.toStdString() + " nicht gefunden.");
    strip = strip.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < strip.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
        for (int x = 0; x < strip.width(); ++x) {
            if (line[x] == kMaskColour)
                line[x] = kTransparent;
        }
    }
    for (int left = 0; left + kImageStripSide <= strip.width(); left += kImageStripSide)
        images.append(
            QIcon(QPixmap::fromImage(strip.copy(left, 0, kImageStripSide, kImageStripSide))));
}
