// The settings file: the window's position, the help command and the date of
// the last update question, kept between runs.

#include "app/frm_main.h"

#include "ini/ini_plus.h"
#include "util/cp1252.h"
#include "util/zarvo_honk.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>

namespace {

constexpr char kSettingsExtension[] = "ini";

constexpr char kPositionSection[] = "Position";
constexpr char kTopKey[] = "Top";
constexpr char kLeftKey[] = "Left";
// Where the window goes when no position is stored, or when the stored one
// cannot be reached.
constexpr int kDefaultPosition = 100;
// The strip at the top of the frame by which a user drags the window; the
// frame is not known before the window is shown, and window managers draw
// it about this high or higher.
constexpr int kTitleBarHeight = 20;
constexpr char kHelpSection[] = "HelpID";
constexpr char kHelpCommandKey[] = "HelpAppStd_de";
constexpr char kUpdateSection[] = "iUpdate";
constexpr char kLastCheckKey[] = "LastCheck";
// Never equal to a date, so a missing entry counts as not asked yet.
constexpr char kNeverChecked[] = "0";

const QString kReadFailed = QStringLiteral("Fehler beim einlesen der Einstellungen.");
const QString kWriteFailed = QStringLiteral("Fehler beim schreiben der Einstellungen.");
constexpr int kReadErrorNumber = 75;
constexpr int kWriteErrorNumber = 125;

// The stored top-left corner of the frame, unless no part of the title bar
// would lie on a screen: such a window could be neither seen nor moved.
QPoint ReachablePosition(const QPoint& stored, int width) {
    const QRect titleBar(stored, QSize(width, kTitleBarHeight));
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().intersects(titleBar))
            return stored;
    return {kDefaultPosition, kDefaultPosition};
}

} // namespace

QString TFrmMain::SettingsFileName() const {
    return Honk->GetDefaultExt(QLatin1String(kSettingsExtension));
}

void TFrmMain::ReadSettings() {
    try {
        const TIniPlus settings(QFile::encodeName(SettingsFileName()).toStdString());
        const int top = settings.ReadInteger(kPositionSection, kTopKey, kDefaultPosition);
        const int left = settings.ReadInteger(kPositionSection, kLeftKey, kDefaultPosition);
        move(ReachablePosition(QPoint(left, top), frameGeometry().width()));
        FHelpCommand =
            FromCp1252(settings.ReadString(kHelpSection, kHelpCommandKey, kNoHelpCommand));
        FLastCheck = FromCp1252(settings.ReadString(kUpdateSection, kLastCheckKey, kNeverChecked));
    } catch (...) {
        Honk->ShowError(kReadFailed, TZarvoHonk::kKindAskContinue, true, kReadErrorNumber);
    }
    cBoxResultViewStyleChange();
}

void TFrmMain::WriteSettings() {
    try {
        // Loads the whole file, so that sections of other programs survive.
        TIniPlus settings(QFile::encodeName(SettingsFileName()).toStdString());
        settings.WriteInteger(kPositionSection, kTopKey, y());
        settings.WriteInteger(kPositionSection, kLeftKey, x());
        settings.WriteString(kUpdateSection, kLastCheckKey, ToCp1252(FLastCheck));
        settings.UpdateFile();
        ProcessMessages();
    } catch (...) {
        Honk->ShowError(kWriteFailed, TZarvoHonk::kKindAskContinue, false, kWriteErrorNumber);
    }
}
