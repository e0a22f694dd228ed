// The query run: the address check, the HEAD request with its progress
// display, the report in the result list in the chosen view style, and
// copying and saving the view.

#include "app/frm_main.h"

#include "app/popup_menu.h"
#include "app/radio_group.h"
#include "base/error.h"
#include "controls/combo_box98.h"
#include "controls/x_gauge.h"
#include "http/http_client.h"
#include "ini/file_io.h"
#include "query/hop_report.h"
#include "query/http_report.h"
#include "query/query_report_input.h"
#include "query/report_text.h"
#include "query/result_view.h"
#include "util/app_title.h"
#include "util/cp1252.h"
#include "util/zarvo_honk.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include <exception>
#include <string_view>

namespace {

const QString kNoAddress =
    QStringLiteral("Bitte geben Sie vor der Abfrage eine Internet-Adresse ein.");
const QString kQueryFailed = QStringLiteral("Fehler bei der HTTP-Abfrage.");
const QString kRefreshFailed = QStringLiteral("Fehler beim ändern der Anzeige.");
const QString kCopyFailed = QStringLiteral("Fehler beim kopieren des HTTP-Reports.");
const QString kSaveFailed = QStringLiteral("Fehler beim speichern des HTTP-Reports.");
constexpr int kQueryErrorNumber = 456;
constexpr int kRefreshErrorNumber = 721;
constexpr int kCopyErrorNumber = 737;
constexpr int kSaveErrorNumber = 759;

const QString kReceivingHeader = QStringLiteral("Empfange HTTP-Header vom Server ...");
const QString kReceivingHeaderFrom = QStringLiteral("Empfange HTTP-Header vom Server %1...");

// The gauge's steps: request about to start, request ended, report shown.
constexpr int kQuerySteps = 3;
constexpr int kQueryStarting = 1;
constexpr int kQueryEnded = 2;
// The method choice's item that a query uses.
constexpr int kMethodHead = 0;

// Long enough to see that the request has ended, and then the full gauge.
constexpr std::chrono::milliseconds kReportWait{700};
constexpr std::chrono::milliseconds kFinishWait{400};

const QString kSaveCaption = QStringLiteral("Report speichern");
const QString kSuggestedFileName = QStringLiteral("HTTP-Report.txt");
const QString kSaveFilter = QStringLiteral("Textdateien (*.txt);;Alle Dateien (*)");

} // namespace

void TFrmMain::CreateQueryComponents() {
    // The client keeps its own defaults (proxy port 80, accepted types,
    // caches allowed); the agent names this program once the window is set up.
    HTTP = new THttpClient(this);
    HTTP->OnHeaderData = [this](THttpClient* Sender) { HTTPHeaderData(Sender); };
    SetSaveFileChooser({});
    SetQueryWaits(kReportWait, kFinishWait);
    connect(cBoxResultViewStyle, &QComboBox::currentIndexChanged, this,
            &TFrmMain::cBoxResultViewStyleChange);
    connect(actCopyResultView, &QAction::triggered, this, &TFrmMain::actCopyResultViewExec);
    connect(actSaveResultView, &QAction::triggered, this, &TFrmMain::actSaveResultViewExec);
    CreateResultViewMenu();
}

void TFrmMain::CreateResultViewMenu() {
    // A popup whose shortcuts still work while it is open, as in the Extras menu.
    PopMenuResultView = new TPopupMenu(this);
    PopMenuResultView->setObjectName(QStringLiteral("PopMenuResultView"));
    mnuResultViewStyle = PopMenuResultView->addMenu(QStringLiteral("&Ansicht"));
    mnuResultViewStyle->setObjectName(QStringLiteral("mnuResultViewStyle"));
    auto* styles = new QActionGroup(mnuResultViewStyle);
    for (int style = 0; style < cBoxResultViewStyle->count(); ++style) {
        QAction* item = mnuResultViewStyle->addAction(cBoxResultViewStyle->itemText(style));
        item->setCheckable(true);
        item->setChecked(style == cBoxResultViewStyle->currentIndex());
        styles->addAction(item);
        connect(item, &QAction::triggered, cBoxResultViewStyle,
                [this, style] { cBoxResultViewStyle->setCurrentIndex(style); });
    }
    connect(cBoxResultViewStyle, &QComboBox::currentIndexChanged, styles, [styles](int style) {
        if (QAction* item = styles->actions().value(style))
            item->setChecked(true);
    });
    PopMenuResultView->addSeparator();
    PopMenuResultView->addAction(actCopyResultView);
    PopMenuResultView->addAction(actSaveResultView);
    ResultView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ResultView, &QWidget::customContextMenuRequested, PopMenuResultView,
            [this](const QPoint& at) {
                PopMenuResultView->popup(ResultView->viewport()->mapToGlobal(at));
            });
}

void TFrmMain::SetSaveFileChooser(TSaveFileChooser chooser) {
    if (chooser)
        FSaveFileChooser = std::move(chooser);
    else
        FSaveFileChooser = [this](const QString& suggestedName) {
            return ChooseSaveFile(suggestedName);
        };
}

void TFrmMain::SetQueryWaits(std::chrono::milliseconds beforeReport,
                             std::chrono::milliseconds beforeFinish) {
    FReportWait = beforeReport;
    FFinishWait = beforeFinish;
}

void TFrmMain::actPInput_BtnNextExec() {
    try {
        RGrpHttpMethode->SetItemIndex(kMethodHead);
        if (!CheckInput())
            return;
        PProgress_lblProgress->clear();
        PProgress_lblProgress2->clear();
        PProgress_Gauge->SetProgress(0);
        // A close still waiting for the Input page is handled there before the
        // switch and frees the window at the switch's last event processing.
        const QPointer<TFrmMain> alive(this);
        ShowPage(kPageProgress);
        if (!alive)
            return;
        // Once the Progress page shows, the run always ends on the Finish
        // page; a failure on the way is reported after that.
        std::exception_ptr failure;
        try {
            RequestReport();
        } catch (...) {
            failure = std::current_exception();
        }
        ShowReport();
        if (failure)
            std::rethrow_exception(failure);
    } catch (...) {
        Honk->ShowError(kQueryFailed, TZarvoHonk::kKindStop, false, kQueryErrorNumber);
    }
}

void TFrmMain::RequestReport() {
    PProgress_Gauge->SetMaxValue(kQuerySteps);
    PProgress_Gauge->SetProgress(kQueryStarting);
    FReportLines.clear();
    FDetailLines.clear();
    // The client reads addresses in UTF-8: the field's text goes there whole,
    // Cyrillic too, which the window's code page could not hold.
    HTTP->SetURL(edURL->currentText().toStdString());
    HTTP->SetModifiedSince(0);
    HTTP->SetSendStream(nullptr);
    HTTP->SetReceiveStream(nullptr);
    PProgress_lblProgress->setText(kReceivingHeader);
    bool success = false;
    try {
        HTTP->Head();
        success = true;
    } catch (...) {
        // The client's status and reason tell what went wrong; the report's
        // error section shows them.
    }
    PProgress_Gauge->SetProgress(kQueryEnded);
    const THttpReportInput input = queryclient::QueryReportInput(*HTTP, success);
    FReportLines = httpreport::ComposeHttpReport(input);
    FDetailLines =
        httpreport::ComposeHopReport(input, QLocale::system(), Honk->Now().toSecsSinceEpoch());
}

void TFrmMain::ShowReport() {
    PaintedWait(FReportWait);
    cBoxResultViewStyleChange();
    PProgress_Gauge->SetProgress(PProgress_Gauge->MaxValue());
    PaintedWait(FFinishWait);
    ShowPage(kPageFinish);
}

void TFrmMain::PaintedWait(std::chrono::milliseconds duration) {
    // Clicks and keys stay queued until the wait is over; ShowPage handles
    // them on the page they were meant for before it switches.
    QEventLoop wait;
    QTimer::singleShot(duration, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

bool TFrmMain::CheckInput() {
    if (!edURL->currentText().isEmpty())
        return true;
    TMessageBoxRequest notice{apptitle::Title(), kNoAddress, TMsgIcon::Information,
                              TMsgButtons::Ok};
    notice.Owner = this;
    Honk->Presenter().Show(notice);
    edURL->setFocus();
    ProcessMessages();
    if (edURL->count() > 0 && !edURL->view()->isVisible())
        edURL->showPopup();
    return false;
}

void TFrmMain::HTTPHeaderData(THttpClient* Sender) {
    PProgress_lblProgress->setText(kReceivingHeaderFrom.arg(FromCp1252(Sender->HostName())));
}

void TFrmMain::actPProgress_BtnCancelExec() {
    // The request ends inside its own wait; the run then goes on to the report.
    HTTP->Abort();
    ProcessMessages();
}

TReportLines TFrmMain::ShownLines() const {
    TReportLines lines = FReportLines;
    if (cBoxResultViewStyle->currentIndex() == kViewDetailed)
        lines.insert(lines.end(), FDetailLines.begin(), FDetailLines.end());
    return lines;
}

void TFrmMain::cBoxResultViewStyleChange() {
    try {
        ResultView->Refresh(ShownLines());
    } catch (...) {
        Honk->ShowError(kRefreshFailed, TZarvoHonk::kKindStop, false, kRefreshErrorNumber);
    }
}

void TFrmMain::actCopyResultViewExec() {
    try {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard)
            throw EQuorvikError("no clipboard");
        clipboard->setText(httpreport::ReportText(ShownLines()));
    } catch (...) {
        Honk->ShowError(kCopyFailed, TZarvoHonk::kKindStop, false, kCopyErrorNumber);
    }
}

void TFrmMain::actSaveResultViewExec() {
    try {
        const QString fileName = FSaveFileChooser(kSuggestedFileName);
        if (fileName.isEmpty())
            return;
        // Only a complete report takes the file's place: a failed save (a full
        // disk) leaves the file as it was.
        const QByteArray text = httpreport::ReportText(ShownLines()).toUtf8();
        ReplaceFileContent(QFile::encodeName(fileName).toStdString(),
                           std::string_view(text.constData(), text.size()));
    } catch (...) {
        Honk->ShowError(kSaveFailed, TZarvoHonk::kKindStop, false, kSaveErrorNumber);
    }
}

QString TFrmMain::ChooseSaveFile(const QString& suggestedName) {
    return QFileDialog::getSaveFileName(this, kSaveCaption, suggestedName, kSaveFilter);
}
