#pragma once

#include <QString>

// Text for the terminal with every control character but tab and line feed
// shown as a visible escape ("\x1b"): C0, DEL and C1. What a server sends
// can then neither move the cursor, clear the screen nor set the title.
QString TerminalText(const QString& text);
