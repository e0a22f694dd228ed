#include "util/zarvo_honk.h"

#include "util/app_title.h"
#include "util/component_text.h"
#include "util/data_location.h"
#include "util/error_log.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QWidget>
#include <QtGlobal>
#include <cerrno>
#include <pwd.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr char kAskContinueDE[] = "%1  [%2]\n\nMöchten Sie die Anwendung fortsetzen?";
constexpr char kAskContinueUS[] = "%1  [%2]\n\nDo you want to continue?";
constexpr char kFileNotFoundDE[] = "Konnte Datei \"%1\" nicht finden.  [%2]";
constexpr char kFileNotFoundUS[] = "File \"%1\" not found.  [%2]";
constexpr char kPlain[] = "%1  [%2]";
constexpr char kFatalDE[] = "Schwerer Fehler beim erstellen der Error-Log Datei.  [%1]\n\n"
                            "Möchten Sie die Anwendung fortsetzen?";
constexpr char kFatalUS[] = "Fatal error while creating the error log file.  [%1]\n\n"
                            "Do you want to continue?";
// The component's build stamp, "Mmm dd yyyy  (hh:mm:ss Uhr)".
constexpr char kBuildStamp[] = "Jun 16 2001  (19:37:39 Uhr)";
constexpr char kStreamingFailed[] = "Streaming-Fehler.";
constexpr char kNoFunctionText[] = "Dat funzt im Moment noch nich...  :-)";
constexpr char kPreferredFace[] = "Tahoma";
constexpr char kFallbackFace[] = "MS Sans Serif";
constexpr char kOrganizationVariable[] = "ORGANIZATION";
// Start and largest size of the buffer for one password database entry.
constexpr std::size_t kPasswdBufferSize = 4096;
constexpr std::size_t kPasswdBufferMax = 1 << 20;

// The Yes/No box that asks whether to go on after a failure; No is the default
// so that a hasty Enter keeps the application running.
TMessageBoxRequest AskContinueBox(QString text) {
    TMessageBoxRequest request;
    request.Text = std::move(text);
    request.Icon = TMsgIcon::Error;
    request.Buttons = TMsgButtons::YesNo;
    request.DefaultButton = TMsgButton::No;
    return request;
}

TMessageBoxRequest OkBox(QString text, TMsgIcon icon) {
    TMessageBoxRequest request;
    request.Text = std::move(text);
    request.Icon = icon;
    request.Buttons = TMsgButtons::Ok;
    return request;
}

} // namespace

TZarvoHonk::TZarvoHonk(QObject* parent) : QObject(parent) {}

TZarvoHonk::~TZarvoHonk() = default;

QString TZarvoHonk::Text(const char* german, const char* english) const {
    return QString::fromUtf8(FLanguage == lngUS ? english : german);
}

void TZarvoHonk::ShowError(const QString& Msg, int Kind, bool WriteLog, int Number) {
    if (WriteLog)
        fWriteError(Msg, Number);
    try {
        const QString number = QString::number(Number);
        TMessageBoxRequest request;
        // Both placeholders are filled in one pass, so a "%2" inside the
        // message is shown as it is.
        switch (Kind) {
        case kKindAskContinue:
            request = AskContinueBox(Text(kAskContinueDE, kAskContinueUS).arg(Msg, number));
            break;
        case kKindFileNotFound:
            request =
                OkBox(Text(kFileNotFoundDE, kFileNotFoundUS).arg(Msg, number), TMsgIcon::Warning);
            break;
        case kKindStop:
            request = OkBox(QString::fromUtf8(kPlain).arg(Msg, number), TMsgIcon::Error);
            break;
        default:
            request = OkBox(QString::fromUtf8(kPlain).arg(Msg, number), TMsgIcon::Warning);
            break;
        }
        if (Present(std::move(request)) == TMsgButton::No && Kind == kKindAskContinue)
            RequestQuit();
    } catch (...) {
        ShowFatal(kFatalShowNumber);
    }
}

void TZarvoHonk::fWriteError(const QString& Msg, int Number) {
    try {
        const TErrorLog log(datalocation::DataFilePath(TErrorLog::kFileName),
                            datalocation::ExecutableFileName());
        log.Append(Now(), Number, Msg);
    } catch (...) {
        ShowFatal(kFatalLogNumber);
    }
}

void TZarvoHonk::ShowFatal(int number) {
    try {
        TMessageBoxRequest request =
            AskContinueBox(Text(kFatalDE, kFatalUS).arg(QString::number(number)));
        request.SystemModal = true;
        if (Present(std::move(request)) == TMsgButton::No)
            RequestQuit();
    } catch (...) {
        // Nothing is left to report with; the caller must go on regardless.
        qWarning("TZarvoHonk: the fatal error box [%d] could not be shown", number);
    }
}

TMsgButton TZarvoHonk::Present(TMessageBoxRequest request) {
    request.Caption = apptitle::Title();
    // The boxes belong to the window that owns this component.
    request.Owner = qobject_cast<QWidget*>(parent());
    return FPresenter->Show(request);
}

TLangType TZarvoHonk::fGetMsgLng() const {
    return FLanguage == lngUS ? ltEnglish : ltGerman;
}

void TZarvoHonk::SetPresenter(TMessagePresenter* presenter) {
    FPresenter = presenter ? presenter : &FQtPresenter;
}

QDateTime TZarvoHonk::Now() const {
    return FClock ? FClock() : QDateTime::currentDateTime();
}

void TZarvoHonk::SetClock(std::function<QDateTime()> clock) {
    FClock = std::move(clock);
}

void TZarvoHonk::RequestQuit() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app)
        QMetaObject::invokeMethod(
            app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

QString TZarvoHonk::Compilierung() const {
    return QString::fromLatin1(kBuildStamp);
}

QString TZarvoHonk::GetDefaultExt(const QString& Ext) const {
    return DefaultExtPath(datalocation::DataFolder(), datalocation::ExecutableFileName(), Ext);
}

QString TZarvoHonk::DefaultExtPath(const QString& folder, const QString& exeFileName,
                                   const QString& ext) {
    // A leading dot starts a hidden name, not an extension.
    const qsizetype dot = exeFileName.lastIndexOf('.');
    const QString base = dot > 0 ? exeFileName.left(dot) : exeFileName;
    return folder + '/' + base + '.' + ext;
}

bool TZarvoHonk::IsFontInstalled(const QString& Name) const {
    const QStringList families = FFontFamilies ? FFontFamilies() : QFontDatabase::families();
    return families.contains(Name, Qt::CaseInsensitive);
}

QString TZarvoHonk::DialogFace() const {
    const QString preferred = QString::fromLatin1(kPreferredFace);
    return IsFontInstalled(preferred) ? preferred : QString::fromLatin1(kFallbackFace);
}

void TZarvoHonk::SetFontFamiliesQuery(std::function<QStringList()> query) {
    FFontFamilies = std::move(query);
}

QString TZarvoHonk::GetRegisteredUser(int Index) const {
    if (Index == kRegisteredOrganization)
        return qEnvironmentVariable(kOrganizationVariable);
    if (Index != kRegisteredOwner)
        return {};
    std::vector<char> buffer(kPasswdBufferSize);
    passwd entry{};
    passwd* found = nullptr;
    while (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < kPasswdBufferMax)
        buffer.resize(buffer.size() * 2);
    if (!found)
        return {};
    // The comment field holds "full name,room,phone,...".
    const QString fullName = QString::fromLocal8Bit(found->pw_gecos).section(',', 0, 0).trimmed();
    return fullName.isEmpty() ? QString::fromLocal8Bit(found->pw_name) : fullName;
}

TMsgButton TZarvoHonk::NoFunction() {
    try {
        return Present(OkBox(QString::fromUtf8(kNoFunctionText), TMsgIcon::None));
    } catch (...) {
        return TMsgButton::None;
    }
}

QString TZarvoHonk::ComponentToString(const QObject* Component) {
    try {
        if (Component)
            return componenttext::ToText(*Component);
    } catch (...) {
    }
    ShowStreamingFailed();
    return {};
}

std::unique_ptr<QObject> TZarvoHonk::StringToComponent(const QString& Text) {
    try {
        return componenttext::FromText(Text);
    } catch (...) {
        ShowStreamingFailed();
        return nullptr;
    }
}

void TZarvoHonk::ShowStreamingFailed() {
    try {
        Present(OkBox(QString::fromUtf8(kStreamingFailed), TMsgIcon::Error));
    } catch (...) {
        // The caller gets its neutral result all the same.
    }
}
