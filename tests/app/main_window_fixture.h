#pragma once

#include "app/action_button.h"
#include "app/frm_main.h"
#include "controls/combo_box98.h"
#include "query/result_view.h"
#include "resources/connect_animation.h"
#include "tests/util/recording_presenter.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <vector>

// Drives the real main window offscreen: set up, shown and active, with every
// message box recorded and every opened address collected instead of shown.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sends one key press and release to the widget that has the focus.
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Runs the Input page's query with `address` and waits for the Finish page.
    void RunQueryTo(const QString& address);
    // Child of the window by its object name.
    template <typename T = QWidget> T* Child(const char* name) const {
        return Window->findChild<T*>(QLatin1String(name));
    }
    // True once the window has been closed and freed.
    bool WaitClosed();

    // The settings file and the error log go here, not beside the test.
    QTemporaryDir DataDir;
    QPointer<TFrmMain> Window;
    TRecordingPresenter Presenter;
    std::vector<QUrl> Opened;
    // The file name that the report's save dialog answers; empty: cancelled.
    QString SaveAs;
};
