// Construction of the main window: every control of the layout at its place.

#include "app/frm_main.h"

#include "app/action_button.h"
#include "app/radio_group.h"
#include "controls/combo_box98.h"
#include "controls/x_gauge.h"
#include "query/result_view.h"
#include "resources/app_icon.h"
#include "resources/connect_animation.h"
#include "resources/resource_names.h"
#include "util/zarvo_debug.h"
#include "util/zarvo_honk.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QUrl>

namespace {

// Client area; the window is designed in pixels at 96 dpi.
constexpr QSize kClientSize(492, 356);

// A child widget named as in the layout, so that it can be found by name.
template <typename TWidget, typename... TArgs>
TWidget* Create(QWidget* parent, const char* name, TArgs&&... args) {
    auto* widget = new TWidget(std::forward<TArgs>(args)..., parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

template <typename TWidget, typename... TArgs>
TWidget* Place(QWidget* parent, const char* name, const QRect& geometry, TArgs&&... args) {
    auto* widget = Create<TWidget>(parent, name, std::forward<TArgs>(args)...);
    widget->setGeometry(geometry);
    return widget;
}

QFrame* NewTopEdgeLine(QWidget* parent, const char* name, const QRect& geometry) {
    auto* line = Place<QFrame>(parent, name, geometry);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

void OpenWithDesktop(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace

TFrmMain::TFrmMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      Honk(new TZarvoHonk(this)), Debug(new TZarvoDebug(this)), FUrlOpener(OpenWithDesktop) {
    setObjectName(QStringLiteral("FrmMain"));
    // A close that is allowed frees the window; the event loop ends with it.
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kClientSize);
    setWindowIcon(LoadAppIcon());

    // The focus chain follows the order of creation; the page controls come
    // last, which closes the cycle from the page through the buttons back to it.
    CreateHeader();
    Notebook = Place<QStackedWidget>(this, "Notebook", QRect(0, 62, 492, 249));
    BottomLine = NewTopEdgeLine(this, "BottomLine", QRect(-1, 313, 500, 4));
    CreatePageActions();
    CreateShortcutActions();
    CreateButtonRow();

    const std::array<void (TFrmMain::*)(QWidget*), kPageCount> pageBuilders = {
        &TFrmMain::CreateInputPage, &TFrmMain::CreateProgressPage, &TFrmMain::CreateFinishPage};
    const std::array<const char*, kPageCount> pageNames = {"PInput", "PProgress", "PFinish"};
    for (int page = 0; page < kPageCount; ++page) {
        auto* container = new QWidget(Notebook);
        container->setObjectName(QLatin1String(pageNames[page]));
        Notebook->addWidget(container);
        (this->*pageBuilders[page])(container);
    }
    CreateQueryComponents();
    CreateExtrasMenu();
}

void TFrmMain::CreateHeader() {
    pnlWhite = Place<QWidget>(this, "pnlWhite", QRect(0, 0, 492, 58));
    pnlWhite->setBackgroundRole(QPalette::Base);
    pnlWhite->setAutoFillBackground(true);
    LblHeader = Place<QLabel>(pnlWhite, "LblHeader", QRect(15, 8, 418, 15));
    LblTitle = Place<QLabel>(pnlWhite, "LblTitle", QRect(30, 24, 403, 28));
    LblTitle->setWordWrap(true);
    LblTitle->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgBlueIcon = Place<QLabel>(pnlWhite, "imgBlueIcon", QRect(439, 5, 48, 48));
    imgBlueIcon->setAlignment(Qt::AlignCenter);
    aniPlsWait = Place<TConnectAnimation>(pnlWhite, "aniPlsWait", QRect(439, 5, 48, 48));
    aniPlsWait->hide();
    BevelUnderWhite = NewTopEdgeLine(this, "BevelUnderWhite", QRect(0, 58, 492, 4));
}

void TFrmMain::CreateButtonRow() {
    BtnExtra = Place<QPushButton>(this, "BtnExtra", QRect(16, 325, 75, 23));
    BtnExtra->setText(QStringLiteral("&Extras"));
    BtnExtra->setIcon(QIcon(QLatin1String(kExtraGlyphResource)));
    // The drop-down glyph goes right of the caption.
    BtnExtra->setLayoutDirection(Qt::RightToLeft);
    BtnExtra->installEventFilter(this);
    BtnBack = Place<TActionButton>(this, "BtnBack", QRect(240, 325, 75, 23));
    BtnNext = Place<TActionButton>(this, "BtnNext", QRect(315, 325, 75, 23));
    BtnNext->setDefault(true);
    BtnCancel = Place<TActionButton>(this, "BtnCancel", QRect(401, 325, 75, 23));
    BtnCancel->installEventFilter(this);
    // Enter clicks whichever of these buttons has the focus.
    for (QPushButton* button :
         std::initializer_list<QPushButton*>{BtnExtra, BtnBack, BtnNext, BtnCancel})
        button->setAutoDefault(true);
}

void TFrmMain::CreateInputPage(QWidget* page) {
    lbl_edURL = Place<QLabel>(page, "lbl_edURL", QRect(16, 24, 440, 15),
                              QStringLiteral("Internet-&Adresse:"));
    edURL = Place<TComboBox98>(page, "edURL", QRect(16, 40, 436, 21));
    lbl_edURL->setBuddy(edURL);
    BtnExecURL = Place<QToolButton>(page, "BtnExecURL", QRect(455, 40, 21, 20));
    BtnExecURL->setAutoRaise(true);
    BtnExecURL->setFocusPolicy(Qt::NoFocus);
    BtnExecURL->setDefaultAction(actLaunchURL);
    BvlWerbung = Place<QFrame>(page, "BvlWerbung", QRect(16, 71, 462, 139));
    BvlWerbung->setFrameStyle(QFrame::Box | QFrame::Sunken);
    imgWerbung = Place<QLabel>(page, "imgWerbung", QRect(17, 72, 460, 137));
    imgWerbung->setToolTip(QStringLiteral(
        "Klicken Sie hier, um mehr Info's über\nQuorvik Professional zu erfahren..."));
    LblAddInfo =
        Place<QLabel>(page, "LblAddInfo", QRect(16, 228, 463, 15),
                      QStringLiteral("\"Weiter\" zum Fortfahren, \"Beenden\" zum Verlassen."));
    connect(edURL, &QComboBox::editTextChanged, this, &TFrmMain::actLaunchURLUpdate);
    CreateHiddenInputControls(page);
}

void TFrmMain::CreateHiddenInputControls(QWidget* page) {
    // Created hidden: the program does not offer POST data, a proxy, saving
    // the body or another method, but the query run selects the method here.
    lbl_edDataCGI = Create<QLabel>(page, "lbl_edDataCGI", QStringLiteral("POST-Daten:"));
    edDataCGI = Create<TComboBox98>(page, "edDataCGI");
    lbl_edProxyURL = Create<QLabel>(page, "lbl_edProxyURL", QStringLiteral("Proxy:"));
    edProxyURL = Create<TComboBox98>(page, "edProxyURL");
    lbl_edFilenameDL = Create<QLabel>(page, "lbl_edFilenameDL", QStringLiteral("Dateiname:"));
    edFilenameDL = Create<QLineEdit>(page, "edFilenameDL");
    BtnSetDLfilename = Create<QPushButton>(page, "BtnSetDLfilename", QStringLiteral("..."));
    RGrpHttpMethode = Create<TRadioGroup>(
        page, "RGrpHttpMethode", QStringLiteral("Methode"),
        QStringList{QStringLiteral("HEAD"), QStringLiteral("GET"), QStringLiteral("POST")});
    RGrpHttpMethode->SetItemIndex(0);
    for (QWidget* hidden : std::initializer_list<QWidget*>{
             lbl_edDataCGI, edDataCGI, lbl_edProxyURL, edProxyURL, lbl_edFilenameDL, edFilenameDL,
             BtnSetDLfilename, RGrpHttpMethode})
        hidden->hide();
}

void TFrmMain::CreateProgressPage(QWidget* page) {
    PProgress_lblProgress = Place<QLabel>(page, "PProgress_lblProgress", QRect(6, 96, 480, 15));
    PProgress_lblProgress->setAlignment(Qt::AlignCenter);
    PProgress_Gauge = Place<TxGauge>(page, "PProgress_Gauge", QRect(70, 115, 353, 20));
    PProgress_Gauge->SetTextForeColor(palette().color(QPalette::WindowText));
    PProgress_Gauge->SetTextBackColor(palette().color(QPalette::HighlightedText));
    PProgress_lblProgress2 = Place<QLabel>(page, "PProgress_lblProgress2", QRect(6, 140, 480, 15));
    PProgress_lblProgress2->setAlignment(Qt::AlignCenter);
}

void TFrmMain::CreateFinishPage(QWidget* page) {
    ResultView = Place<TResultView>(page, "ResultView", QRect(16, 8, 460, 193));
    CreateFinishOptions(page);
}

void TFrmMain::CreateFinishOptions(QWidget* page) {
    // One row in the strip between the report and the bottom line: the view
    // style at the left, copying and saving at the right, ending with the
    // report's right edge; "Speichern..." needs a little more than the
    // wizard's button width. The groups only hold their controls: no frame,
    // no title.
    gBoxResultViewStyle = Place<QGroupBox>(page, "gBoxResultViewStyle", QRect(16, 213, 200, 23));
    lblResultViewStyle = Place<QLabel>(gBoxResultViewStyle, "lblResultViewStyle",
                                       QRect(0, 0, 50, 23), QStringLiteral("&Ansicht:"));
    cBoxResultViewStyle =
        Place<QComboBox>(gBoxResultViewStyle, "cBoxResultViewStyle", QRect(52, 1, 110, 21));
    cBoxResultViewStyle->addItems({QStringLiteral("Standard"), QStringLiteral("Ausführlich")});
    lblResultViewStyle->setBuddy(cBoxResultViewStyle);
    gBoxFinishOptions = Place<QGroupBox>(page, "gBoxFinishOptions", QRect(300, 213, 176, 23));
    BtnCopyResultView =
        Place<TActionButton>(gBoxFinishOptions, "BtnCopyResultView", QRect(0, 0, 85, 23));
    BtnSaveResultView =
        Place<TActionButton>(gBoxFinishOptions, "BtnSaveResultView", QRect(91, 0, 85, 23));
    for (QGroupBox* group : {gBoxResultViewStyle, gBoxFinishOptions}) {
        group->setFlat(true);
        group->setStyleSheet(QStringLiteral("QGroupBox { border: none; margin: 0; padding: 0; }"));
    }
    for (const auto& [button, action] : {std::pair{BtnCopyResultView, actCopyResultView},
                                         std::pair{BtnSaveResultView, actSaveResultView}}) {
        button->SetAction(action);
        button->setToolTip(action->toolTip());
        // Enter clicks the button that has the focus, as in the button row.
        button->setAutoDefault(true);
    }
    // Created hidden: the legend is not offered.
    gBoxLegende = Create<QGroupBox>(page, "gBoxLegende", QStringLiteral("Legende"));
    imgLegende = Create<QLabel>(gBoxLegende, "imgLegende");
    gBoxLegende->hide();
}

QAction* TFrmMain::NewAction(const char* name, const QString& text) {
    auto* action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    // Shortcuts work while the window is active, whichever control has the focus.
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    return action;
}

void TFrmMain::CreatePageActions() {
    const QString hidden;
    const QString next = QStringLiteral("&Weiter >");
    const QString quit = QStringLiteral("B&eenden");
    actPInput_BtnBack = NewAction("actPInput_BtnBack", hidden);
    actPInput_BtnNext = NewAction("actPInput_BtnNext", next);
    actPInput_BtnCancel = NewAction("actPInput_BtnCancel", quit);
    actPProgress_BtnBack = NewAction("actPProgress_BtnBack", hidden);
    actPProgress_BtnNext = NewAction("actPProgress_BtnNext", hidden);
    actPProgress_BtnCancel = NewAction("actPProgress_BtnCancel", QStringLiteral("Abbrechen"));
    actPFinish_BtnBack = NewAction("actPFinish_BtnBack", hidden);
    actPFinish_BtnNext = NewAction("actPFinish_BtnNext", QStringLiteral("< &Zurück"));
    actPFinish_BtnCancel = NewAction("actPFinish_BtnCancel", quit);
    for (QAction* unused :
         {actPInput_BtnBack, actPProgress_BtnBack, actPProgress_BtnNext, actPFinish_BtnBack})
        unused->setVisible(false);

    FPageActions = {{{actPInput_BtnBack, actPInput_BtnNext, actPInput_BtnCancel},
                     {actPProgress_BtnBack, actPProgress_BtnNext, actPProgress_BtnCancel},
                     {actPFinish_BtnBack, actPFinish_BtnNext, actPFinish_BtnCancel}}};

    connect(actPInput_BtnNext, &QAction::triggered, this, &TFrmMain::actPInput_BtnNextExec);
    connect(actPInput_BtnCancel, &QAction::triggered, this, &TFrmMain::actPInput_BtnCancelExec);
    connect(actPProgress_BtnCancel, &QAction::triggered, this,
            &TFrmMain::actPProgress_BtnCancelExec);
    connect(actPFinish_BtnNext, &QAction::triggered, this, &TFrmMain::actPFinish_BtnNextExec);
    connect(actPFinish_BtnCancel, &QAction::triggered, this, &TFrmMain::actPFinish_BtnCancelExec);
}

void TFrmMain::CreateShortcutActions() {
    actLaunchURL = NewAction("actLaunchURL", QString());
    QIcon launchGlyph{QString::fromLatin1(kExecUrlGlyphResource)};
    launchGlyph.addFile(QLatin1String(kExecUrlDisabledGlyphResource), QSize(), QIcon::Disabled);
    actLaunchURL->setIcon(launchGlyph);
    actLaunchURL->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(actLaunchURL, &QAction::triggered, this, &TFrmMain::actLaunchURLExec);

    // The hints: the short one as the tooltip, the long one as the status tip.
    actCopyResultView = NewAction("actCopyResultView", QStringLiteral("&Kopieren"));
    actCopyResultView->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    actCopyResultView->setToolTip(QStringLiteral("Report kopieren"));
    actCopyResultView->setStatusTip(
        QStringLiteral("Kopiert den HTTP-Report in die Zwischenablage."));
    actSaveResultView = NewAction("actSaveResultView", QStringLiteral("&Speichern..."));
    actSaveResultView->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    actSaveResultView->setToolTip(QStringLiteral("Report speichern"));
    actSaveResultView->setStatusTip(QStringLiteral("Speichert den HTTP-Report."));
    actSetDLfilename = NewAction("actSetDLfilename", QStringLiteral("Dateiname"));
    actSetDLfilename->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    actOptions = NewAction("actOptions", QStringLiteral("O&ptionen"));
    actOptions->setShortcut(QKeySequence(Qt::ALT | Qt::Key_P));
    actResultViewSelecetAll =
        NewAction("actResultViewSelecetAll", QStringLiteral("Alles markieren"));
    actResultViewSelecetAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    actResultViewSelecetAll->setEnabled(false);
}

void TFrmMain::SetUrlOpener(TUrlOpener opener) {
    FUrlOpener = opener ? std::move(opener) : TUrlOpener(OpenWithDesktop);
}

void TFrmMain::ProcessMessages() {
    QCoreApplication::processEvents();
}
