#pragma once

#include "query/report_line.h"

#include <QIcon>
#include <QList>
#include <QStringList>
#include <QWidget>

#include <array>
#include <chrono>
#include <functional>

class QAction;
class QCloseEvent;
class QComboBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QUrl;
class TActionButton;
class TComboBox98;
class TConnectAnimation;
class THttpClient;
class TRadioGroup;
class TResultView;
class TxGauge;
class TZarvoAboutDlg;
class TZarvoDebug;
class TZarvoHonk;

// The program's one window: a three-page wizard (Input, Progress, Finish)
// with a header strip naming the step, the page area, and a row of buttons
// that are bound to the current page's actions. The window has a fixed size
// and cannot be resized or maximised.
//
// The window owns every control and component (Qt parent chain). It deletes
// itself once a close has been allowed; on the Progress page a close only
// cancels. GUI thread only; several operations process waiting events between
// their steps so that the window stays painted, which lets clicks and keys be
// handled inside them.
class TFrmMain : public QWidget {
    Q_OBJECT

public:
    enum TPage { kPageInput = 0, kPageProgress = 1, kPageFinish = 2, kPageCount = 3 };

    // Opens an address with the desktop's default handler.
    using TUrlOpener = std::function<void(const QUrl&)>;
    // Starts `program` with `arguments`, without a shell; false when it could
    // not be started.
    using TProgramStarter =
        std::function<bool(const QString& program, const QStringList& arguments)>;
    // Asks for the name of a file to save the report in; empty: cancelled.
    using TSaveFileChooser = std::function<QString(const QString& suggestedName)>;
    // The items of cBoxResultViewStyle.
    enum TResultViewStyle { kViewStandard = 0, kViewDetailed = 1 };

    // Creates the window with all controls of its layout, hidden.
    explicit TFrmMain(QWidget* parent = nullptr);

    // One-time set-up after construction: caption, fonts, the Input page,
    // images, cursor and the URL field. A failing step ends the set-up there;
    // the failure is reported and the window stays usable as far as it got.
    void SetupWindow();
    // Chooses the user-interface font face.
    void ApplyAppearance();
    // Switches the wizard to `page` (a TPage) with its header texts, buttons
    // and focus. Processes waiting events before the switch and after it.
    void ShowPage(int page);
    int CurrentPage() const;

    // Replaces the way actLaunchURL opens addresses (tests record them); an
    // empty function restores the desktop's default handler.
    void SetUrlOpener(TUrlOpener opener);
    // Replaces the way the help program is started (tests record it); an
    // empty function restores QProcess::startDetached.
    void SetHelpStarter(TProgramStarter starter);

    // The settings file: read once before the window is shown (position, help
    // command, date of the last update question), written when a close is
    // allowed. A failure is reported; the values read before it stay.
    void ReadSettings();
    void WriteSettings();
    // The weekly update question: on a Wednesday on which it was not asked yet.
    void RemindOfUpdate();
    // Restores the window if minimised, puts it in front and gives it the
    // focus, or the box it waits on, if any: what a later copy of the
    // program asks for.
    void BringToFront();
    // Replaces the file dialog of actSaveResultView (tests answer without a
    // dialog); an empty function restores the dialog.
    void SetSaveFileChooser(TSaveFileChooser chooser);
    // The pauses of a query run after the request (before the report is shown,
    // and before the Finish page follows), so that each step can be seen.
    void SetQueryWaits(std::chrono::milliseconds beforeReport,
                       std::chrono::milliseconds beforeFinish);

    // The handlers of the page-button actions; the hidden actions have none.
    void actPInput_BtnNextExec();
    void actPInput_BtnCancelExec();
    void actPProgress_BtnCancelExec();
    void actPFinish_BtnNextExec();
    void actPFinish_BtnCancelExec();
    // Opens the address of the URL field in the browser.
    void actLaunchURLExec();
    // Keeps actLaunchURL's hint and enabled state in step with the page and the
    // URL field.
    void actLaunchURLUpdate();
    // True when an address is entered; otherwise says so and focuses the field.
    bool CheckInput();
    // The Extras menu and its actions; F1 and Alt+F1 work on every page.
    void BtnExtraClick();
    void actHelpExec();
    void actAboutExec();
    // Asks whether the user is online and, if so, opens the version check.
    void actNetUpdateExec();
    void actNetSupportExec();
    void actNetWebExec();
    void actNetEMailExec();
    // A click on the advert banner.
    void z561456154();
    // Starts the help program named in the settings; "(none)" starts nothing.
    void StartHelp();
    // Shows the report lines in ResultView, followed by the detail lines
    // when the view style is "Ausführlich".
    void cBoxResultViewStyleChange();
    // The lines ResultView shows in the chosen view style.
    TReportLines ShownLines() const;
    // The view shown, as the list shows it: to the clipboard, or into a
    // UTF-8 file.
    void actCopyResultViewExec();
    void actSaveResultViewExec();
    // Names the host in the progress line once its header arrives.
    void HTTPHeaderData(THttpClient* Sender);

    // Components.
    TZarvoHonk* Honk;
    // Carried for a developer's trace entries; the window sends none.
    TZarvoDebug* Debug;
    TZarvoAboutDlg* AboutDlg;
    THttpClient* HTTP;
    // The Extras menu's 16 x 16 icons; filled by the entry point.
    QList<QIcon> imgListToolbar;

    // Header strip and frame.
    QWidget* pnlWhite;
    QLabel* LblHeader;
    QLabel* LblTitle;
    QLabel* imgBlueIcon;
    TConnectAnimation* aniPlsWait;
    QFrame* BevelUnderWhite;
    QStackedWidget* Notebook;
    QFrame* BottomLine;
    QPushButton* BtnExtra;
    TActionButton* BtnBack;
    TActionButton* BtnNext;
    TActionButton* BtnCancel;

    // Input page.
    QLabel* lbl_edURL;
    TComboBox98* edURL;
    QToolButton* BtnExecURL;
    QFrame* BvlWerbung;
    QLabel* imgWerbung;
    QLabel* LblAddInfo;
    // Controls of the Input page that this program does not offer (hidden).
    QLabel* lbl_edDataCGI;
    TComboBox98* edDataCGI;
    QLabel* lbl_edProxyURL;
    TComboBox98* edProxyURL;
    QLabel* lbl_edFilenameDL;
    QLineEdit* edFilenameDL;
    QPushButton* BtnSetDLfilename;
    TRadioGroup* RGrpHttpMethode;

    // Progress page.
    QLabel* PProgress_lblProgress;
    TxGauge* PProgress_Gauge;
    QLabel* PProgress_lblProgress2;

    // Finish page.
    TResultView* ResultView;
    // Under the report: the view style, and copying and saving the view.
    QGroupBox* gBoxResultViewStyle;
    QLabel* lblResultViewStyle;
    QComboBox* cBoxResultViewStyle;
    QGroupBox* gBoxFinishOptions;
    TActionButton* BtnCopyResultView;
    TActionButton* BtnSaveResultView;
    // The report's context menu: the view style, copying and saving.
    QMenu* PopMenuResultView;
    QMenu* mnuResultViewStyle;
    // The legend of the line kinds, which this program does not offer (hidden).
    QGroupBox* gBoxLegende;
    QLabel* imgLegende;

    // Page-button actions, three per page.
    QAction* actPInput_BtnBack;
    QAction* actPInput_BtnNext;
    QAction* actPInput_BtnCancel;
    QAction* actPProgress_BtnBack;
    QAction* actPProgress_BtnNext;
    QAction* actPProgress_BtnCancel;
    QAction* actPFinish_BtnBack;
    QAction* actPFinish_BtnNext;
    QAction* actPFinish_BtnCancel;

    // Actions with shortcuts. Apart from actLaunchURL and the report's copy
    // and save they belong to hidden controls and do nothing of their own;
    // enabled, they take their key from the focused control, disabled they
    // let it through.
    QAction* actLaunchURL;
    QAction* actCopyResultView;
    QAction* actSaveResultView;
    QAction* actSetDLfilename;
    QAction* actOptions;
    QAction* actResultViewSelecetAll;

    // The Extras menu and its actions.
    QMenu* PopMenuExtra;
    QAction* actHelp;
    QAction* actAbout;
    QAction* actNetUpdate;
    QAction* actNetSupport;
    QAction* actNetWeb;
    QAction* actNetEMail;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TPageActions {
        QAction* Back;
        QAction* Next;
        QAction* Cancel;
    };

    void CreateHeader();
    void CreateButtonRow();
    void CreateInputPage(QWidget* page);
    void CreateHiddenInputControls(QWidget* page);
    void CreateProgressPage(QWidget* page);
    void CreateFinishPage(QWidget* page);
    void CreateFinishOptions(QWidget* page);
    void CreatePageActions();
    void CreateShortcutActions();
    QAction* NewAction(const char* name, const QString& text);

    void LoadHeaderIcon();
    // The Extras menu, its actions, the about box and the banner's click.
    void CreateExtrasMenu();
    // Gives the menu's actions their icons from imgListToolbar.
    void ApplyMenuIcons();
    // Opens `address`; a failure is reported with `failure` and `number`.
    void OpenAddress(const QString& address, const QString& failure, int number);
    QString SettingsFileName() const;
    // The HTTP client and the report's handlers.
    void CreateQueryComponents();
    // The report's context menu, its view style kept in step with the list's.
    void CreateResultViewMenu();
    // The request and the report of a query run; Success false when the
    // request failed or was aborted.
    void RequestReport();
    // The closing steps of a query run: report, gauge full, Finish page.
    void ShowReport();
    // Waits with the window painted; input waits until afterwards.
    static void PaintedWait(std::chrono::milliseconds duration);
    QString ChooseSaveFile(const QString& suggestedName);

    // Whether the window may close now; on the Progress page it cancels instead.
    bool FormCloseQuery();

    // Handles the events that are waiting now, so that the window repaints
    // between the steps of a long operation.
    static void ProcessMessages();
    // True for a key that is the Extras button's mnemonic.
    bool IsExtraMnemonic(QEvent* event) const;

    std::array<TPageActions, kPageCount> FPageActions;
    TUrlOpener FUrlOpener;
    // The settings' help command when none is configured.
    static constexpr char kNoHelpCommand[] = "(none)";
    TProgramStarter FHelpStarter;
    QString FHelpCommand;
    QString FLastCheck;
    TSaveFileChooser FSaveFileChooser;
    std::chrono::milliseconds FReportWait;
    std::chrono::milliseconds FFinishWait;
    TReportLines FReportLines;
    // The hops of the last query, which the detailed view shows after the report.
    TReportLines FDetailLines;
};
