#include "resources/resource_bitmap.h"

#include "base/error.h"
#include "resources/resource_names.h"

#include <QFile>
#include <QImageReader>

namespace {

constexpr qint64 kHighColourThreshold = 65535;

} // namespace

QPixmap LoadResourceBitmap(const QString& resourceName) {
    QFile file(resourceName);
    if (!file.open(QIODevice::ReadOnly))
        throw EQuorvikError("Bild " + resourceName.toStdString() + " nicht gefunden.");
    QImageReader reader(&file, "bmp");
    const QImage image = reader.read();
    if (image.isNull())
        throw EQuorvikError("Bild " + resourceName.toStdString() + " ist keine lesbare Bitmap.");
    return QPixmap::fromImage(image);
}

QString ColourDepthSuffix(qint64 screenColours) {
    return QString::fromLatin1(screenColours < kHighColourThreshold ? kLowColourSuffix
                                                                    : kHighColourSuffix);
}
