#pragma once

#include "util/zarvo_lng.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

class QWidget;
class TZarvoHonk;

// The about box as a component: its properties hold what the box shows, and
// `Execute` builds the window, shows it modally and destroys it again. The
// window closes only through OK (also Enter and Escape), which counts as a
// success, and Ctrl+D, which does not. GUI thread only.
class TZarvoAboutDlg : public QObject {
    Q_OBJECT

public:
    // Opens an address with the system's default handler; the result is ignored.
    using TUrlOpener = std::function<bool(const QUrl&)>;

    // `honk` supplies the clock, the screen's colour depth and the installed
    // fonts; it is not owned and must outlive this component. When `parent`
    // is a widget, the box is centred on its window.
    explicit TZarvoAboutDlg(TZarvoHonk& honk, QObject* parent = nullptr);
    ~TZarvoAboutDlg() override;

    // Shows the box modally. True when it was closed with OK, Enter or
    // Escape; false for Ctrl+D or when the box could not be built or shown.
    bool Execute();

    // Caption and big title; when empty at `Execute`, the application title
    // is used and stored here.
    QString Product() const { return FProduct; }
    void SetProduct(const QString& product) { FProduct = product; }
    QString Version() const { return FVersion; }
    void SetVersion(const QString& version) { FVersion = version; }
    // The two lines under the licensee label.
    QString User() const { return FUser; }
    void SetUser(const QString& user) { FUser = user; }
    QString UserCompany() const { return FUserCompany; }
    void SetUserCompany(const QString& company) { FUserCompany = company; }
    // True: show the program's own icon (the owner window's icon, else the
    // application's). False: show `Icon`. In both cases an empty icon falls
    // back to the default picture.
    bool ExtractExeIcon() const { return FExtractExeIcon; }
    void SetExtractExeIcon(bool extract) { FExtractExeIcon = extract; }
    QIcon Icon() const { return FIcon; }
    void SetIcon(const QIcon& icon) { FIcon = icon; }
    // Kept for the caller's configuration; the box draws a plain title.
    bool GradTitle() const { return FGradTitle; }
    void SetGradTitle(bool gradTitle) { FGradTitle = gradTitle; }
    // Language of the box's fixed texts.
    TZarvoLng Language() const { return FLanguage; }
    void SetLanguage(TZarvoLng language) { FLanguage = language; }

    // Replaces the way the links open their addresses (tests record them);
    // an empty function restores QDesktopServices::openUrl.
    void SetUrlOpener(TUrlOpener opener);

private:
    // Builds, fills and runs the window; may throw.
    bool Run();
    // The icon shown on the frame; null when the default picture is to be used.
    QIcon ProductIcon() const;
    // The last year of the rights line: this year, but never before the
    // box was written.
    int RightsYear() const;
    // Hands `url` to the opener; a failure is only logged.
    void OpenLink(const QUrl& url) const;
    QWidget* OwnerWindow() const;

    TZarvoHonk& FHonk;
    TUrlOpener FOpenUrl;
    QString FProduct;
    QString FVersion;
    QString FUser;
    QString FUserCompany;
    bool FExtractExeIcon = true;
    QIcon FIcon;
    bool FGradTitle = false;
    TZarvoLng FLanguage = lngDE;
};
