#include "cli/cli_run.h"

#include "cli/body_file.h"
#include "cli/cli_command.h"
#include "cli/cli_exit_code.h"
#include "cli/query_output.h"

#include <QCoreApplication>

TCliRun::TCliRun(TCliOptions options, QIODevice& out, QIODevice& err)
    : FOptions(std::move(options)), FOut(out), FErr(err), FQuery(FOptions, [] {}) {}

TCliRun::~TCliRun() = default;

int TCliRun::Exec() {
    if (!FOptions.OutputFile.isEmpty() && !OpenBodyFile())
        return kExitUsage;
    FQuery.Start(FOptions.Url);
    // Sleep in the event loop until the request has ended.
    while (FQuery.Running())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    const THttpReportInput& input = FQuery.Result();
    // The body alone on the standard output, so that it can be piped on.
    WriteUtf8(FBodyFile && FBodyFile->IsStandardOutput() ? FErr : FOut,
              QueryOutputText(FOptions, input, TJsonWriter::TLayout::Indented));
    ExplainAbort();
    const bool bodyWritten = CloseBodyFile();
    if (FQuery.AbortCause() == TCliQuery::TAbortCause::Interrupt)
        return kExitInterrupted;
    if (!bodyWritten)
        return kExitFailed;
    return input.Success ? kExitOk : kExitFailed;
}

void TCliRun::Interrupt() {
    FQuery.Abort(TCliQuery::TAbortCause::Interrupt);
}

bool TCliRun::OpenBodyFile() {
    FBodyFile = std::make_unique<TBodyFile>(FOptions.OutputFile, FOut);
    if (!FBodyFile->Open()) {
        WriteUtf8(FErr, UsageErrorText(
                            QStringLiteral("Die Datei „%1“ lässt sich nicht zum Schreiben öffnen.")
                                .arg(FOptions.OutputFile)));
        return false;
    }
    FQuery.Client().SetReceiveStream(FBodyFile.get());
    return true;
}

void TCliRun::ExplainAbort() {
    switch (FQuery.AbortCause()) {
    case TCliQuery::TAbortCause::None:
        break;
    case TCliQuery::TAbortCause::Timeout: {
        const double seconds = std::chrono::duration<double>(*FOptions.Timeout).count();
        WriteUtf8(FErr, CliNoteText(QStringLiteral("Keine vollständige Antwort nach %1 %2, "
                                                   "die Anfrage wurde abgebrochen.")
                                        .arg(seconds)
                                        .arg(seconds == 1.0 ? QStringLiteral("Sekunde")
                                                            : QStringLiteral("Sekunden"))));
        break;
    }
    case TCliQuery::TAbortCause::Interrupt:
        WriteUtf8(FErr, CliNoteText(QStringLiteral("Die Anfrage wurde mit Strg+C abgebrochen.")));
        break;
    }
}

bool TCliRun::CloseBodyFile() {
    if (!FBodyFile || FBodyFile->Finish())
        return true;
    WriteUtf8(FErr, CliNoteText(FBodyFile->IsStandardOutput()
                                    ? QStringLiteral("Der Inhalt konnte nicht vollständig auf die "
                                                     "Standardausgabe geschrieben werden.")
                                    : QStringLiteral("Der Inhalt konnte nicht vollständig in „%1“ "
                                                     "geschrieben werden.")
                                          .arg(FOptions.OutputFile)));
    return false;
}
