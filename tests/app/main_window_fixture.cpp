#include "tests/app/main_window_fixture.h"

#include "app/entry_point.h"
#include "http/http_client.h"
#include "net/async_socket.h"
#include "net/resolver.h"
#include "tests/support/event_wait.h"
#include "util/data_location.h"
#include "util/zarvo_honk.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

// The lookup error of a host name that does not exist.
constexpr int kHostNotFound = 11001;

} // namespace

void MainWindowTest::SetUp() {
    UseDataDir();
    Start();
}

void MainWindowTest::TearDown() {
    delete Window.data();
    testsupport::PumpEvents();
    // No window of the test may be left over, shown or hidden.
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    qunsetenv(datalocation::kDataDirVariable);
}

void MainWindowTest::UseDataDir() {
    ASSERT_TRUE(DataDir.isValid());
    qputenv(datalocation::kDataDirVariable, QFile::encodeName(DataDir.path()));
}

void MainWindowTest::Start(const std::function<void()>& beforeStart) {
    ASSERT_TRUE(Window.isNull()) << "one window at a time";
    Window = new TFrmMain;
    Window->Honk->SetPresenter(&Presenter);
    Window->Honk->SetClock([this] { return Now; });
    Window->SetUrlOpener([this](const QUrl& url) { Opened.push_back(url); });
    Window->SetHelpStarter([this](const QString& program, const QStringList& arguments) {
        Started.push_back(QStringList{program} + arguments);
        return true;
    });
    Window->SetSaveFileChooser([this](const QString&) { return SaveAs; });
    Window->SetQueryWaits(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    // Host names never reach the system resolver: a query that is not meant
    // for a scripted server ends at once, whatever runs on this machine.
    Window->HTTP->Socket().Resolver().NameWork = [](const std::string&) {
        return TLookupResult{kHostNotFound, {}};
    };
    if (beforeStart)
        beforeStart();
    StartMainWindow(Window);
    ASSERT_FALSE(Window.isNull());
    Window->activateWindow();
    ASSERT_TRUE(testsupport::WaitUntil([this] { return QApplication::activeWindow() == Window; }));
}

void MainWindowTest::Close() {
    ASSERT_FALSE(Window.isNull());
    Window->close();
    ASSERT_TRUE(WaitClosed());
}

bool MainWindowTest::WaitClosed() {
    return testsupport::WaitUntil([this] { return Window.isNull(); });
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

QString MainWindowTest::SettingsPath() const {
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return DataDir.filePath(program + QStringLiteral(".ini"));
}

QByteArray MainWindowTest::SettingsText() const {
    QFile file(SettingsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

void MainWindowTest::SetSettingsText(const QByteArray& text) const {
    QFile file(SettingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(text), text.size());
}
