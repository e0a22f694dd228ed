#include "util/qt_message_presenter.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQt(TMsgIcon icon) {
    switch (icon) {
    case TMsgIcon::Information:
        return QMessageBox::Information;
    case TMsgIcon::Warning:
        return QMessageBox::Warning;
    case TMsgIcon::Error:
        return QMessageBox::Critical;
    case TMsgIcon::Question:
        return QMessageBox::Question;
    case TMsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(TMsgButtons buttons) {
    switch (buttons) {
    case TMsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case TMsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case TMsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case TMsgButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton ToQt(TMsgButton button) {
    switch (button) {
    case TMsgButton::Ok:
        return QMessageBox::Ok;
    case TMsgButton::Cancel:
        return QMessageBox::Cancel;
    case TMsgButton::Yes:
        return QMessageBox::Yes;
    case TMsgButton::No:
        return QMessageBox::No;
    case TMsgButton::None:
        break;
    }
    return QMessageBox::NoButton;
}

TMsgButton FromQt(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return TMsgButton::Ok;
    case QMessageBox::Cancel:
        return TMsgButton::Cancel;
    case QMessageBox::Yes:
        return TMsgButton::Yes;
    case QMessageBox::No:
        return TMsgButton::No;
    default:
        return TMsgButton::None;
    }
}

} // namespace

TMsgButton TQtMessagePresenter::Show(const TMessageBoxRequest& request) {
    // Right after the start the shown main window need not be active yet.
    QWidget* owner = request.Owner && request.Owner->isVisible() ? request.Owner->window()
                                                                 : QApplication::activeWindow();
    QMessageBox box(ToQt(request.Icon), request.Caption, request.Text, ToQt(request.Buttons),
                    owner);
    if (request.DefaultButton != TMsgButton::None)
        box.setDefaultButton(ToQt(request.DefaultButton));
    if (request.SystemModal) {
        // Qt has no system-wide modality; the nearest is blocking the whole
        // application and staying above every other window.
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    return FromQt(box.exec());
}
