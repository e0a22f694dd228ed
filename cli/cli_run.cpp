#include "cli/cli_run.h"

#include "cli/body_file.h"
#include "cli/cli_command.h"
#include "cli/cli_exit_code.h"
#include "cli/hop_list.h"
#include "cli/terminal_text.h"
#include "query/query_client_settings.h"
#include "query/query_json.h"
#include "query/query_report_input.h"
#include "query/report_text.h"
#include "util/cp1252.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>

namespace {

constexpr double kNanosecondsPerSecond = 1e9;

// Windows-1252 lines as they are, one per line.
QString DecodedLines(const std::vector<std::string>& lines) {
    QString text;
    for (const std::string& line : lines) {
        text += FromCp1252(line);
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace

TCliRun::TCliRun(TCliOptions options, QIODevice& out, QIODevice& err)
    : FOptions(std::move(options)), FOut(out), FErr(err) {
    FTimeout.setSingleShot(true);
    QObject::connect(&FTimeout, &QTimer::timeout, [this] { Abort(TAbortCause::Timeout); });
}

TCliRun::~TCliRun() = default;

int TCliRun::Exec() {
    if (!FOptions.OutputFile.isEmpty() && !OpenBodyFile())
        return kExitUsage;
    Configure();
    const THttpReportInput input = Request();
    // The body alone on the standard output, so that it can be piped on.
    Print(input, FBodyFile && FBodyFile->IsStandardOutput() ? FErr : FOut);
    ExplainAbort();
    const bool bodyWritten = CloseBodyFile();
    if (FAbortCause == TAbortCause::Interrupt)
        return kExitInterrupted;
    if (!bodyWritten)
        return kExitFailed;
    return input.Success ? kExitOk : kExitFailed;
}

void TCliRun::Interrupt() {
    Abort(TAbortCause::Interrupt);
}

void TCliRun::Abort(TAbortCause cause) {
    if (FClient.State() == THttpState::httpReady)
        return;
    FAbortCause = cause;
    FClient.Abort();
}

bool TCliRun::OpenBodyFile() {
    FBodyFile = std::make_unique<TBodyFile>(FOptions.OutputFile, FOut);
    if (!FBodyFile->Open()) {
        WriteUtf8(FErr, UsageErrorText(
                            QStringLiteral("Die Datei „%1“ lässt sich nicht zum Schreiben öffnen.")
                                .arg(FOptions.OutputFile)));
        return false;
    }
    FClient.SetReceiveStream(FBodyFile.get());
    return true;
}

void TCliRun::Configure() {
    queryclient::TQueryOptions query;
    // The SOCKS server of --socks takes the place of the environment's
    // proxy, as an option given takes the place of the environment.
    if (FOptions.Proxy || !FOptions.SocksHost.isEmpty())
        query.Proxy = FOptions.Proxy.value_or(QString()).toStdString();
    if (FOptions.NoProxy)
        query.NoProxy = FOptions.NoProxy->toStdString();
    query.HeadFallback = FOptions.HeadFallback;
    queryclient::ApplyQuerySettings(FClient, query);
    // UTF-8, as the client reads addresses: a Cyrillic name stays one.
    FClient.SetURL(FOptions.Url.toStdString());
    FClient.SetSslCAFile(QFile::encodeName(FOptions.CaFile).toStdString());
    FClient.SetSslVerify(!FOptions.Insecure);
    if (FOptions.SocksHost.isEmpty())
        return;
    FClient.SetSocksServer(ToCp1252(FOptions.SocksHost));
    FClient.SetSocksPort(ToCp1252(FOptions.SocksPort));
    FClient.SetSocksLevel(ToCp1252(FOptions.SocksLevel));
    if (!FOptions.SocksUser.isEmpty()) {
        FClient.SetSocksUsercode(ToCp1252(FOptions.SocksUser));
        FClient.SetSocksPassword(ToCp1252(FOptions.SocksPassword));
        FClient.SetSocksAuthentication(socksAuthenticateUsercode);
    }
}

THttpReportInput TCliRun::Request() {
    if (FOptions.Timeout)
        FTimeout.start(*FOptions.Timeout);
    QElapsedTimer clock;
    clock.start();
    bool success = false;
    try {
        if (FOptions.Get)
            FClient.Get();
        else
            FClient.Head();
        success = true;
    } catch (const std::exception&) {
        // The client's status and reason phrase tell what went wrong; the
        // report's error section shows them.
    }
    const qint64 nanoseconds = clock.nsecsElapsed();
    FTimeout.stop();

    THttpReportInput input = queryclient::QueryReportInput(FClient, success);
    input.TimedOut = FAbortCause == TAbortCause::Timeout;
    // The rate as the user waited for it: from the request to its end,
    // lookup and connection included.
    if (FOptions.Get && nanoseconds > 0)
        input.TransferRate = static_cast<double>(FClient.ReceivedCount()) * kNanosecondsPerSecond /
                             static_cast<double>(nanoseconds);
    return input;
}

void TCliRun::Print(const THttpReportInput& input, QIODevice& out) {
    if (FOptions.Json) {
        // The writer escapes every control character itself.
        WriteUtf8(out, queryclient::QueryJson(input, QLocale::system(),
                                              QDateTime::currentSecsSinceEpoch()) +
                           QLatin1Char('\n'));
        return;
    }
    // Report values and header lines are the server's bytes.
    const TReportLines lines = httpreport::ComposeHttpReport(input);
    WriteUtf8(out,
              TerminalText(FOptions.Lines ? DecodedLines(lines) : httpreport::ReportText(lines)));
    if (FOptions.Hops)
        WriteUtf8(out, QLatin1Char('\n') + TerminalText(HopListText(input)));
    if (FOptions.Headers && !input.ReceivedHeader.empty())
        WriteUtf8(out, QLatin1Char('\n') + TerminalText(DecodedLines(input.ReceivedHeader)));
}

void TCliRun::ExplainAbort() {
    switch (FAbortCause) {
    case TAbortCause::None:
        break;
    case TAbortCause::Timeout: {
        const double seconds = std::chrono::duration<double>(*FOptions.Timeout).count();
        WriteUtf8(FErr, CliNoteText(QStringLiteral("Keine vollständige Antwort nach %1 %2, "
                                                   "die Anfrage wurde abgebrochen.")
                                        .arg(seconds)
                                        .arg(seconds == 1.0 ? QStringLiteral("Sekunde")
                                                            : QStringLiteral("Sekunden"))));
        break;
    }
    case TAbortCause::Interrupt:
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
