#pragma once

#include <QString>

class QWidget;

// The icon a message box shows.
enum class TMsgIcon { None, Information, Warning, Error, Question };

// The button sets a message box can offer.
enum class TMsgButtons { Ok, OkCancel, YesNo, YesNoCancel };

// One button of a message box; None when the box could not be answered.
enum class TMsgButton { None, Ok, Cancel, Yes, No };

// Everything that describes one modal message box.
struct TMessageBoxRequest {
    QString Caption;
    QString Text;
    TMsgIcon Icon = TMsgIcon::None;
    TMsgButtons Buttons = TMsgButtons::Ok;
    // The button that Enter presses; None leaves the choice to the toolkit.
    TMsgButton DefaultButton = TMsgButton::None;
    // Kept above every other window and blocking the whole application.
    bool SystemModal = false;
    // The window the box belongs to and is centred on; when it is null or
    // not shown (yet), the active window.
    QWidget* Owner = nullptr;
};

// Every message box of the program is shown through this one interface, so
// that tests can replace it by a recorder that answers with scripted buttons
// and never blocks on a modal box.
class TMessagePresenter {
public:
    virtual ~TMessagePresenter() = default;

    // Shows the box modally and returns the button the user pressed. May
    // throw; callers that must not fail catch it.
    virtual TMsgButton Show(const TMessageBoxRequest& request) = 0;
};
