#pragma once

#include "tests/app/main_window_fixture.h"

#include <QDateTime>
#include <QStringList>

#include <functional>

// The main window started the way the program starts it: set-up, settings,
// menu icons, shown, then the weekly update question. The settings file lives
// in the test's data folder, the clock is `Now`, and started programs are
// collected instead of run.
class StartedWindowTest : public MainWindowTest {
protected:
    // Only the data folder; each test starts its windows itself.
    void SetUp() override;

    // Starts the window through the program's own start sequence; `beforeStart`
    // runs once the window exists, before it is set up.
    void Start(const std::function<void()>& beforeStart = {});
    // Closes the window as the user does and waits until it is gone.
    void Close();

    // The test program's name with ".ini", in the data folder.
    QString SettingsPath() const;
    QByteArray SettingsText() const;
    void SetSettingsText(const QByteArray& text) const;

    // Each started program: its name, then its arguments.
    std::vector<QStringList> Started;
    // A Monday, so that no update question comes unless a test wants it.
    QDateTime Now{QDate(2026, 12, 7), QTime(9, 30)};
};
