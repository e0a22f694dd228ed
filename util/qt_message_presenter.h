#pragma once

#include "util/message_presenter.h"

// Shows message boxes with QMessageBox, parented to the request's owner (or
// the active window) so that the box is modal to it and centred over it.
class TQtMessagePresenter : public TMessagePresenter {
public:
    TMsgButton Show(const TMessageBoxRequest& request) override;
};
