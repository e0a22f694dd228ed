#include "tests/app/started_window_fixture.h"

#include "app/entry_point.h"
#include "tests/support/event_wait.h"
#include "util/data_location.h"
#include "util/zarvo_honk.h"

#include <QFile>
#include <QFileInfo>

void StartedWindowTest::SetUp() {
    ASSERT_TRUE(DataDir.isValid());
    qputenv(datalocation::kDataDirVariable, QFile::encodeName(DataDir.path()));
}

void StartedWindowTest::Start(const std::function<void()>& beforeStart) {
    ASSERT_TRUE(Window.isNull()) << "one window at a time";
    Window = new TFrmMain;
    Window->Honk->SetPresenter(&Presenter);
    Window->Honk->SetClock([this] { return Now; });
    Window->SetUrlOpener([this](const QUrl& url) { Opened.push_back(url); });
    Window->SetHelpStarter([this](const QString& program, const QStringList& arguments) {
        Started.push_back(QStringList{program} + arguments);
        return true;
    });
    if (beforeStart)
        beforeStart();
    StartMainWindow(Window);
    ASSERT_FALSE(Window.isNull());
    Window->activateWindow();
    ASSERT_TRUE(testsupport::WaitUntil([this] { return QApplication::activeWindow() == Window; }));
}

void StartedWindowTest::Close() {
    ASSERT_FALSE(Window.isNull());
    Window->close();
    ASSERT_TRUE(WaitClosed());
}

QString StartedWindowTest::SettingsPath() const {
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return DataDir.filePath(program + QStringLiteral(".ini"));
}

QByteArray StartedWindowTest::SettingsText() const {
    QFile file(SettingsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

void StartedWindowTest::SetSettingsText(const QByteArray& text) const {
    QFile file(SettingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(text), text.size());
}
