#include "tests/app/main_window_fixture.h"

#include "controls/combo_box98.h"
#include "tests/support/event_wait.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

namespace {

// One key of the hidden controls' actions: on which pages the action takes it.
struct TakenKey {
    const char* Action;
    int Key;
    Qt::KeyboardModifiers Modifiers;
    bool TakenOn[TFrmMain::kPageCount];
};

const TakenKey kTakenKeys[] = {
    {"actCopyResultView", Qt::Key_C, Qt::ControlModifier, {false, false, true}},
    {"actSaveResultView", Qt::Key_S, Qt::ControlModifier, {false, false, true}},
    {"actSetDLfilename", Qt::Key_D, Qt::ControlModifier, {true, true, true}},
    {"actOptions", Qt::Key_P, Qt::AltModifier, {true, false, false}},
    {"actResultViewSelecetAll", Qt::Key_A, Qt::ControlModifier, {false, false, false}},
};

} // namespace

TEST_F(MainWindowTest, HiddenControlsActionsTakeTheirKeysOnlyWhereEnabled) {
    for (int page = 0; page < TFrmMain::kPageCount; ++page) {
        Window->ShowPage(page);
        for (const TakenKey& taken : kTakenKeys) {
            SCOPED_TRACE(testing::Message() << taken.Action << " on page " << page);
            QSignalSpy triggered(Child<QAction>(taken.Action), &QAction::triggered);
            Press(taken.Key, taken.Modifiers);
            EXPECT_EQ(triggered.size(), taken.TakenOn[page] ? 1 : 0);
        }
        // None of these keys changes the page or closes the window.
        EXPECT_EQ(Window->CurrentPage(), page);
    }
}

TEST_F(MainWindowTest, CopyAndSelectAllReachTheAddressField) {
    QGuiApplication::clipboard()->clear();
    Window->edURL->setEditText(QStringLiteral("http://localhost/copy"));
    Press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Window->edURL->lineEdit()->selectedText(), QStringLiteral("http://localhost/copy"));
    Press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("http://localhost/copy"));
}

TEST_F(MainWindowTest, CtrlEnterOpensTheAddressOnlyOnTheInputPageWithAnAddress) {
    Window->edURL->setEditText(QStringLiteral("http://localhost:8080/page"));
    EXPECT_EQ(Window->BtnExecURL->toolTip(),
              QStringLiteral("Gehe zu \"http://localhost:8080/page\" "));
    Press(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0], QUrl(QStringLiteral("http://localhost:8080/page")));
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageInput);

    // Without an address the key reaches the field and nothing starts.
    Window->edURL->setEditText(QString());
    EXPECT_FALSE(Window->actLaunchURL->isEnabled());
    Press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageInput);
    EXPECT_TRUE(Presenter.Shown.empty());

    for (int page : {TFrmMain::kPageProgress, TFrmMain::kPageFinish}) {
        SCOPED_TRACE(page);
        Window->edURL->setEditText(QStringLiteral("http://localhost/"));
        Window->ShowPage(page);
        EXPECT_FALSE(Window->actLaunchURL->isEnabled());
        Press(Qt::Key_Return, Qt::ControlModifier);
        EXPECT_EQ(Opened.size(), 1u);
        EXPECT_EQ(Window->CurrentPage(), page);
    }
}

TEST_F(MainWindowTest, LaunchButtonOpensTheAddressAndFocusesTheField) {
    Window->edURL->setEditText(QStringLiteral("localhost/x"));
    Window->BtnNext->setFocus();
    Window->BtnExecURL->click();
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0], QUrl(QStringLiteral("http://localhost/x")));
    EXPECT_EQ(QApplication::focusWidget(), Window->edURL);
}

TEST_F(MainWindowTest, AltAFocusesTheAddressField) {
    Window->BtnCancel->setFocus();
    Press(Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(testsupport::WaitUntil([] { return QApplication::focusWidget(); }));
    EXPECT_EQ(QApplication::focusWidget(), Window->edURL);
}

TEST_F(MainWindowTest, AltEBelongsToTheExtrasButtonWhileItIsShown) {
    QSignalSpy extra(Window->BtnExtra, &QPushButton::clicked);
    for (int page : {TFrmMain::kPageInput, TFrmMain::kPageFinish, TFrmMain::kPageProgress}) {
        SCOPED_TRACE(page);
        Window->ShowPage(page);
        extra.clear();
        Press(Qt::Key_E, Qt::AltModifier);
        testsupport::PumpEvents();
        // Never the "B&eenden" button sharing the mnemonic, never a close.
        ASSERT_FALSE(Window.isNull());
        EXPECT_EQ(Window->CurrentPage(), page);
        EXPECT_EQ(extra.size(), page == TFrmMain::kPageProgress ? 0 : 1);
        // The open menu would take the next key.
        Window->PopMenuExtra->hide();
    }
}
