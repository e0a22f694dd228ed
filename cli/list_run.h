#pragma once

#include "cli/cli_options.h"
#include "cli/list_options.h"
#include "cli/progress_line.h"

#include <QFile>
#include <QHash>

#include <deque>
#include <memory>
#include <vector>

class QIODevice;
class QSocketNotifier;
class TAddressSource;
class TCliQuery;

// Finished addresses kept per client while an earlier one still runs; when
// the window is full no further address is read until the earliest is done.
inline constexpr int kResultWindowPerClient = 16;

// Many addresses from the command line at once: up to Parallel clients on
// the calling thread's event loop, at most PerHost of them to the host and
// port that one typed address names (a later address for a busy host waits,
// those for other hosts go on). Addresses are read only when a client is free, and each result is
// printed, in input order, as soon as it and all before it are done. Memory
// stays bounded by the number of clients, whatever the list's length. Needs
// a running Qt core application on the calling thread.
class TListRun {
public:
    // `progress`: draw the progress line on `err` (a terminal);
    // `outOnTerminal`: `out` shows on a terminal too, so the line makes way
    // for each result.
    TListRun(TCliOptions options, TListOptions list, QIODevice& out, QIODevice& err, bool progress,
             bool outOnTerminal);
    ~TListRun();
    TListRun(const TListRun&) = delete;
    TListRun& operator=(const TListRun&) = delete;

    // Runs every address and prints the results; returns the exit status
    // (TCliExitCode): kExitUsage when the input cannot be read.
    int Exec();

    // Ends every running request and reads no further address; what was
    // done before stays printed, the rest is not. Exec then returns
    // kExitInterrupted.
    void Interrupt();

private:
    struct TEntry {
        QString Url;
        QString Host; // "host:port", lower case; whose count the entry's client takes
        bool Done = false;
        QString Text; // what is printed for it, once done
    };

    bool OpenInput();
    void WatchInput();
    bool Finished() const;
    // Starts waiting addresses and reads new ones while a client is free.
    void Fill();
    bool ReadAddress();
    void Start(qint64 index);
    void Done(std::size_t client);
    QString Output(const TCliQuery& query) const;
    void Flush();
    TEntry& Entry(qint64 index);

    TCliOptions FOptions;
    TListOptions FList;
    QIODevice& FOut;
    QIODevice& FErr;
    TProgressLine FProgress;
    bool FOutOnTerminal;
    QFile FInput;
    // Watches a pipe or terminal while it has no line for a free client.
    std::unique_ptr<QSocketNotifier> FInputWatch;
    std::unique_ptr<TAddressSource> FSource;
    bool FSourceEnded = false;

    std::vector<std::unique_ptr<TCliQuery>> FClients; // made as they are needed
    std::vector<qint64> FClientEntry;                 // the index each runs; -1: idle
    std::vector<std::size_t> FIdle;
    // The host each client asked last: its kept connection may lead there.
    std::vector<QString> FClientHost;
    int FRunning = 0;
    QHash<QString, int> FHostRunning; // hosts with a running client only

    std::deque<TEntry> FWindow;  // from the first address not yet printed
    qint64 FFirstIndex = 0;      // of FWindow.front()
    std::deque<qint64> FWaiting; // read, not started, in input order
    qint64 FDoneCount = 0;
    qint64 FPrinted = 0;
    bool FFailed = false;
    bool FInterrupted = false;
};
