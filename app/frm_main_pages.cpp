// The wizard: page switching, the page-button handlers and the keyboard.

#include "app/action_button.h"
#include "app/frm_main.h"
#include "app/product.h"
#include "base/error.h"
#include "controls/combo_box98.h"
#include "query/launch_url.h"
#include "query/result_view.h"
#include "resources/connect_animation.h"
#include "util/zarvo_honk.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QUrl>

#include <algorithm>
#include <array>

namespace {

struct TPageTexts {
    const char* Header;
    const char* Title;
};

const std::array<TPageTexts, TFrmMain::kPageCount> kPageTexts = {{
    {"Internet-Adresse eingeben",
     "Geben Sie bitte die Internet-Adresse ein, über die Sie Informationen via HTTP einholen "
     "möchten und klicken Sie auf den Schalter \"Weiter\"."},
    {"Empfange Daten vom Server...",
     "Bitte warten Sie, während Vendrix Quorvik die gewünschten Informationen vom gewählten "
     "Ziel-Server empfängt."},
    {"HTTP Report wurde erstellt",
     "Um eine neue Abfrage zu starten, klicken Sie auf den Schalter \"Zurück\"."},
}};

const QString kShowPageFailed = QStringLiteral("Fehler beim aktualisieren Anzeige.");
const QString kBackFailed = QStringLiteral("Fehler bei der Anzeige.");
const QString kLaunchFailed = QStringLiteral("Fehler beim anzeigen der URL.");
constexpr int kShowPageErrorNumber = 88;
constexpr int kBackErrorNumber = 493;
constexpr int kLaunchErrorNumber = 602;

bool IsPlainKey(const QKeyEvent* event, std::initializer_list<int> keys) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    return plain && std::find(keys.begin(), keys.end(), event->key()) != keys.end();
}

} // namespace

int TFrmMain::CurrentPage() const {
    return Notebook->currentIndex();
}

void TFrmMain::ShowPage(int page) {
    try {
        if (page < 0 || page >= kPageCount)
            throw EQuorvikError("no such wizard page");
        const bool progress = page == kPageProgress;
        imgBlueIcon->setVisible(!progress);
        aniPlsWait->setVisible(progress);
        if (progress)
            aniPlsWait->Play();
        else
            aniPlsWait->Stop();
        BtnExtra->setVisible(!progress);
        actOptions->setEnabled(page == kPageInput);
        actCopyResultView->setEnabled(page == kPageFinish);
        actSaveResultView->setEnabled(page == kPageFinish);
        // A click that is already waiting is handled on the page it was meant for.
        ProcessMessages();

        Notebook->setCurrentIndex(page);
        LblHeader->setText(QString::fromUtf8(kPageTexts[page].Header));
        LblTitle->setText(QString::fromUtf8(kPageTexts[page].Title));
        BtnBack->SetAction(FPageActions[page].Back);
        BtnNext->SetAction(FPageActions[page].Next);
        BtnCancel->SetAction(FPageActions[page].Cancel);
        actLaunchURLUpdate();
        const std::array<QWidget*, kPageCount> focusTargets = {edURL, BtnCancel, ResultView};
        focusTargets[page]->setFocus();
        ProcessMessages();
    } catch (...) {
        Honk->ShowError(kShowPageFailed, TZarvoHonk::kKindStop, false, kShowPageErrorNumber);
    }
}

void TFrmMain::actPInput_BtnCancelExec() {
    close();
}

void TFrmMain::actPFinish_BtnNextExec() {
    try {
        // A close still waiting for the Finish page frees the window inside the switch.
        const QPointer<TFrmMain> alive(this);
        ShowPage(kPageInput);
        if (alive)
            edURL->setFocus();
    } catch (...) {
        Honk->ShowError(kBackFailed, TZarvoHonk::kKindStop, false, kBackErrorNumber);
    }
}

void TFrmMain::actPFinish_BtnCancelExec() {
    close();
}

void TFrmMain::actLaunchURLExec() {
    try {
        const QString target =
            launchurl::Target(edURL->currentText(), QLatin1String(kMakerSiteUrl));
        edURL->setFocus();
        FUrlOpener(QUrl::fromUserInput(target));
    } catch (...) {
        Honk->ShowError(kLaunchFailed, TZarvoHonk::kKindStop, false, kLaunchErrorNumber);
    }
}

void TFrmMain::actLaunchURLUpdate() {
    const QString address = edURL->currentText();
    actLaunchURL->setToolTip(launchurl::Hint(address));
    actLaunchURL->setEnabled(launchurl::Enabled(CurrentPage(), address));
}

void TFrmMain::keyPressEvent(QKeyEvent* event) {
    // Keys that no control took. A focused button has already taken Enter.
    if (IsPlainKey(event, {Qt::Key_Return, Qt::Key_Enter})) {
        if (BtnNext->isVisible() && BtnNext->isEnabled())
            BtnNext->click();
        return;
    }
    if (IsPlainKey(event, {Qt::Key_Escape})) {
        if (BtnCancel->isVisible() && BtnCancel->isEnabled())
            BtnCancel->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TFrmMain::IsExtraMnemonic(QEvent* event) const {
    return event->type() == QEvent::Shortcut &&
           static_cast<QShortcutEvent*>(event)->key() == QKeySequence::mnemonic(BtnExtra->text());
}

bool TFrmMain::eventFilter(QObject* watched, QEvent* event) {
    // "&Extras" and "B&eenden" share their mnemonic. The Extras button comes
    // first in the tab order and takes the key while it is shown, instead of
    // the toolkit's turn-taking between the two.
    if ((watched == BtnExtra || watched == BtnCancel) && BtnExtra->isVisible() &&
        IsExtraMnemonic(event)) {
        BtnExtra->click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFrmMain::changeEvent(QEvent* event) {
    // The window manager may still offer to maximise or go full screen; the
    // window keeps its fixed size instead.
    if (event->type() == QEvent::WindowStateChange &&
        (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
    QWidget::changeEvent(event);
}
