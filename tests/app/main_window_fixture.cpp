#include "tests/app/main_window_fixture.h"

#include "controls/combo_box98.h"
#include "tests/support/event_wait.h"
#include "util/zarvo_honk.h"

#include <QApplication>
#include <QTest>

void MainWindowTest::SetUp() {
    Window = new TFrmMain;
    Window->Honk->SetPresenter(&Presenter);
    Window->SetUrlOpener([this](const QUrl& url) { Opened.push_back(url); });
    Window->SetupWindow();
    Window->show();
    Window->activateWindow();
    ASSERT_TRUE(testsupport::WaitUntil([this] { return QApplication::activeWindow() == Window; }));
}

void MainWindowTest::TearDown() {
    delete Window.data();
    testsupport::PumpEvents();
    // No window of the test may be left over, shown or hidden.
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

void MainWindowTest::Press(int key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

void MainWindowTest::RunQueryTo(const QString& address) {
    Window->edURL->setEditText(address);
    Window->BtnNext->click();
    ASSERT_EQ(Window->CurrentPage(), TFrmMain::kPageFinish);
}

bool MainWindowTest::WaitClosed() {
    return testsupport::WaitUntil([this] { return Window.isNull(); });
}
