// Set-up, appearance and the close sequence of the main window.

#include "app/frm_main.h"

#include "app/action_button.h"
#include "app/product.h"
#include "controls/combo_box98.h"
#include "controls/x_gauge.h"
#include "query/query_client_settings.h"
#include "query/result_view.h"
#include "resources/connect_animation.h"
#include "resources/hand_cursor.h"
#include "resources/resource_bitmap.h"
#include "resources/resource_names.h"
#include "util/app_title.h"
#include "util/zarvo_honk.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

namespace {

// 8 points at the 96 dpi the window is designed for.
constexpr int kFontPixelSize = 11;

const QString kStartFailed = QStringLiteral("Fehler beim starten der Anwendung.");
const QString kCloseFailed = QStringLiteral("Fehler beim beenden der Anwendung.");
const QString kAppearanceFailed = QStringLiteral("Fehler beim aktualisieren Anzeige.");
constexpr int kSetupErrorNumber = 118;
constexpr int kCloseQueryErrorNumber = 143;
constexpr int kFontFaceErrorNumber = 146;
constexpr int kBoldErrorNumber = 164;

void SetFace(QWidget* widget, const QString& face) {
    QFont font = widget->font();
    font.setFamily(face);
    widget->setFont(font);
}

void AddBold(QWidget* widget) {
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

} // namespace

void TFrmMain::SetupWindow() {
    try {
        apptitle::SetTitle(QString::fromUtf8(kAppTitle));
        setWindowTitle(apptitle::Title());
        ApplyAppearance();
        ShowPage(kPageInput);
        ProcessMessages();
        imgWerbung->setCursor(LoadHandCursor());
        LoadHeaderIcon();
        aniPlsWait->SetClip(QLatin1String(kConnectClipResource));
        queryclient::ApplyQuerySettings(*HTTP);
        edURL->clear();
        edURL->setMaxVisibleItems(1);
        edURL->setEditText(QLatin1String(kMakerSiteUrl));
        edURL->SetComplete(false);
        imgWerbung->setPixmap(LoadResourceBitmap(QLatin1String(kBannerResource)));
        BvlWerbung->show();
        imgWerbung->show();
    } catch (...) {
        Honk->ShowError(kStartFailed, TZarvoHonk::kKindAskContinue, true, kSetupErrorNumber);
    }
}

void TFrmMain::BringToFront() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    // A box the window waits on stays above it and takes the keys.
    if (QWidget* box = QApplication::activeModalWidget(); box != nullptr && box != this) {
        box->raise();
        box->activateWindow();
    }
}

void TFrmMain::LoadHeaderIcon() {
    const QString suffix = ColourDepthSuffix(Honk->Hardware().ScreenColors());
    imgBlueIcon->setPixmap(LoadResourceBitmap(QLatin1String(kBlueIconResource) + suffix));
}

void TFrmMain::ApplyAppearance() {
    try {
        const QString face = Honk->DialogFace();
        QFont windowFont(face);
        windowFont.setPixelSize(kFontPixelSize);
        setFont(windowFont);
        // The controls with a font of their own; the rest follow the window.
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 LblHeader, LblTitle, BtnExtra, BtnBack, BtnNext, BtnCancel, Notebook, lbl_edURL,
                 edURL, LblAddInfo, PProgress_lblProgress, PProgress_Gauge, ResultView})
            SetFace(widget, face);
    } catch (...) {
        Honk->ShowError(kAppearanceFailed, TZarvoHonk::kKindStop, false, kFontFaceErrorNumber);
    }
    try {
        AddBold(LblHeader);
        AddBold(PProgress_Gauge);
    } catch (...) {
        Honk->ShowError(kAppearanceFailed, TZarvoHonk::kKindStop, false, kBoldErrorNumber);
    }
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    // An allowed close frees the window (WA_DeleteOnClose).
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

bool TFrmMain::FormCloseQuery() {
    bool canClose = true;
    try {
        if (CurrentPage() == kPageProgress) {
            // A running request is aborted; it then shows the Finish page itself.
            canClose = false;
            actPProgress_BtnCancelExec();
        } else {
            WriteSettings();
        }
    } catch (...) {
        Honk->ShowError(kCloseFailed, TZarvoHonk::kKindAskContinue, true, kCloseQueryErrorNumber);
    }
    return canClose;
}
