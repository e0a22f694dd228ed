#include "tests/app/main_window_fixture.h"

#include "controls/combo_box98.h"
#include "http/http_client.h"
#include "net/async_socket.h"
#include "net/resolver.h"
#include "tests/support/event_wait.h"
#include "util/data_location.h"
#include "util/zarvo_honk.h"

#include <QApplication>
#include <QTest>

namespace {

// The lookup error of a host name that does not exist.
constexpr int kHostNotFound = 11001;

} // namespace

void MainWindowTest::SetUp() {
    qputenv(datalocation::kDataDirVariable, QFile::encodeName(DataDir.path()));
    Window = new TFrmMain;
    Window->Honk->SetPresenter(&Presenter);
    Window->SetUrlOpener([this](const QUrl& url) { Opened.push_back(url); });
    Window->SetSaveFileChooser([this](const QString&) { return SaveAs; });
    Window->SetQueryWaits(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    // Host names never reach the system resolver: a query that is not meant
    // for a scripted server ends at once, whatever runs on this machine.
    Window->HTTP->Socket().Resolver().NameWork = [](const std::string&) {
        return TLookupResult{kHostNotFound, {}};
    };
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
    qunsetenv(datalocation::kDataDirVariable);
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
