#pragma once

class TMessagePresenter;

// Runs the program in the application object that the caller has created:
// refuses to start while another copy runs, then creates, sets up and shows
// the main window and runs the event loop until the window is closed. Every
// message box, also that of the refusal and of an unexpected failure, goes
// through `presenter`. Returns the process's exit code, always 0.
int RunQuorvik(TMessagePresenter& presenter);
