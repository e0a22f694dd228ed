// The Extras menu: help, the about box, the update question and the maker's
// web pages, all handed to the desktop; and the advert banner's link.

#include "app/frm_main.h"

#include "app/click_watcher.h"
#include "app/popup_menu.h"
#include "app/product.h"
#include "app/uncaught_failure.h"
#include "query/query_client_settings.h"
#include "resources/resource_names.h"
#include "util/maker.h"
#include "util/zarvo_about_dlg.h"
#include "util/zarvo_honk.h"

#include <QAction>
#include <QDate>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include <utility>

namespace {

// Paths below the maker's site. The version check is asked for in lower case.
constexpr char kUpdatePath[] = "/cgi-bin/update.cgi?app=Quorvik&ver=1010";
constexpr char kSupportPath[] = "/cgi-bin/w.pl?t=support";
constexpr char kWebPath[] = "/de/";
// The advert names the professional edition: the product in lower case and "pro".
constexpr char kAdvertPath[] = "/cgi-bin/w.pl?t=";
constexpr char kAdvertEdition[] = "pro";

const QString kUpdateCaption = QStringLiteral("Quorvik Internet-Update");
const QString kUpdateQuestion = QStringLiteral(
    "Per Internet-Update können Sie schnell und bequem überprüfen, ob eine neue Version oder "
    "eine Fehlerbereinigung für Quorvik verfügbar ist.\n\nUm diese Funktion nutzen zu können, "
    "müssen Sie mit dem Internet verbunden sein.\n\nSind Sie im Moment online?");

const QString kMenuFailed = QStringLiteral("Fehler beim anzeigen des Menüs.");
const QString kHelpFailed = QStringLiteral("Fehler beim starten der Hilfe.");
const QString kAboutFailed = QStringLiteral("Fehler beim anzeigen des Info-Dialogs.");
const QString kUpdateFailed = QStringLiteral("Fehler beim überprüfen der Version im Web.");
const QString kUrlFailed = QStringLiteral("Fehler beim anzeigen der URL.");
const QString kMailFailed = QStringLiteral("Fehler beim anzeigen der Mailadresse.");
constexpr int kMenuErrorNumber = 192;
constexpr int kHelpErrorNumber = 867;
constexpr int kAboutErrorNumber = 887;
constexpr int kUpdateErrorNumber = 907;
constexpr int kSupportErrorNumber = 915;
constexpr int kWebErrorNumber = 922;
constexpr int kMailErrorNumber = 929;

// The menu opens this many button heights below the button's top, measured
// from the outer window's corner.
constexpr int kMenuDropHeights = 2;
// Pixels between the menu's frame and its opening line.
constexpr int kMenuTopGap = 2;

QString SiteAddress(const char* path) {
    return QLatin1String(kMakerSiteUrl) + QLatin1String(path);
}

bool StartDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

// The form in which the date of the last update question is kept.
QString ShortDateText(const QDate& date) {
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

} // namespace

void TFrmMain::CreateExtrasMenu() {
    FHelpCommand = QLatin1String(kNoHelpCommand);
    FHelpStarter = StartDetached;

    AboutDlg = new TZarvoAboutDlg(*Honk, this);
    // The box's links go the way of every other address of the window.
    AboutDlg->SetUrlOpener([this](const QUrl& url) {
        FUrlOpener(url);
        return true;
    });

    actHelp = NewAction("actHelp", QStringLiteral("Online-&Hilfe"));
    actHelp->setShortcut(QKeySequence(Qt::Key_F1));
    actAbout = NewAction("actAbout", QStringLiteral("Übe&r ..."));
    actAbout->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F1));
    actNetUpdate = NewAction("actNetUpdate", QStringLiteral("Suche nach &Update"));
    actNetSupport = NewAction("actNetSupport", QStringLiteral("Online-&Support"));
    actNetWeb = NewAction("actNetWeb", QStringLiteral("Vendrix im &Web"));
    actNetEMail = NewAction("actNetEMail", QStringLiteral("E-&Mail an Vendrix"));
    connect(actHelp, &QAction::triggered, this, &TFrmMain::actHelpExec);
    connect(actAbout, &QAction::triggered, this, &TFrmMain::actAboutExec);
    connect(actNetUpdate, &QAction::triggered, this, &TFrmMain::actNetUpdateExec);
    connect(actNetSupport, &QAction::triggered, this, &TFrmMain::actNetSupportExec);
    connect(actNetWeb, &QAction::triggered, this, &TFrmMain::actNetWebExec);
    connect(actNetEMail, &QAction::triggered, this, &TFrmMain::actNetEMailExec);

    PopMenuExtra = new TPopupMenu(this);
    PopMenuExtra->setObjectName(QStringLiteral("PopMenuExtra"));
    // The menu opens with a line, as the hidden options item above it had one.
    // The style draws a separator on the middle row of its two, which for the
    // first item is the frame's own top row; a gap keeps the line in sight.
    PopMenuExtra->setSeparatorsCollapsible(false);
    PopMenuExtra->setContentsMargins(0, kMenuTopGap, 0, 0);
    PopMenuExtra->addSeparator()->setObjectName(QStringLiteral("mnuTrenner2"));
    PopMenuExtra->addAction(actHelp);
    PopMenuExtra->addAction(actAbout);
    PopMenuExtra->addSeparator()->setObjectName(QStringLiteral("mnuTrenner3"));
    PopMenuExtra->addAction(actNetUpdate);
    PopMenuExtra->addAction(actNetSupport);
    PopMenuExtra->addSeparator()->setObjectName(QStringLiteral("mnuTrenner4"));
    PopMenuExtra->addAction(actNetWeb);
    PopMenuExtra->addAction(actNetEMail);
    connect(BtnExtra, &QPushButton::clicked, this, &TFrmMain::BtnExtraClick);

    new TClickWatcher(imgWerbung, [this] {
        // The banner has no failure message of its own; what goes wrong there
        // is shown with its own text, and the program goes on.
        try {
            z561456154();
        } catch (...) {
            ShowUncaught(Honk->Presenter());
        }
    });
}

void TFrmMain::SetHelpStarter(TProgramStarter starter) {
    FHelpStarter = starter ? std::move(starter) : TProgramStarter(StartDetached);
}

void TFrmMain::ApplyMenuIcons() {
    // The strip is loaded after the menu exists; an icon missing from it
    // leaves its item without one.
    const std::pair<QAction*, int> icons[] = {{actHelp, kMenuIconHelp},
                                              {actAbout, kMenuIconAbout},
                                              {actNetWeb, kMenuIconWeb},
                                              {actNetEMail, kMenuIconEMail}};
    for (const auto& [action, index] : icons)
        action->setIcon(index < imgListToolbar.size() ? imgListToolbar[index] : QIcon());
}

void TFrmMain::BtnExtraClick() {
    try {
        ApplyMenuIcons();
        // The outer window's corner (title bar and border included).
        const QPoint corner = pos();
        PopMenuExtra->popup(
            QPoint(corner.x() + BtnExtra->x(),
                   corner.y() + BtnExtra->y() + kMenuDropHeights * BtnExtra->height()));
    } catch (...) {
        Honk->ShowError(kMenuFailed, TZarvoHonk::kKindStop, false, kMenuErrorNumber);
    }
}

void TFrmMain::actHelpExec() {
    try {
        StartHelp();
    } catch (...) {
        Honk->ShowError(kHelpFailed, TZarvoHonk::kKindStop, false, kHelpErrorNumber);
    }
}

void TFrmMain::StartHelp() {
    if (FHelpCommand == QLatin1String(kNoHelpCommand))
        return;
    QStringList arguments = QProcess::splitCommand(FHelpCommand);
    if (arguments.isEmpty())
        return;
    const QString program = arguments.takeFirst();
    // A program that cannot be started shows nothing, like a missing one.
    FHelpStarter(program, arguments);
}

void TFrmMain::actAboutExec() {
    try {
        AboutDlg->SetProduct(QLatin1String(queryclient::kProductName));
        AboutDlg->SetVersion(QLatin1String("Version ") +
                             QLatin1String(queryclient::kProductVersion));
        AboutDlg->SetUser(Honk->GetRegisteredUser(TZarvoHonk::kRegisteredOwner));
        AboutDlg->SetUserCompany(Honk->GetRegisteredUser(TZarvoHonk::kRegisteredOrganization));
        AboutDlg->Execute();
    } catch (...) {
        Honk->ShowError(kAboutFailed, TZarvoHonk::kKindStop, false, kAboutErrorNumber);
    }
}

void TFrmMain::RemindOfUpdate() {
    const QDate today = Honk->Now().date();
    if (today.dayOfWeek() == Qt::Wednesday && FLastCheck != ShortDateText(today))
        actNetUpdateExec();
}

void TFrmMain::actNetUpdateExec() {
    try {
        const QUrl address(SiteAddress(kUpdatePath).toLower());
        // Asked counts, whatever the answer: no second question today.
        FLastCheck = ShortDateText(Honk->Now().date());
        TMessageBoxRequest question{kUpdateCaption, kUpdateQuestion, TMsgIcon::Question,
                                    TMsgButtons::YesNo};
        question.Owner = this;
        const TMsgButton answer = Honk->Presenter().Show(question);
        if (answer == TMsgButton::Yes)
            FUrlOpener(address);
    } catch (...) {
        Honk->ShowError(kUpdateFailed, TZarvoHonk::kKindStop, false, kUpdateErrorNumber);
    }
}

void TFrmMain::OpenAddress(const QString& address, const QString& failure, int number) {
    try {
        FUrlOpener(QUrl(address));
    } catch (...) {
        Honk->ShowError(failure, TZarvoHonk::kKindStop, false, number);
    }
}

void TFrmMain::actNetSupportExec() {
    OpenAddress(SiteAddress(kSupportPath), kUrlFailed, kSupportErrorNumber);
}

void TFrmMain::actNetWebExec() {
    OpenAddress(SiteAddress(kWebPath), kUrlFailed, kWebErrorNumber);
}

void TFrmMain::actNetEMailExec() {
    OpenAddress(QStringLiteral("mailto:") + QLatin1String(kMakerMailAddress), kMailFailed,
                kMailErrorNumber);
}

void TFrmMain::z561456154() {
    FUrlOpener(QUrl(SiteAddress(kAdvertPath) +
                    QString::fromLatin1(queryclient::kProductName).toLower() +
                    QLatin1String(kAdvertEdition)));
}
