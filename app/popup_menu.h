#pragma once

#include <QMenu>

// A popup menu whose items' shortcuts keep working while it is open: the
// key closes the menu and triggers the item, as it does with the menu closed.
// An open popup takes every key, so the window's shortcuts would not see it.
class TPopupMenu : public QMenu {
    Q_OBJECT

public:
    explicit TPopupMenu(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
