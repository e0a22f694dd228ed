#pragma once

#include <QMetaObject>
#include <QPointer>
#include <QPushButton>

class QAction;

// A push button that shows one action: its caption, visibility and enabled
// state follow the bound action, and a click triggers it. The wizard binds
// its three buttons to the page's actions each time the page changes.
class TActionButton : public QPushButton {
    Q_OBJECT

public:
    explicit TActionButton(QWidget* parent = nullptr);

    // Binds the button to `action` (not owned, not null) instead of the action
    // bound before, and takes over its state at once.
    void SetAction(QAction* action);
    QAction* Action() const { return FAction; }

private:
    void TakeActionState();
    void TriggerAction();

    QPointer<QAction> FAction;
    QMetaObject::Connection FChangedConnection;
};
