#include "cli/list_run.h"

#include "cli/address_source.h"
#include "cli/brief_line.h"
#include "cli/cli_command.h"
#include "cli/cli_exit_code.h"
#include "cli/cli_query.h"
#include "cli/query_output.h"
#include "http/uri.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>

#include <unistd.h>

namespace {

constexpr qint64 kIdle = -1;

// The host and port as the client reads the address, the key of the
// per-host count: servers on other ports of one machine are counted apart.
// An address the client cannot read fails at once and counts as itself.
QString HostOf(const QString& url) {
    const TUriParse parsed = ParseTypedAddress(url.toStdString());
    if (parsed.Error != TUriError::None)
        return url;
    return QString::fromStdString(HostForUri(parsed.Uri) + ':' + EffectivePort(parsed.Uri));
}

} // namespace

TListRun::TListRun(TCliOptions options, TListOptions list, QIODevice& out, QIODevice& err,
                   bool progress, bool outOnTerminal)
    : FOptions(std::move(options)), FList(std::move(list)), FOut(out), FErr(err),
      FProgress(err, progress), FOutOnTerminal(outOnTerminal) {}

TListRun::~TListRun() = default;

int TListRun::Exec() {
    if (!OpenInput()) {
        WriteUtf8(
            FErr,
            UsageErrorText(
                QStringLiteral("Die Datei „%1“ lässt sich nicht lesen.").arg(FList.InputFile)));
        return kExitUsage;
    }
    FSource =
        std::make_unique<TAddressSource>(FList.Urls, FList.InputFile.isEmpty() ? nullptr : &FInput);
    Fill();
    while (!Finished())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    FProgress.Hide();
    if (FInterrupted) {
        WriteUtf8(FErr, CliNoteText(QStringLiteral("Die Abfragen wurden mit Strg+C abgebrochen.")));
        return kExitInterrupted;
    }
    return FFailed ? kExitFailed : kExitOk;
}

void TListRun::Interrupt() {
    if (FInterrupted)
        return;
    FInterrupted = true;
    for (const std::unique_ptr<TCliQuery>& client : FClients)
        client->Abort(TCliQuery::TAbortCause::Interrupt);
}

bool TListRun::OpenInput() {
    if (FList.InputFile.isEmpty())
        return true;
    if (FList.InputFile == QLatin1String("-")) {
        if (!FInput.open(STDIN_FILENO, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            return false;
    } else {
        FInput.setFileName(FList.InputFile);
        if (!FInput.open(QIODevice::ReadOnly))
            return false;
    }
    WatchInput();
    return true;
}

void TListRun::WatchInput() {
    FInputWatch = std::make_unique<QSocketNotifier>(FInput.handle(), QSocketNotifier::Read);
    FInputWatch->setEnabled(false);
    QObject::connect(FInputWatch.get(), &QSocketNotifier::activated, [this] {
        FInputWatch->setEnabled(false);
        Fill();
    });
}

bool TListRun::Finished() const {
    return FRunning == 0 && (FInterrupted || (FSourceEnded && FWindow.empty()));
}

void TListRun::Fill() {
    while (!FInterrupted && FRunning < FList.Parallel) {
        const auto ready = std::find_if(FWaiting.begin(), FWaiting.end(), [this](qint64 index) {
            return FHostRunning.value(Entry(index).Host) < FList.PerHost;
        });
        if (ready != FWaiting.end()) {
            const qint64 index = *ready;
            FWaiting.erase(ready);
            Start(index);
        } else if (!ReadAddress()) {
            return;
        }
    }
}

bool TListRun::ReadAddress() {
    // Waiting addresses beyond one per client would only queue for the
    // same busy hosts.
    if (FSourceEnded || FWaiting.size() >= static_cast<std::size_t>(FList.Parallel) ||
        FWindow.size() >= static_cast<std::size_t>(kResultWindowPerClient * FList.Parallel))
        return false;
    // Running requests go on while a pipe or terminal has no line yet.
    if (!FSource->Ready()) {
        FInputWatch->setEnabled(true);
        return false;
    }
    const std::optional<TAddressLine> line = FSource->Next();
    if (!line) {
        FSourceEnded = true;
        return false;
    }
    if (line->TooLong) {
        FProgress.Hide();
        WriteUtf8(FErr, CliNoteText(QStringLiteral("Zeile %1 der Eingabe ist länger als %2 Bytes "
                                                   "und wurde übersprungen.")
                                        .arg(line->LineNumber)
                                        .arg(kMaxAddressLineBytes)));
        FFailed = true;
        return true;
    }
    FWindow.push_back(TEntry{line->Address, HostOf(line->Address), false, QString()});
    FWaiting.push_back(FFirstIndex + static_cast<qint64>(FWindow.size()) - 1);
    return true;
}

void TListRun::Start(qint64 index) {
    if (FIdle.empty()) {
        const std::size_t client = FClients.size();
        FClients.push_back(std::make_unique<TCliQuery>(FOptions, [this, client] { Done(client); }));
        // A list asks the same servers again and again: a connection kept
        // saves the lookup, the connect and the handshake of the next one.
        FClients.back()->Client().SetKeepAlive(true);
        FClientEntry.push_back(kIdle);
        FClientHost.emplace_back();
        FIdle.push_back(client);
    }
    const TEntry& entry = Entry(index);
    // An idle client that asked this host last may still hold a connection to it.
    auto idle = std::find_if(FIdle.rbegin(), FIdle.rend(), [this, &entry](std::size_t client) {
        return FClientHost[client] == entry.Host;
    });
    if (idle == FIdle.rend())
        idle = FIdle.rbegin();
    const std::size_t client = *idle;
    FIdle.erase(std::next(idle).base());
    FClientEntry[client] = index;
    FClientHost[client] = entry.Host;
    ++FRunning;
    ++FHostRunning[entry.Host];
    FClients[client]->Start(entry.Url);
}

void TListRun::Done(std::size_t client) {
    TEntry& entry = Entry(FClientEntry[client]);
    FClientEntry[client] = kIdle;
    FIdle.push_back(client);
    --FRunning;
    if (--FHostRunning[entry.Host] == 0)
        FHostRunning.remove(entry.Host);
    // What Ctrl+C cut short is left out, with everything after it.
    if (FInterrupted)
        return;
    entry.Done = true;
    entry.Text = Output(*FClients[client]);
    FFailed = FFailed || !FClients[client]->Result().Success;
    ++FDoneCount;
    Flush();
    Fill();
    FProgress.Show(FDoneCount, FSource->Total());
}

QString TListRun::Output(const TCliQuery& query) const {
    switch (FList.Format) {
    case TListFormat::Brief:
        return BriefLine(query.Result(), query.ElapsedMs());
    case TListFormat::Json:
        return QueryOutputText(FOptions, query.Result(), TJsonWriter::TLayout::Compact);
    case TListFormat::Report:
        break;
    }
    return QueryOutputText(FOptions, query.Result(), TJsonWriter::TLayout::Indented);
}

void TListRun::Flush() {
    QString text;
    while (!FWindow.empty() && FWindow.front().Done) {
        if (FList.Format == TListFormat::Report && FPrinted > 0)
            text += QLatin1Char('\n');
        text += FWindow.front().Text;
        FWindow.pop_front();
        ++FFirstIndex;
        ++FPrinted;
    }
    if (text.isEmpty())
        return;
    if (FOutOnTerminal)
        FProgress.Hide();
    WriteUtf8(FOut, text);
}

TListRun::TEntry& TListRun::Entry(qint64 index) {
    return FWindow[static_cast<std::size_t>(index - FFirstIndex)];
}
