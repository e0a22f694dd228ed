#pragma once

#include <QIcon>
#include <QList>
#include <QString>

// Side of one image of a strip, in pixels.
inline constexpr int kImageStripSide = 16;

// Clears `images`, loads the bitmap resource `resourceName` and appends the
// 16 x 16 images cut from it from the left, with every magenta pixel (red 255,
// green 0, blue 255) made transparent; a remainder narrower than 16 pixels is
// ignored. Throws EQuorvikError when the resource is missing or no image;
// `images` is then empty.
void LoadImageStrip(QList<QIcon>& images, const QString& resourceName);
