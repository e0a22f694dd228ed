#pragma once

class QWidget;

// Tells an X11 window manager what Qt leaves out about a fixed-size window;
// does nothing on other platforms:
// - Motif hints that allow moving, minimising and closing, but neither
//   resizing nor maximising (Qt always allows resizing there, and some window
//   managers then draw a maximise button that does nothing);
// - the window class kWindowClass (instance and class), which the desktop
//   entry names as StartupWMClass whatever the executable is called.
// Call once the native window exists and before it is shown: window managers
// read both when the window is mapped.
void SetX11WindowHints(QWidget& window);
