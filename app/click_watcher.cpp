#include "app/click_watcher.h"

#include <QMouseEvent>
#include <QWidget>

TClickWatcher::TClickWatcher(QWidget* watched, std::function<void()> onClick)
    : QObject(watched), FOnClick(std::move(onClick)) {
    watched->installEventFilter(this);
}

bool TClickWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* widget = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton &&
            widget->rect().contains(mouse->position().toPoint())) {
            FOnClick();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
