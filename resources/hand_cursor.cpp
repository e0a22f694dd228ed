#include "resources/hand_cursor.h"

#include "base/error.h"
#include "resources/resource_names.h"

#include <QPixmap>

QCursor LoadHandCursor() {
    const QPixmap hand(QString::fromLatin1(kHandCursorResource));
    if (hand.isNull())
        throw EQuorvikError(std::string("Cursor ") + kHandCursorResource + " nicht gefunden.");
    return QCursor(hand, kHandCursorHotSpot.x(), kHandCursorHotSpot.y());
}
