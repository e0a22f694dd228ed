#include "util/data_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace datalocation {

namespace {

QString ChooseFolder() {
    const QString overridden = qEnvironmentVariable(kDataDirVariable);
    if (!overridden.isEmpty())
        return overridden;
    const QString exeFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(exeFolder).isWritable())
        return exeFolder;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/' +
           kVendorFolder;
}

} // namespace

QString DataFolder() {
    const QString folder = QDir::cleanPath(ChooseFolder());
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
