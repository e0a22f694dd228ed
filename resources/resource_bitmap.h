#pragma once

#include <QPixmap>
#include <QString>

// Loads the Windows bitmap stored in the resource `resourceName`. Throws
// EQuorvikError when the resource is missing or holds no readable bitmap.
QPixmap LoadResourceBitmap(const QString& resourceName);

// The suffix of the bitmap variant for a screen of `screenColours` colours:
// "_L" (16-colour pictures) below 65535 colours, "_H" from 65535 on.
QString ColourDepthSuffix(qint64 screenColours);
