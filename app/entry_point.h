#pragma once

#include <QPointer>

class TFrmMain;
class TMessagePresenter;

// Sets up the freshly created `window` (whose presenter, clock and openers the
// caller may have replaced), reads its settings, loads the menu icons, shows
// it and asks the weekly update question. Waiting events are processed
// between the steps so that the window paints at once; `window` is cleared
// when the window is closed meanwhile.
void StartMainWindow(QPointer<TFrmMain>& window);

// Runs the program in the application object that the caller has created:
// refuses to start while another copy runs, then creates, sets up and shows
// the main window and runs the event loop until the window is closed. Every
// message box, also that of the refusal and of an unexpected failure, goes
// through `presenter`. Returns the process's exit code, always 0.
int RunQuorvik(TMessagePresenter& presenter);
