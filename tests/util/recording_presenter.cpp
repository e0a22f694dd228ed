#include "tests/util/recording_presenter.h"

#include <stdexcept>

TMsgButton TRecordingPresenter::Show(const TMessageBoxRequest& request) {
    if (FailingCalls > 0) {
        --FailingCalls;
        throw std::runtime_error("presenter failure");
    }
    Shown.push_back(request);
    if (!Answers.empty()) {
        const TMsgButton answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    return request.DefaultButton == TMsgButton::None ? TMsgButton::Ok : request.DefaultButton;
}
