#include "app/entry_point.h"
#include "util/qt_message_presenter.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    TQtMessagePresenter presenter;
    return RunQuorvik(presenter);
}
