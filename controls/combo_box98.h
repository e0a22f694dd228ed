#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QString>

#include <functional>

#include "base/life_token.h"

class QKeyEvent;

// An editable combo box that completes what the user types from its own item
// list: once the typed text is the beginning of an item (a to z compared
// without regard to case, every other character exactly), the rest of the
// first such item is appended and selected, so typing on replaces it and
// leaving the field keeps it. A key that deletes (Backspace, Delete) never
// brings a suggestion back.
//
// Completion runs after every change the user makes to the edit text, after
// the editTextChanged signal has reported the text as typed; changes made by
// code (setEditText, choosing an item) do not complete. With editing switched
// off there is nothing to complete; switched on again, completion goes on in
// the new edit field. The toolkit's own completer (for every edit field) and
// the adding of typed text to the list on Enter are switched off.
class TComboBox98 : public QComboBox {
    Q_OBJECT

public:
    // Raised before a completion is applied. `Key` is the last key pressed in
    // the control (a Qt::Key code, 0 before the first); `CompleteWith` is the
    // tail about to be appended and may be changed; setting `DoComplete` to
    // false leaves the text as typed, and no later item is tried. The handler
    // runs through a copy of itself: it may clear or replace OnComplete. It
    // must not delete the box, whose edit field is still reporting the change;
    // deleteLater does that safely.
    using TOnComplete =
        std::function<void(TComboBox98& Sender, int Key, QString& CompleteWith, bool& DoComplete)>;

    explicit TComboBox98(QWidget* parent = nullptr);
    ~TComboBox98() override;

    bool Complete() const { return FComplete; }
    void SetComplete(bool value) { FComplete = value; }
    // Completion is tried only when the edit text has at least this many characters.
    quint16 MinLengthComplete() const { return FMinLengthComplete; }
    void SetMinLength(quint16 value) { FMinLengthComplete = value; }

    TOnComplete OnComplete;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Runs once per user edit of the text; completes it as described above.
    virtual void Change();
    virtual void TriggerComplete(QString& completeWith, bool& doComplete);

private:
    int FindCandidate(const QString& typed) const;
    // Takes over the current edit field: its completer off, its edits followed.
    void AttachEditField();

    // Cleared first thing in the destructor; Change checks it after the event.
    TLifeToken FLifeToken;
    bool FComplete = true;
    quint16 FMinLengthComplete = 0;
    int FLastKey = 0;
    bool FUserEdited = false;
    QPointer<QLineEdit> FEditField;
};
