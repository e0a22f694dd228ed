// One copy of the program for the single-copy tests: the real entry point with
// a presenter that prints every box to stdout instead of showing it, so that
// a refused copy ends by itself. Prints "running" once its event loop runs.

#include "app/entry_point.h"
#include "util/message_presenter.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

class TPrintingPresenter : public TMessagePresenter {
public:
    TMsgButton Show(const TMessageBoxRequest& request) override {
        std::printf("caption=%s\ntext=%s\nicon=%d\nbuttons=%d\nwindows=%d\n",
                    qPrintable(request.Caption), qPrintable(request.Text),
                    static_cast<int>(request.Icon), static_cast<int>(request.Buttons),
                    static_cast<int>(QApplication::topLevelWidgets().size()));
        std::fflush(stdout);
        return TMsgButton::Ok;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Fires at the first processing of events, which a refused copy never reaches.
    QTimer::singleShot(0, [] {
        std::puts("running");
        std::fflush(stdout);
    });
    TPrintingPresenter presenter;
    return RunQuorvik(presenter);
}
