#include "controls/combo_box98.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <utility>

#include "base/raise_event.h"

namespace {

// Only a to z are folded: an umlaut must match in its own case.
QChar AsciiUpper(QChar c) {
    return c >= QLatin1Char('a') && c <= QLatin1Char('z') ? QChar(c.unicode() - 'a' + 'A') : c;
}

bool StartsWithAsciiCaseless(const QString& item, const QString& prefix) {
    if (item.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (AsciiUpper(item[i]) != AsciiUpper(prefix[i]))
            return false;
    return true;
}

} // namespace

TComboBox98::TComboBox98(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    AttachEditField();
}

bool TComboBox98::event(QEvent* event) {
    // Keys and input reach the edit field through here. The toolkit makes a
    // new field, with a completer of its own, each time editing is switched
    // on, and tells nobody.
    AttachEditField();
    return QComboBox::event(event);
}

void TComboBox98::AttachEditField() {
    QLineEdit* const edit = lineEdit();
    if (edit != nullptr && edit->completer() != nullptr)
        setCompleter(nullptr);
    if (edit == FEditField)
        return;
    FEditField = edit;
    if (edit == nullptr)
        return;
    // The edit field reports a user edit (textEdited) before it reports the new
    // text (textChanged), and the combo box forwards textChanged as
    // editTextChanged. Completing only on the later signal lets the owner see
    // the text as typed first; the text set by the completion is not a user
    // edit, so it does not complete again.
    connect(edit, &QLineEdit::textEdited, this, [this] { FUserEdited = true; });
    connect(edit, &QLineEdit::textChanged, this, [this] {
        if (std::exchange(FUserEdited, false))
            Change();
    });
}

TComboBox98::~TComboBox98() {
    FLifeToken.Clear();
}

void TComboBox98::keyPressEvent(QKeyEvent* event) {
    // Stored before the base handling: that is where the edit field changes
    // its text and the completion asks for the key. A key the owner filters
    // out never arrives here.
    FLastKey = event->key();
    QComboBox::keyPressEvent(event);
}

void TComboBox98::Change() {
    QLineEdit* const edit = lineEdit();
    if (!FComplete || edit == nullptr)
        return;
    if (FLastKey == Qt::Key_Backspace || FLastKey == Qt::Key_Delete)
        return;
    const QString typed = edit->text();
    if (typed.size() < FMinLengthComplete || count() == 0)
        return;
    const int candidate = FindCandidate(typed);
    if (candidate < 0)
        return;

    QString tail = itemText(candidate).mid(typed.size());
    bool doComplete = true;
    const TLifeToken::TWatch watch = FLifeToken.Watch();
    TriggerComplete(tail, doComplete);
    if (!watch.Alive() || !doComplete)
        return;
    edit->setText(typed + tail);
    edit->setSelection(typed.size(), tail.size());
}

void TComboBox98::TriggerComplete(QString& completeWith, bool& doComplete) {
    RaiseEvent(FLifeToken, OnComplete, *this, FLastKey, completeWith, doComplete);
}

int TComboBox98::FindCandidate(const QString& typed) const {
    for (int i = 0; i < count(); ++i)
        if (StartsWithAsciiCaseless(itemText(i), typed))
            return i;
    return -1;
}
