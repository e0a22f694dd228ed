#include "app/action_button.h"

#include <QAction>

TActionButton::TActionButton(QWidget* parent) : QPushButton(parent) {
    connect(this, &QPushButton::clicked, this, &TActionButton::TriggerAction);
}

void TActionButton::SetAction(QAction* action) {
    disconnect(FChangedConnection);
    FAction = action;
    FChangedConnection = connect(action, &QAction::changed, this, &TActionButton::TakeActionState);
    TakeActionState();
}

void TActionButton::TakeActionState() {
    setText(FAction->text());
    setEnabled(FAction->isEnabled());
    setVisible(FAction->isVisible());
}

void TActionButton::TriggerAction() {
    // Checked again: a click may already be queued when the action is disabled.
    if (FAction && FAction->isEnabled())
        FAction->trigger();
}
