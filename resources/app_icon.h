#pragma once

#include <QIcon>

// The program's icon in every embedded size (kAppIconSizes), so that the
// window system picks the one that fits a title bar, task bar or switcher.
QIcon LoadAppIcon();
