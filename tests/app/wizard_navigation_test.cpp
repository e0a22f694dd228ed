#include "tests/app/main_window_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>

namespace {

struct PageLook {
    const char* Header;
    const char* Title;
    // Caption of the Next button; nullptr when it is hidden.
    const char* Next;
    const char* Cancel;
    bool HeaderIcon;
    // The focus after the switch, then where Tab takes it, round to the start.
    const char* TabCycle;
};

// By page: Input, Progress, Finish.
const PageLook kPages[] = {
    {"Internet-Adresse eingeben",
     "Geben Sie bitte die Internet-Adresse ein, über die Sie Informationen via HTTP einholen "
     "möchten und klicken Sie auf den Schalter \"Weiter\".",
     "&Weiter >", "B&eenden", true, "edURL BtnExtra BtnNext BtnCancel"},
    {"Empfange Daten vom Server...",
     "Bitte warten Sie, während Vendrix Quorvik die gewünschten Informationen vom gewählten "
     "Ziel-Server empfängt.",
     nullptr, "Abbrechen", false, "BtnCancel"},
    {"HTTP Report wurde erstellt",
     "Um eine neue Abfrage zu starten, klicken Sie auf den Schalter \"Zurück\".", "< &Zurück",
     "B&eenden", true,
     "ResultView cBoxResultViewStyle BtnCopyResultView BtnSaveResultView BtnExtra BtnNext "
     "BtnCancel"},
};

// Pages in an order that reaches every page from every other one.
const int kWalk[] = {2, 1, 0, 2, 0, 1, 2};

// One key of the hidden controls' actions: on which pages the action takes it;
// elsewhere the key reaches the focused control.
struct TakenKey {
    const char* Action;
    int Key;
    Qt::KeyboardModifiers Modifiers;
    bool TakenOn[TFrmMain::kPageCount];
};

const TakenKey kTakenKeys[] = {
    {"actResultViewSelecetAll", Qt::Key_A, Qt::ControlModifier, {false, false, false}},
    {"actCopyResultView", Qt::Key_C, Qt::ControlModifier, {false, false, true}},
    {"actSaveResultView", Qt::Key_S, Qt::ControlModifier, {false, false, true}},
    {"actSetDLfilename", Qt::Key_D, Qt::ControlModifier, {true, true, true}},
    {"actOptions", Qt::Key_P, Qt::AltModifier, {true, false, false}},
};

} // namespace

TEST_F(MainWindowTest, EveryPageShowsItsTextsButtonsFocusAndKeys) {
    for (int page : kWalk) {
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
        const QStringList cycle = QString::fromLatin1(look.TabCycle).split(u' ');
        for (const QString& name : cycle) {
            EXPECT_EQ(QApplication::focusWidget(), Child(name)) << name.toStdString();
            Press(Qt::Key_Tab);
        }
        EXPECT_EQ(QApplication::focusWidget(), Child(cycle.front()));

        // Alt+E belongs to the Extras button while it shows, never to "B&eenden".
        QSignalSpy extra(Window->BtnExtra, &QPushButton::clicked);
        Press(Qt::Key_E, Qt::AltModifier);
        testsupport::PumpEvents();
        ASSERT_FALSE(Window.isNull());
        EXPECT_EQ(Window->CurrentPage(), page);
        EXPECT_EQ(extra.size(), look.HeaderIcon ? 1 : 0);
        // The open menu would take the next key.
        Window->PopMenuExtra->hide();
    }
}

TEST_F(MainWindowTest, HiddenControlsActionsTakeTheirKeysOnlyWhereEnabled) {
    const QString address = QStringLiteral("http://localhost/copy");
    Window->edURL->setEditText(address);
    QGuiApplication::clipboard()->clear();
    for (int page : kWalk) {
        Window->ShowPage(page);
        for (const TakenKey& taken : kTakenKeys) {
            SCOPED_TRACE(testing::Message() << taken.Action << " on page " << page);
            auto* action = Child<QAction>(taken.Action);
            // Enabled also where a focused field would take the key first.
            EXPECT_EQ(action->isEnabled(), taken.TakenOn[page]);
            QSignalSpy triggered(action, &QAction::triggered);
            Press(taken.Key, taken.Modifiers);
            EXPECT_EQ(triggered.size(), taken.TakenOn[page] ? 1 : 0);
        }
        // None of these keys changes the page or closes the window.
        EXPECT_EQ(Window->CurrentPage(), page);
        if (page == TFrmMain::kPageInput) {
            // Ctrl+A and Ctrl+C reached the address field.
            EXPECT_EQ(Window->edURL->lineEdit()->selectedText(), address);
            EXPECT_EQ(QGuiApplication::clipboard()->text(), address);
        }
    }
}

TEST_F(MainWindowTest, NextPassesTheProgressPageToTheFinishPageAndBackKeepsTheAddress) {
    QSignalSpy pages(Window->Notebook, &QStackedWidget::currentChanged);
    RunQueryTo(QStringLiteral("http://localhost:8080/a"));
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[0][0].toInt(), TFrmMain::kPageProgress);
    // The host is not found: the report says so, no message box does.
    EXPECT_GT(Window->ResultView->count(), 0);
    EXPECT_TRUE(Presenter.Shown.empty());

    Window->BtnNext->click();
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageInput);
    EXPECT_EQ(Window->edURL->currentText(), QStringLiteral("http://localhost:8080/a"));
    EXPECT_EQ(QApplication::focusWidget(), Window->edURL);

    // Enter runs the query on the Input page and goes back on the Finish page.
    Press(Qt::Key_Return);
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageFinish);
    Press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageInput);
    // The address field keeps no list of earlier addresses.
    EXPECT_EQ(Window->edURL->count(), 0);
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

// The case: a page, and the way the user quits there (the quit button, Enter
// on it, Escape, closing the window).
class QuitTest : public MainWindowTest,
                 public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(QuitTest, QuitButtonEnterEscapeAndCloseEndTheProgramExceptOnTheProgressPage) {
    const std::function<void()> ways[] = {
        [this] { Window->BtnCancel->click(); },
        [this] {
            Window->BtnCancel->setFocus();
            Press(Qt::Key_Return);
        },
        [this] { Press(Qt::Key_Escape); },
        [this] { EXPECT_EQ(Window->close(), Window->CurrentPage() != TFrmMain::kPageProgress); },
    };
    const auto [page, way] = GetParam();
    if (page == TFrmMain::kPageFinish)
        RunQueryTo(QStringLiteral("http://localhost/"));
    else
        Window->ShowPage(page);
    QFile::remove(SettingsPath());
    ways[way]();
    // An allowed close writes the settings; on the Progress page it only cancels.
    if (page != TFrmMain::kPageProgress) {
        EXPECT_TRUE(WaitClosed());
        EXPECT_TRUE(QFile::exists(SettingsPath()));
    } else {
        testsupport::PumpEvents();
        EXPECT_FALSE(QFile::exists(SettingsPath()));
        ASSERT_FALSE(Window.isNull());
        EXPECT_TRUE(Window->isVisible());
        EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageProgress);
    }
    EXPECT_TRUE(Presenter.Shown.empty());
}

const char* const kPageNames[] = {"InputPage", "ProgressPage", "FinishPage"};
const char* const kQuitWays[] = {"QuitButton", "EnterOnQuit", "Escape", "CloseWindow"};
INSTANTIATE_TEST_SUITE_P(PagesAndWays, QuitTest,
                         ::testing::Combine(::testing::Values(TFrmMain::kPageInput,
                                                              TFrmMain::kPageFinish,
                                                              TFrmMain::kPageProgress),
                                            ::testing::Range(0, 4)),
                         [](const auto& info) {
                             return std::string(kPageNames[std::get<0>(info.param)]) + "_" +
                                    kQuitWays[std::get<1>(info.param)];
                         });

TEST_F(MainWindowTest, EscapeWaitingBehindNextOrBackClosesOnThePageItWasMeantFor) {
    for (int page : {TFrmMain::kPageInput, TFrmMain::kPageFinish}) {
        SCOPED_TRACE(page);
        if (Window.isNull())
            Start();
        if (page == TFrmMain::kPageFinish)
            RunQueryTo(QStringLiteral("http://localhost/"));
        else
            Window->edURL->setEditText(QStringLiteral("http://localhost/"));
        QFile::remove(SettingsPath());
        // Handled when the switch processes the waiting events, before it switches.
        QTimer::singleShot(0, Window,
                           [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); });
        Window->BtnNext->click();
        EXPECT_TRUE(WaitClosed());
        EXPECT_TRUE(QFile::exists(SettingsPath()));
    }
    EXPECT_TRUE(Presenter.Shown.empty());
}

TEST_F(MainWindowTest, AnUnknownPageIsReportedAndChangesNothing) {
    Window->ShowPage(TFrmMain::kPageCount);
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageInput);
    ASSERT_EQ(Presenter.Shown.size(), 1u);
    EXPECT_EQ(Presenter.Shown[0].Text, QStringLiteral("Fehler beim aktualisieren Anzeige.  [88]"));
    EXPECT_EQ(Presenter.Shown[0].Icon, TMsgIcon::Error);
}

TEST_F(MainWindowTest, LaunchOpensTheAddressOnlyOnTheInputPageWithAnAddress) {
    Window->edURL->setEditText(QStringLiteral("http://localhost:8080/page"));
    EXPECT_EQ(Window->BtnExecURL->toolTip(),
              QStringLiteral("Gehe zu \"http://localhost:8080/page\" "));
    Press(Qt::Key_Return, Qt::ControlModifier);
    // The button completes the address and gives the field the focus.
    Window->edURL->setEditText(QStringLiteral("localhost/x"));
    Window->BtnNext->setFocus();
    Window->BtnExecURL->click();
    EXPECT_EQ(QApplication::focusWidget(), Window->edURL);
    const std::vector<QUrl> opened = {QUrl(QStringLiteral("http://localhost:8080/page")),
                                      QUrl(QStringLiteral("http://localhost/x"))};
    EXPECT_EQ(Opened, opened);

    // Without an address, or on another page, the key reaches the focused
    // control and nothing opens.
    Window->edURL->setEditText(QString());
    for (int page : {TFrmMain::kPageInput, TFrmMain::kPageProgress, TFrmMain::kPageFinish}) {
        SCOPED_TRACE(page);
        Window->ShowPage(page);
        EXPECT_FALSE(Window->actLaunchURL->isEnabled());
        Press(Qt::Key_Return, Qt::ControlModifier);
        EXPECT_EQ(Window->CurrentPage(), page);
        Window->edURL->setEditText(QStringLiteral("http://localhost/"));
    }
    EXPECT_EQ(Opened, opened);
    EXPECT_TRUE(Presenter.Shown.empty());
}

TEST_F(MainWindowTest, AltAFocusesTheAddressField) {
    Window->BtnCancel->setFocus();
    Press(Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(testsupport::WaitUntil([] { return QApplication::focusWidget(); }));
    EXPECT_EQ(QApplication::focusWidget(), Window->edURL);
}
