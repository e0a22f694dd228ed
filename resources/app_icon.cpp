#include "resources/app_icon.h"

#include "resources/resource_names.h"

QIcon LoadAppIcon() {
    QIcon icon;
    for (const int size : kAppIconSizes)
        icon.addFile(QLatin1String(kAppIconResource) + QString::number(size), QSize(size, size));
    return icon;
}
