#pragma once

#include <QString>

// The rules of the action that opens the typed address in the web browser.
namespace launchurl {

// The wizard page on which the action works.
inline constexpr int kInputPage = 0;

// The action works only on the Input page with an address typed.
bool Enabled(int currentPage, const QString& address);

// "Gehe zu" + the address in double quotes + one trailing blank.
QString Hint(const QString& address);

// What to open: the typed address, or the maker's web site when none is typed.
QString Target(const QString& address, const QString& siteAddress);

} // namespace launchurl
