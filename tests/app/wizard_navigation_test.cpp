#include "tests/app/main_window_fixture.h"

#include "app/action_button.h"
#include "controls/combo_box98.h"
#include "query/result_view.h"
#include "resources/connect_animation.h"
#include "tests/support/event_wait.h"

#include <QLabel>
#include <QSignalSpy>
#include <QStackedWidget>

namespace {

struct PageLook {
    int Page;
    const char* Header;
    const char* Title;
    // Caption of the Next button; nullptr when it is hidden.
    const char* Next;
    const char* Cancel;
    bool HeaderIcon;
    const char* Focus;
    // Which of the hidden controls' actions take their keys.
    bool Options;
    bool ReportActions;
};

const PageLook kPages[] = {
    {TFrmMain::kPageInput, "Internet-Adresse eingeben",
     "Geben Sie bitte die Internet-Adresse ein, über die Sie Informationen via HTTP einholen "
     "möchten und klicken Sie auf den Schalter \"Weiter\".",
     "&Weiter >", "B&eenden", true, "edURL", true, false},
    {TFrmMain::kPageProgress, "Empfange Daten vom Server...",
     "Bitte warten Sie, während Vendrix Quorvik die gewünschten Informationen vom gewählten "
     "Ziel-Server empfängt.",
     nullptr, "Abbrechen", false, "BtnCancel", false, false},
    {TFrmMain::kPageFinish, "HTTP Report wurde erstellt",
     "Um eine neue Abfrage zu starten, klicken Sie auf den Schalter \"Zurück\".", "< &Zurück",
     "B&eenden", true, "ResultView", false, true},
};

} // namespace

TEST_F(MainWindowTest, EveryPageShowsItsTextsButtonsAndFocus) {
    // Visited in an order that reaches every page from every other one.
    for (int page : {2, 1, 0, 2, 0, 1, 2}) {
        const PageLook& look = kPages[page];
        SCOPED_TRACE(page);
        Window->ShowPage(page);
        EXPECT_EQ(Window->CurrentPage(), page);
        EXPECT_EQ(Window->LblHeader->text(), QString::fromUtf8(look.Header));
        EXPECT_EQ(Window->LblTitle->text(), QString::fromUtf8(look.Title));
        EXPECT_FALSE(Window->BtnBack->isVisible());
        EXPECT_EQ(Window->BtnNext->isVisible(), look.Next != nullptr);
        if (look.Next) {
            EXPECT_EQ(Window->BtnNext->text(), QString::fromUtf8(look.Next));
        }
        EXPECT_TRUE(Window->BtnCancel->isVisible());
        EXPECT_EQ(Window->BtnCancel->text(), QString::fromUtf8(look.Cancel));
        EXPECT_EQ(Window->BtnExtra->isVisible(), look.HeaderIcon);
        EXPECT_EQ(Window->imgBlueIcon->isVisible(), look.HeaderIcon);
        EXPECT_EQ(Window->aniPlsWait->isVisible(), !look.HeaderIcon);
        EXPECT_EQ(Window->aniPlsWait->IsPlaying(), !look.HeaderIcon);
        EXPECT_EQ(QApplication::focusWidget(), Child(look.Focus));
        EXPECT_EQ(Window->actOptions->isEnabled(), look.Options);
        EXPECT_EQ(Window->actCopyResultView->isEnabled(), look.ReportActions);
        EXPECT_EQ(Window->actSaveResultView->isEnabled(), look.ReportActions);
    }
}

TEST_F(MainWindowTest, NextWithAnAddressPassesTheProgressPageToTheFinishPage) {
    QSignalSpy pages(Window->Notebook, &QStackedWidget::currentChanged);
    Window->edURL->setEditText(QStringLiteral("http://localhost/"));
    Window->BtnNext->click();
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[0][0].toInt(), TFrmMain::kPageProgress);
    EXPECT_EQ(pages[1][0].toInt(), TFrmMain::kPageFinish);
    // The host is not found: the report says so, no message box does.
    EXPECT_GT(Window->ResultView->count(), 0);
    EXPECT_TRUE(Presenter.Shown.empty());
}

TEST_F(MainWindowTest, NextWithoutAnAddressAsksForOneAndStays) {
    Window->edURL->setEditText(QString());
    // By the button while another button has the focus, then by Enter in the field.
    Window->BtnCancel->setFocus();
    Window->BtnNext->click();
    Press(Qt::Key_Return);
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageInput);
    ASSERT_EQ(Presenter.Shown.size(), 2u);
    for (const TMessageBoxRequest& box : Presenter.Shown) {
        EXPECT_EQ(box.Caption, QStringLiteral("Vendrix Quorvik"));
        EXPECT_EQ(box.Text,
                  QStringLiteral("Bitte geben Sie vor der Abfrage eine Internet-Adresse ein."));
        EXPECT_EQ(box.Icon, TMsgIcon::Information);
        EXPECT_EQ(box.Buttons, TMsgButtons::Ok);
    }
    EXPECT_EQ(QApplication::focusWidget(), Window->edURL);
}

TEST_F(MainWindowTest, BackFromTheFinishPageKeepsTheAddressAndFocusesIt) {
    RunQueryTo(QStringLiteral("http://localhost:8080/a"));
    Window->BtnNext->click();
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageInput);
    EXPECT_EQ(Window->edURL->currentText(), QStringLiteral("http://localhost:8080/a"));
    EXPECT_EQ(QApplication::focusWidget(), Window->edURL);
}

TEST_F(MainWindowTest, EnterStartsOnInputAndGoesBackOnFinish) {
    Window->edURL->setEditText(QStringLiteral("http://localhost/"));
    Press(Qt::Key_Return);
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageFinish);
    Press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageInput);
    // The address field keeps no list of earlier addresses.
    EXPECT_EQ(Window->edURL->count(), 0);
}

TEST_F(MainWindowTest, EnterClicksTheFocusedButton) {
    Window->BtnCancel->setFocus();
    Press(Qt::Key_Return);
    EXPECT_TRUE(WaitClosed());
}

TEST_F(MainWindowTest, EnterAndEscapeOnTheProgressPageOnlyCancel) {
    Window->ShowPage(TFrmMain::kPageProgress);
    for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
        Press(key);
        testsupport::PumpEvents();
        EXPECT_FALSE(Window.isNull());
        EXPECT_TRUE(Window->isVisible());
        EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageProgress);
    }
}

TEST_F(MainWindowTest, EscapeClosesTheInputPage) {
    Press(Qt::Key_Escape);
    EXPECT_TRUE(WaitClosed());
}

TEST_F(MainWindowTest, EscapeClosesTheFinishPage) {
    RunQueryTo(QStringLiteral("http://localhost/"));
    Press(Qt::Key_Escape);
    EXPECT_TRUE(WaitClosed());
}

TEST_F(MainWindowTest, QuitButtonsCloseTheWindow) {
    for (bool finish : {false, true}) {
        SCOPED_TRACE(finish);
        if (Window.isNull())
            SetUp();
        if (finish)
            RunQueryTo(QStringLiteral("http://localhost/"));
        Window->BtnCancel->click();
        EXPECT_TRUE(WaitClosed());
    }
}

TEST_F(MainWindowTest, CloseIsAllowedOnInputAndFinishButRefusedOnProgress) {
    Window->ShowPage(TFrmMain::kPageProgress);
    EXPECT_FALSE(Window->close());
    EXPECT_TRUE(Window->isVisible());
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageProgress);

    Window->ShowPage(TFrmMain::kPageFinish);
    EXPECT_TRUE(Window->close());
    EXPECT_TRUE(WaitClosed());

    SetUp();
    EXPECT_TRUE(Window->close());
    EXPECT_TRUE(WaitClosed());
    EXPECT_TRUE(Presenter.Shown.empty());
}

TEST_F(MainWindowTest, AnUnknownPageIsReportedAndChangesNothing) {
    Window->ShowPage(TFrmMain::kPageCount);
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageInput);
    ASSERT_EQ(Presenter.Shown.size(), 1u);
    EXPECT_EQ(Presenter.Shown[0].Text, QStringLiteral("Fehler beim aktualisieren Anzeige.  [88]"));
    EXPECT_EQ(Presenter.Shown[0].Icon, TMsgIcon::Error);
}

TEST_F(MainWindowTest, TabRunsFromThePageThroughTheButtonsAndBack) {
    const std::vector<std::vector<QWidget*>> cycles = {
        {Window->edURL, Window->BtnExtra, Window->BtnNext, Window->BtnCancel},
        {Window->BtnCancel},
        {Window->ResultView, Window->BtnExtra, Window->BtnNext, Window->BtnCancel},
    };
    for (int page = 0; page < TFrmMain::kPageCount; ++page) {
        SCOPED_TRACE(page);
        Window->ShowPage(page);
        for (QWidget* expected : cycles[page]) {
            EXPECT_EQ(QApplication::focusWidget(), expected);
            Press(Qt::Key_Tab);
        }
        EXPECT_EQ(QApplication::focusWidget(), cycles[page].front());
    }
}
