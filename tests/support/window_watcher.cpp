#include "tests/support/window_watcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace testsupport {

TWindowWatcher::TWindowWatcher(std::function<void(QWidget&)> onShown)
    : FOnShown(std::move(onShown)) {
    QCoreApplication::instance()->installEventFilter(this);
}

TWindowWatcher::~TWindowWatcher() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool TWindowWatcher::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    // Posted: a modal box runs its own loop only once it has been shown.
    if (event->type() == QEvent::Show && widget && widget->isWindow())
        QTimer::singleShot(0, widget, [self = QPointer<TWindowWatcher>(this), widget] {
            if (self)
                self->FOnShown(*widget);
        });
    return false;
}

} // namespace testsupport
