#pragma once

#include <QString>

// The application's title: the main window's caption and the caption of every
// message box; empty until the program sets it. Kept here, not as Qt's
// application display name, because Qt appends that name to the caption of
// every other window the window manager shows ("Über Quorvik — ...").
namespace apptitle {

QString Title();
void SetTitle(const QString& title);

} // namespace apptitle
