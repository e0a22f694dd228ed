#pragma once

#include <QPointer>
#include <QString>

class TFrmMain;
class TMessagePresenter;

// Sets up the freshly created `window` (whose presenter, clock and openers the
// caller may have replaced), reads its settings, puts `address` into the
// address field unless it is empty, loads the menu icons, shows the window
// and asks the weekly update question. Waiting events are processed between
// the steps so that the window paints at once; `window` is cleared when the
// window is closed meanwhile.
void StartMainWindow(QPointer<TFrmMain>& window, const QString& address = {});

// Runs the program in the application object that the caller has created:
// while another copy runs, says so and asks that copy to bring its window to
// the front; otherwise creates, sets up and shows the main window (with
// `address` in the address field, unless it is empty), brings it to the front
// whenever a later copy asks, and runs the event loop until the window is
// closed. Every message box, also that of the refusal and of an unexpected
// failure, goes through `presenter`. Returns the process's exit code, always 0.
int RunQuorvik(TMessagePresenter& presenter, const QString& address = {});
