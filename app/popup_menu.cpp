#include "app/popup_menu.h"

#include <QAction>
#include <QKeyEvent>

TPopupMenu::TPopupMenu(QWidget* parent) : QMenu(parent) {}

void TPopupMenu::keyPressEvent(QKeyEvent* event) {
    const QKeySequence pressed(event->keyCombination());
    for (QAction* item : actions()) {
        if (item->isEnabled() && !item->shortcut().isEmpty() && item->shortcut() == pressed) {
            hide();
            item->trigger();
            return;
        }
    }
    QMenu::keyPressEvent(event);
}
