#include "cli/cli_command.h"
#include "cli/cli_exit_code.h"
#include "cli/cli_run.h"
#include "cli/interrupt_watch.h"
#include "cli/list_run.h"

#include <QCoreApplication>
#include <QFile>

#include <unistd.h>

// A core application only: the command line needs no display.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QLatin1String(kCliProgramName));
    QFile out;
    QFile err;
    out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered,
             QFileDevice::DontCloseHandle);
    err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered,
             QFileDevice::DontCloseHandle);

    const TCliCommand command = ParseCliCommand(QCoreApplication::arguments().mid(1));
    switch (command.Kind) {
    case TCliCommand::TKind::Help:
        WriteUtf8(out, CliHelpText());
        return kExitOk;
    case TCliCommand::TKind::Version:
        WriteUtf8(out, CliVersionText());
        return kExitOk;
    case TCliCommand::TKind::UsageError:
        WriteUtf8(err, UsageErrorText(command.Error));
        return kExitUsage;
    case TCliCommand::TKind::List: {
        TListRun run(command.Options, command.List, out, err, isatty(STDERR_FILENO) == 1,
                     isatty(STDOUT_FILENO) == 1);
        // Before the requests start the resolver's threads.
        const TInterruptWatch interrupts([&run] { run.Interrupt(); });
        return run.Exec();
    }
    case TCliCommand::TKind::Run:
        break;
    }
    TCliRun run(command.Options, out, err);
    // Before the request starts the resolver's threads.
    const TInterruptWatch interrupts([&run] { run.Interrupt(); });
    return run.Exec();
}
