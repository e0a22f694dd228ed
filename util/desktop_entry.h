#pragma once

// The name an installation gives the program on the desktop: its .desktop
// file, its icon in the icon theme and its AppStream component. The build
// reads it from here for the installed files.
inline constexpr char kDesktopEntryId[] = "example.vendrix.Quorvik";

// The X11 window class (WM_CLASS) of the main window, instance and class
// alike; the desktop entry names it as StartupWMClass, so that a desktop
// matches the window to its entry.
inline constexpr char kWindowClass[] = "quorvik";
