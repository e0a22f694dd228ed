#include "util/data_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace datalocation {

namespace {

QString ChooseFolder(const QString& exeFolder) {
    const QString overridden = qEnvironmentVariable(kDataDirVariable);
    if (!overridden.isEmpty())
        return overridden;
    if (QFileInfo(exeFolder).isWritable())
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
