#include "app/entry_point.h"

#include "app/activation_channel.h"
#include "app/frm_main.h"
#include "app/product.h"
#include "app/qt_run_environment.h"
#include "app/single_instance_guard.h"
#include "app/uncaught_failure.h"
#include "app/x11_window_hints.h"
#include "controls/combo_box98.h"
#include "resources/app_icon.h"
#include "resources/image_strip.h"
#include "resources/resource_names.h"
#include "util/app_title.h"
#include "util/desktop_entry.h"
#include "util/message_presenter.h"
#include "util/zarvo_honk.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

namespace {

const QString kAlreadyRunning = QStringLiteral("Vendrix Quorvik wurde bereits gestartet.");

void ProcessMessages() {
    QCoreApplication::processEvents();
}

} // namespace

void StartMainWindow(QPointer<TFrmMain>& window, const QString& address) {
    ProcessMessages();
    window->SetupWindow();
    ProcessMessages();
    window->ReadSettings();
    if (!address.isEmpty())
        window->edURL->setEditText(address);
    LoadImageStrip(window->imgListToolbar, QLatin1String(kMenuIconStripResource));
    ProcessMessages();
    SetX11WindowHints(*window);
    window->show();
    window->repaint();
    ProcessMessages();
    // The window may have been closed while the events were handled.
    if (window)
        window->RemindOfUpdate();
}

int RunQuorvik(TMessagePresenter& presenter, const QString& address) {
    const QString title = QString::fromUtf8(kAppTitle);
    // Every window and box shows the program's icon, the first box included;
    // the desktop entry tells a Wayland desktop which entry the windows belong to.
    QGuiApplication::setWindowIcon(LoadAppIcon());
    QGuiApplication::setDesktopFileName(QLatin1String(kDesktopEntryId));
    // Lives until the process ends, so that a second copy finds it taken.
    TSingleInstanceGuard guard(TSingleInstanceGuard::DefaultLockPath());
    if (!guard.Acquire()) {
        ShowSafely(presenter, {title, kAlreadyRunning, TMsgIcon::Information, TMsgButtons::Ok});
        TActivationChannel::Request(TActivationChannel::DefaultPath());
        return 0;
    }
    apptitle::SetTitle(title);
    const TQtRunEnvironment qtEnvironment;
    // The program ends with its main window, not with its last visible
    // window: a box at the start closes while the main window is still
    // hidden, and Qt would end the program with it.
    const bool quitOnLastWindow = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);

    QPointer<TFrmMain> window;
    const TActivationChannel activation(TActivationChannel::DefaultPath(), [&window] {
        if (window)
            window->BringToFront();
    });
    QMetaObject::Connection endWithWindow;
    // The start-up runs inside the event loop: a request to end the program
    // made during it (a "No" in an error box) only takes effect in a running loop.
    QTimer::singleShot(0, [&window, &endWithWindow, &presenter, &address] {
        try {
            window = new TFrmMain;
            endWithWindow =
                QObject::connect(window, &QObject::destroyed, [] { QCoreApplication::exit(0); });
            window->Honk->SetPresenter(&presenter);
            StartMainWindow(window, address);
        } catch (...) {
            ShowUncaught(presenter);
            QCoreApplication::exit(0);
        }
    });
    QApplication::exec();
    // The window frees itself when closed; it is left over only when the
    // loop was ended without a close.
    QObject::disconnect(endWithWindow);
    delete window.data();
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
    return 0;
}
