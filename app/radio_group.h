#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

// A titled group of radio buttons, one per item, of which one is selected;
// items are addressed by their index from the top.
class TRadioGroup : public QGroupBox {
    Q_OBJECT

public:
    TRadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    // The selected item, or -1 while none is.
    int ItemIndex() const;
    // Selects item `index`; an index without an item changes nothing.
    void SetItemIndex(int index);

private:
    QButtonGroup* FButtons;
};
