#include "app/uncaught_failure.h"

#include "util/app_title.h"
#include "util/message_presenter.h"

#include <QString>

#include <exception>

namespace {

// The text of the exception being handled.
QString CurrentExceptionText() {
    try {
        throw;
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("Unbekannter Fehler.");
    }
}

} // namespace

void ShowSafely(TMessagePresenter& presenter, const TMessageBoxRequest& request) {
    try {
        presenter.Show(request);
    } catch (...) {
        // Nothing is left to tell the user with.
    }
}

void ShowUncaught(TMessagePresenter& presenter) {
    ShowSafely(presenter,
               {apptitle::Title(), CurrentExceptionText(), TMsgIcon::Error, TMsgButtons::Ok});
}
