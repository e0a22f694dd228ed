#pragma once

// The name an installation gives the program on the desktop: its .desktop
// file, its icon in the icon theme and its AppStream component. The build
// reads it from here for the installed files.
inline constexpr char kDesktopEntryId[] = "example.vendrix.Quorvik";
