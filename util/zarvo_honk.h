#pragma once

#include "util/message_presenter.h"
#include "util/qt_message_presenter.h"
#include "util/zarvo_honk_hardware.h"
#include "util/zarvo_honk_os.h"
#include "util/zarvo_lng.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QIcon;
class QWidget;

// The utility component of the main window: the error display with its error
// log, the program's one clock and message box presenter, system information
// and small helpers. GUI thread only.
//
// Every helper catches its own failures and returns a neutral value (empty
// text, -1, false) instead.
class TZarvoHonk : public QObject {
    Q_OBJECT

public:
    // `ShowError` kinds.
    static constexpr int kKindAskContinue = 1;
    static constexpr int kKindFileNotFound = 2;
    static constexpr int kKindStop = 3;
    // Numbers of the fatal box: the log could not be written / the error box
    // could not be shown.
    static constexpr int kFatalLogNumber = 586;
    static constexpr int kFatalShowNumber = 531;

    explicit TZarvoHonk(QObject* parent = nullptr);
    ~TZarvoHonk() override;

    // Shows one modal box for a failure; the caption is the application
    // title, the owner the window that owns this component. Kind 1 asks
    // whether to continue (Yes/No, error icon, No default) and a No ends the
    // application once control is back in the event loop: the caller's
    // handler still runs to its end. Kind 2 says that
    // the file `Msg` was not found (OK, warning icon), kind 3 is a stop message
    // (OK, error icon), any other kind a warning (OK, warning icon). With
    // `WriteLog` the failure is logged first. Never throws; a box that cannot
    // be shown gives the fatal box 531.
    void ShowError(const QString& Msg, int Kind, bool WriteLog, int Number);

    // Appends "Msg" with "Number" to the error log in the data folder. Never
    // throws; a log that cannot be written gives the fatal box 586 and the
    // line is lost.
    void fWriteError(const QString& Msg, int Number);

    TZarvoLng Language() const { return FLanguage; }
    void SetLanguage(TZarvoLng language) { FLanguage = language; }
    // ltEnglish for lngUS, otherwise ltGerman.
    TLangType fGetMsgLng() const;
    TLangType LanguageMsg() const { return fGetMsgLng(); }

    // The presenter every box of the program goes through. Not owned: it must
    // outlive this component or be replaced first; nullptr restores the
    // QMessageBox presenter.
    void SetPresenter(TMessagePresenter* presenter);
    TMessagePresenter& Presenter() const { return *FPresenter; }

    // The program's one time source (log timestamps, the weekly reminder).
    // Local time; `SetClock` replaces it, an empty function restores it.
    QDateTime Now() const;
    void SetClock(std::function<QDateTime()> clock);

    // Asks the application to end once control returns to the event loop. The
    // loop is left directly, like a quit message: closing the windows again
    // would repeat the close handlers that may have failed just now.
    static void RequestQuit();

    // Build stamp of this component; fixed, whenever the program is built.
    QString Compilierung() const;

    TZarvoHonkOS& OS() { return FOS; }
    TZarvoHonkHardware& Hardware() { return FHardware; }

    // The settings file path: "<data folder>/<executable name>.<Ext>", the
    // executable's extension (if any) replaced.
    QString GetDefaultExt(const QString& Ext) const;
    // `GetDefaultExt` for a given folder and executable file name.
    static QString DefaultExtPath(const QString& folder, const QString& exeFileName,
                                  const QString& ext);

    // True if `Name` is an installed font family, ignoring case.
    bool IsFontInstalled(const QString& Name) const;
    // The face of the program's windows: Tahoma where it is installed, else
    // MS Sans Serif.
    QString DialogFace() const;
    // Replaces the installed-families query (tests fake the installed fonts);
    // an empty function restores QFontDatabase::families().
    void SetFontFamiliesQuery(std::function<QStringList()> query);

    // `GetRegisteredUser` indices.
    static constexpr int kRegisteredOwner = 0;
    static constexpr int kRegisteredOrganization = 1;
    // kRegisteredOwner: the user's full name from the password database (the
    // login name when it is empty); kRegisteredOrganization: $ORGANIZATION;
    // anything else or a failure: "".
    QString GetRegisteredUser(int Index) const;

    // The general helpers.
    static QString ReplaceStr(const QString& Text, const QString& Old, const QString& New);
    static QString Set1000er(qint64 Value);
    static bool IsUpdateAvailable(const QString& Current, const QString& Offered);
    static void DirectHelp(QWidget* Form);
    static bool SetCaptionX(QWidget* Form, bool Enabled);
    static bool DriveReady(int Drive);
    static qint64 GetDiskInfo(const QString& Root, int Kind);
    static QString ExtractFileNameEx(const QString& Path);
    static QIcon GetAssociatedIcon(const QString& File);
    static QString GetAssociatedTitle(const QString& File);
    static qint64 GetFileSize(const QString& File);
    static int GetRandom(int Range);
    static QString GetRegiEXE(const QString& Name);
    static bool IsFileBinary(const QString& File);
    static bool IsFileRTF(const QString& File);
    static bool IsZahlGerade(qint64 N) { return N % 2 == 0; }
    static bool IsTeilbar(qint64 A, qint64 B);
    static bool IsWin95(bool Flag) { return Flag; }
    static QString MakeDirUnique(const QString& Path);
    TMsgButton NoFunction();
    static bool ShowWinGUI(bool On);
    static bool ShowWinWindow(int Part, bool Show);
    static bool TerminateFile(const QString& File);
    // A component's class, name and properties as text, and a new component
    // (owned by the caller) made from such a text; see util/component_text.h.
    // A failure shows "Streaming-Fehler." and gives "" or nullptr.
    QString ComponentToString(const QObject* Component);
    std::unique_ptr<QObject> StringToComponent(const QString& Text);
    // Fonts and message box fonts follow the desktop; nothing to update.
    static void UpdateFonts() {}
    static void Update_sysfntMsgBox() {}

private:
    // Shows the Yes/No box that says a fatal error happened, with `number`;
    // No ends the application. Never throws.
    void ShowFatal(int number);
    // The box of a failed component conversion. Never throws.
    void ShowStreamingFailed();
    // Shows `request` with the application title as caption, owned by this
    // component's window, and returns the button pressed. May throw.
    TMsgButton Present(TMessageBoxRequest request);
    QString Text(const char* german, const char* english) const;

    TZarvoLng FLanguage = lngDE;
    TQtMessagePresenter FQtPresenter;
    TMessagePresenter* FPresenter = &FQtPresenter;
    std::function<QDateTime()> FClock;
    std::function<QStringList()> FFontFamilies;
    TZarvoHonkOS FOS;
    TZarvoHonkHardware FHardware;
};
