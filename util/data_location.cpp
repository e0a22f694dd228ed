#include "util/data_location.h"

#include "util/desktop_entry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace datalocation {

namespace {

// Where an installation puts the desktop entry, seen from the programs' folder.
constexpr char kInstalledEntryFolder[] = "/../share/applications/";

// An installed copy is recognised by its desktop entry beside it, so that
// root, who may write to the programs' folder, does not fill it either.
bool IsInstalled(const QString& exeFolder) {
    return QFileInfo::exists(exeFolder + QLatin1String(kInstalledEntryFolder) +
                             QLatin1String(kDesktopEntryId) + QStringLiteral(".desktop"));
}

QString ChooseFolder(const QString& exeFolder) {
    const QString overridden = qEnvironmentVariable(kDataDirVariable);
    if (!overridden.isEmpty())
        return overridden;
    if (QFileInfo(exeFolder).isWritable() && !IsInstalled(exeFolder))
        return exeFolder;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/' +
           kVendorFolder;
}

} // namespace

QString DataFolder() {
    return DataFolderFor(QCoreApplication::applicationDirPath());
}

QString DataFolderFor(const QString& exeFolder) {
    const QString folder = QDir::cleanPath(ChooseFolder(exeFolder));
    QDir().mkpath(folder);
    return folder;
}

QString DataFilePath(const QString& fileName) {
    return DataFolder() + '/' + fileName;
}

QString ExecutableFileName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

} // namespace datalocation
