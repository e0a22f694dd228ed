#include "app/entry_point.h"
#include "app/quorvik_command.h"
#include "util/qt_message_presenter.h"

#include <QApplication>

int main(int argc, char** argv) {
    const TProgramTexts texts = QuorvikProgramTexts();
    // --help and --version are answered before the application object
    // exists, since that needs a display. Qt's own options are still on the
    // line here, so a usage error can only be told after it.
    const TProgramCommand asked =
        ParseProgramCommand(ProgramArguments(argc, argv), kQuorvikMaxOperands);
    if (asked.Kind != TProgramCommand::TKind::UsageError)
        if (const std::optional<int> status = AnswerProgramCommand(asked, texts))
            return *status;
    QApplication application(argc, argv);
    // Qt has taken out the options it handled (-display, -platform ...).
    const TProgramCommand command =
        ParseProgramCommand(QCoreApplication::arguments().mid(1), kQuorvikMaxOperands);
    if (const std::optional<int> status = AnswerProgramCommand(command, texts))
        return *status;
    TQtMessagePresenter presenter;
    return RunQuorvik(presenter, command.Operands.value(0));
}
