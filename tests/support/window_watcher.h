#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace testsupport {

// Hands every top-level widget that is shown while the watcher lives (a real
// message box, dialog or main window) to `onShown`, from the event loop once
// it is up, so that a test can look at a modal box and close it instead of
// blocking on it.
class TWindowWatcher : public QObject {
    Q_OBJECT

public:
    explicit TWindowWatcher(std::function<void(QWidget&)> onShown);
    ~TWindowWatcher() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(QWidget&)> FOnShown;
};

} // namespace testsupport
