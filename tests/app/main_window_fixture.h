#pragma once

#include "app/action_button.h"
#include "app/frm_main.h"
#include "controls/combo_box98.h"
#include "query/result_view.h"
#include "resources/connect_animation.h"
#include "tests/util/recording_presenter.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QStringList>
#include <QTemporaryDir>
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
    void SetUp() override;
    void TearDown() override;

    // Points the program's data folder at DataDir.
    void UseDataDir();
    // Starts a window; `beforeStart` runs once it exists, before its set-up.
    void Start(const std::function<void()>& beforeStart = {});
    // Closes the window as the user does and waits until it is gone.
    void Close();
    // True once the window has been closed and freed.
    bool WaitClosed();
    // Sends one key press and release to the widget that has the focus.
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Runs the Input page's query with `address` and waits for the Finish page.
    void RunQueryTo(const QString& address);
    template <typename T = QWidget> T* Child(const QString& name) const {
        return Window->findChild<T*>(name);
    }

    // The test program's name with ".ini", in the data folder.
    QString SettingsPath() const;
    QByteArray SettingsText() const;
    void SetSettingsText(const QByteArray& text) const;

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

// For tests that prepare the settings file or the clock and then start the
// window themselves.
class UnstartedWindowTest : public MainWindowTest {
protected:
    void SetUp() override { UseDataDir(); }
};
