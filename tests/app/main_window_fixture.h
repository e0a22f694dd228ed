#pragma once

#include "app/action_button.h"
#include "app/entry_point.h"
#include "app/frm_main.h"
#include "controls/combo_box98.h"
#include "http/http_client.h"
#include "net/async_socket.h"
#include "net/resolver.h"
#include "query/result_view.h"
#include "resources/connect_animation.h"
#include "tests/support/event_wait.h"
#include "tests/util/recording_presenter.h"
#include "util/data_location.h"
#include "util/zarvo_honk.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

// Drives the real main window offscreen, started the way the program starts
// it (set-up, settings, menu icons, shown, weekly update question). Message
// boxes, opened addresses and started programs are recorded, the save dialog
// answers SaveAs, the clock is Now, and the settings file and error log live
// in DataDir. Host names are never found; the query waits are zero.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseDataDir();
        Start();
    }
    void TearDown() override {
        delete Window.data();
        testsupport::PumpEvents();
        // No window of the test may be left over, shown or hidden.
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
        qunsetenv(datalocation::kDataDirVariable);
    }
    void UseDataDir() {
        ASSERT_TRUE(DataDir.isValid());
        qputenv(datalocation::kDataDirVariable, QFile::encodeName(DataDir.path()));
    }
    // Starts a window; `beforeStart` runs once it exists, before its set-up.
    void Start(const std::function<void()>& beforeStart = {}) {
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
        // Host names never reach the system resolver (11001: not found).
        Window->HTTP->Socket().Resolver().NameWork = [](const std::string&) {
            return TLookupResult{11001, {}};
        };
        if (beforeStart)
            beforeStart();
        StartMainWindow(Window);
        ASSERT_FALSE(Window.isNull());
        Window->activateWindow();
        ASSERT_TRUE(
            testsupport::WaitUntil([this] { return QApplication::activeWindow() == Window; }));
    }
    // Closes the window as the user does and waits until it is gone.
    void Close() {
        ASSERT_FALSE(Window.isNull());
        Window->close();
        ASSERT_TRUE(WaitClosed());
    }
    bool WaitClosed() {
        return testsupport::WaitUntil([this] { return Window.isNull(); });
    }
    // One key press and release to the widget that has the focus.
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }
    // Runs the Input page's query with `address` up to the Finish page.
    void RunQueryTo(const QString& address) {
        Window->edURL->setEditText(address);
        Window->BtnNext->click();
        ASSERT_EQ(Window->CurrentPage(), TFrmMain::kPageFinish);
    }
    template <typename T = QWidget> T* Child(const QString& name) const {
        return Window->findChild<T*>(name);
    }

    // The test program's name with ".ini", in the data folder.
    QString SettingsPath() const {
        return DataDir.filePath(
            QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".ini");
    }
    QByteArray SettingsText() const { return FileText(SettingsPath()); }
    static QByteArray FileText(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }
    void SetSettingsText(const QByteArray& text) const {
        QFile file(SettingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(text), text.size());
    }

    QTemporaryDir DataDir;
    QPointer<TFrmMain> Window;
    TRecordingPresenter Presenter;
    std::vector<QUrl> Opened;
    // Each started program: its name, then its arguments.
    std::vector<QStringList> Started;
    // The file name that the report's save dialog answers; empty: cancelled.
    QString SaveAs;
    // A Monday, so that no update question comes unless a test wants it.
    QDateTime Now{QDate(2026, 12, 7), QTime(9, 30)};
};

// For tests that prepare the settings file or the clock and start the window.
class UnstartedWindowTest : public MainWindowTest {
protected:
    void SetUp() override { UseDataDir(); }
};
