#pragma once

#include "cli/cli_options.h"
#include "cli/cli_query.h"

#include <memory>

class QIODevice;
class TBodyFile;

// One query from the command line: the window's request with the same client
// settings, without its waits, and the report printed in UTF-8. Needs a
// running Qt core application on the calling thread.
class TCliRun {
public:
    TCliRun(TCliOptions options, QIODevice& out, QIODevice& err);
    ~TCliRun();
    TCliRun(const TCliRun&) = delete;
    TCliRun& operator=(const TCliRun&) = delete;

    // Sends the request, prints the report (and the hops and the header
    // lines when asked), or the result as JSON, to `out` (to `err` when the
    // body goes to `out`), notes on `err` why a request was cut short;
    // returns the exit status (TCliExitCode).
    int Exec();

    // Ends a running request as aborted, so that the report and the body file
    // are still completed; does nothing while no request runs.
    void Interrupt();

    // The client that runs the request (a test replaces its socket's lookup).
    THttpClient& Client() { return FQuery.Client(); }

private:
    bool OpenBodyFile();
    void ExplainAbort();
    bool CloseBodyFile();

    TCliOptions FOptions;
    QIODevice& FOut;
    QIODevice& FErr;
    TCliQuery FQuery;
    std::unique_ptr<TBodyFile> FBodyFile; // with "-o" only
};
