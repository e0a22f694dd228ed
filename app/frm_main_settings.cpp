// The settings file: the window's position, the help command and the date of
// the last update question, kept between runs.

#include "app/frm_main.h"

#include "ini/ini_plus.h"
#include "util/cp1252.h"
#include "util/zarvo_honk.h"

#include <QFile>

namespace {

constexpr char kSettingsExtension[] = "ini";

constexpr char kPositionSection[] = "Position";
constexpr char kTopKey[] = "Top";
constexpr char kLeftKey[] = "Left";
// Where the window goes when no position is stored.
constexpr int kDefaultPosition = 100;
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

} // namespace

QString TFrmMain::SettingsFileName() const {
    return Honk->GetDefaultExt(QLatin1String(kSettingsExtension));
}

void TFrmMain::ReadSettings() {
    try {
        const TIniPlus settings(QFile::encodeName(SettingsFileName()).toStdString());
        // Applied as stored, even far off the screen: the window manager has
        // the last word on where a window goes.
        const int top = settings.ReadInteger(kPositionSection, kTopKey, kDefaultPosition);
        const int left = settings.ReadInteger(kPositionSection, kLeftKey, kDefaultPosition);
        move(left, top);
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
