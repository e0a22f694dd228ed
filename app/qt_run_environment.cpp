#include "app/qt_run_environment.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QSettings>

namespace {

// Qt's German texts, from the translations Qt is installed with.
constexpr char kQtTextsFile[] = "qtbase_de";

} // namespace

TQtRunEnvironment::TQtRunEnvironment() {
    // Without the file Qt's texts stay English; everything else works.
    if (FQtTexts.load(QLatin1String(kQtTextsFile),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&FQtTexts);
    else
        qWarning("Qt's German texts (%s) were not found", kQtTextsFile);
    if (FQtSettings.isValid())
        for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, FQtSettings.path());
}

TQtRunEnvironment::~TQtRunEnvironment() {
    QCoreApplication::removeTranslator(&FQtTexts);
}
