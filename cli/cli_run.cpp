#include "cli/cli_run.h"

#include "cli/body_file.h"
#include "cli/cli_command.h"
#include "cli/cli_exit_code.h"
#include "cli/terminal_text.h"
#include "query/query_client_settings.h"
#include "query/query_report_input.h"
#include "query/report_text.h"
#include "util/cp1252.h"

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
    : options_(std::move(options)), out_(out), err_(err) {
    queryclient::ApplyQuerySettings(client_);
    timeout_.setSingleShot(true);
    QObject::connect(&timeout_, &QTimer::timeout, [this] { Abort(TAbortCause::Timeout); });
}

TCliRun::~TCliRun() = default;

int TCliRun::Exec() {
    if (!options_.OutputFile.isEmpty() && !OpenBodyFile())
        return kExitUsage;
    Configure();
    const THttpReportInput input = Request();
    // The body alone on the standard output, so that it can be piped on.
    Print(input, bodyFile_ && bodyFile_->IsStandardOutput() ? err_ : out_);
    ExplainAbort();
    if (!CloseBodyFile())
        return kExitFailed;
    return input.Success ? kExitOk : kExitFailed;
}

void TCliRun::Interrupt() {
    Abort(TAbortCause::Interrupt);
}

void TCliRun::Abort(TAbortCause cause) {
    if (client_.State() == THttpState::httpReady)
        return;
    abortCause_ = cause;
    client_.Abort();
}

bool TCliRun::OpenBodyFile() {
    bodyFile_ = std::make_unique<TBodyFile>(options_.OutputFile, out_);
    if (!bodyFile_->Open()) {
        WriteUtf8(err_, UsageErrorText(
                            QStringLiteral("Die Datei „%1“ lässt sich nicht zum Schreiben öffnen.")
                                .arg(options_.OutputFile)));
        return false;
    }
    client_.SetReceiveStream(bodyFile_.get());
    return true;
}

void TCliRun::Configure() {
    client_.SetURL(ToCp1252(options_.Url));
    client_.SetProxy(ToCp1252(options_.ProxyHost));
    if (!options_.ProxyPort.isEmpty())
        client_.SetProxyPort(ToCp1252(options_.ProxyPort));
    client_.SetSslCAFile(QFile::encodeName(options_.CaFile).toStdString());
    client_.SetSslVerify(!options_.Insecure);
    if (options_.SocksHost.isEmpty())
        return;
    client_.SetSocksServer(ToCp1252(options_.SocksHost));
    client_.SetSocksPort(ToCp1252(options_.SocksPort));
    client_.SetSocksLevel(ToCp1252(options_.SocksLevel));
    if (!options_.SocksUser.isEmpty()) {
        client_.SetSocksUsercode(ToCp1252(options_.SocksUser));
        client_.SetSocksPassword(ToCp1252(options_.SocksPassword));
        client_.SetSocksAuthentication(socksAuthenticateUsercode);
    }
}

THttpReportInput TCliRun::Request() {
    if (options_.Timeout)
        timeout_.start(*options_.Timeout);
    QElapsedTimer clock;
    clock.start();
    bool success = false;
    try {
        if (options_.Get)
            client_.Get();
        else
            client_.Head();
        success = true;
    } catch (const std::exception&) {
        // The client's status and reason phrase tell what went wrong; the
        // report's error section shows them.
    }
    const qint64 nanoseconds = clock.nsecsElapsed();
    timeout_.stop();

    THttpReportInput input = queryclient::QueryReportInput(client_, success);
    // The rate as the user waited for it: from the request to its end,
    // lookup and connection included.
    if (options_.Get && nanoseconds > 0)
        input.TransferRate = static_cast<double>(client_.ReceivedCount()) * kNanosecondsPerSecond /
                             static_cast<double>(nanoseconds);
    return input;
}

void TCliRun::Print(const THttpReportInput& input, QIODevice& out) {
    // Report values and header lines are the server's bytes.
    const TReportLines lines = httpreport::ComposeHttpReport(input);
    WriteUtf8(out,
              TerminalText(options_.Lines ? DecodedLines(lines) : httpreport::ReportText(lines)));
    if (options_.Headers && !input.ReceivedHeader.empty())
        WriteUtf8(out, QLatin1Char('\n') + TerminalText(DecodedLines(input.ReceivedHeader)));
}

void TCliRun::ExplainAbort() {
    switch (abortCause_) {
    case TAbortCause::None:
        break;
    case TAbortCause::Timeout: {
        const double seconds = std::chrono::duration<double>(*options_.Timeout).count();
        WriteUtf8(err_, CliNoteText(QStringLiteral("Keine vollständige Antwort nach %1 %2, "
                                                   "die Anfrage wurde abgebrochen.")
                                        .arg(seconds)
                                        .arg(seconds == 1.0 ? QStringLiteral("Sekunde")
                                                            : QStringLiteral("Sekunden"))));
        break;
    }
    case TAbortCause::Interrupt:
        WriteUtf8(err_, CliNoteText(QStringLiteral("Die Anfrage wurde mit Strg+C abgebrochen.")));
        break;
    }
}

bool TCliRun::CloseBodyFile() {
    if (!bodyFile_ || bodyFile_->Finish())
        return true;
    WriteUtf8(err_, CliNoteText(bodyFile_->IsStandardOutput()
                                    ? QStringLiteral("Der Inhalt konnte nicht vollständig auf die "
                                                     "Standardausgabe geschrieben werden.")
                                    : QStringLiteral("Der Inhalt konnte nicht vollständig in „%1“ "
                                                     "geschrieben werden.")
                                          .arg(options_.OutputFile)));
    return false;
}
