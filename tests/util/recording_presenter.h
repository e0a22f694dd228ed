#pragma once

#include "util/message_presenter.h"

#include <deque>
#include <vector>

// A presenter that records every box and answers with scripted buttons
// instead of blocking. Without a scripted answer it presses the default
// button, or Ok.
class TRecordingPresenter : public TMessagePresenter {
public:
    TMsgButton Show(const TMessageBoxRequest& request) override;

    std::vector<TMessageBoxRequest> Shown;
    std::deque<TMsgButton> Answers;
    // The next this many calls throw instead of showing a box.
    int FailingCalls = 0;
};
