#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Turns a left-button click on a widget that has no click of its own (a
// picture label) into a call. A click is a release of the left button inside
// the widget; the press went to it too, since the widget holds the mouse
// from press to release. Owned by the watched widget.
class TClickWatcher : public QObject {
    Q_OBJECT

public:
    TClickWatcher(QWidget* watched, std::function<void()> onClick);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> FOnClick;
};
