#include "query/launch_url.h"

namespace launchurl {

bool Enabled(int currentPage, const QString& address) {
    return currentPage == kInputPage && !address.isEmpty();
}

QString Hint(const QString& address) {
    return QStringLiteral("Gehe zu \"%1\" ").arg(address);
}

QString Target(const QString& address, const QString& siteAddress) {
    return address.isEmpty() ? siteAddress : address;
}

} // namespace launchurl
