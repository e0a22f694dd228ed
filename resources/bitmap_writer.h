#pragma once

#include <QImage>
#include <QString>

// Helpers of the image generator: colour reduction and BMP output with a
// chosen bit depth (Qt's own BMP writer knows no 4-bit files).

// Reduces `image` to at most `colours` colours (median cut over the opaque
// pixels, then nearest-colour mapping) and returns an indexed image. Flat
// areas keep their exact colour, so a white background stays pure white.
QImage QuantiseImage(const QImage& image, int colours);

// Writes `image` as an uncompressed bottom-up Windows bitmap: 4 bits per pixel
// for an indexed image of up to 16 colours, 8 bits for a larger indexed image,
// 24 bits otherwise (alpha is dropped). Returns false when the file cannot be
// written.
bool WriteBmp(const QImage& image, const QString& path);
