#pragma once

#include "cli/cli_options.h"
#include "http/http_client.h"
#include "query/http_report.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// One client of the command line, set up as the window sets up its own, that
// runs one address at a time without blocking: the end of each request is
// told through `onDone`, from the event loop of the calling thread. Needs a
// running Qt core application on that thread.
class TCliQuery {
public:
    enum class TAbortCause { None, Timeout, Interrupt };

    // `options` stay those of every request (all but the address); `onDone`
    // may start the next request at once.
    TCliQuery(const TCliOptions& options, std::function<void()> onDone);
    TCliQuery(const TCliQuery&) = delete;
    TCliQuery& operator=(const TCliQuery&) = delete;

    // Starts the request for `url` (as typed, UTF-8 when sent) with the
    // options' method, proxy, certificates and time limit; only while no
    // request runs.
    void Start(const QString& url);
    bool Running() const { return FRunning; }

    // Ends a running request as aborted; its end is still told. Does nothing
    // while no request runs.
    void Abort(TAbortCause cause);

    // Of the request that ended last.
    const THttpReportInput& Result() const { return FResult; }
    TAbortCause AbortCause() const { return FAbortCause; }
    // From the start to the end, lookup and connection included.
    double ElapsedMs() const { return FElapsedMs; }

    // The client that runs the requests (a test replaces its socket's lookup).
    THttpClient& Client() { return FClient; }

private:
    void Configure();
    void Finish();

    const TCliOptions& FOptions;
    std::function<void()> FOnDone;
    THttpClient FClient;
    QTimer FTimeout;
    QElapsedTimer FClock;
    bool FRunning = false;
    TAbortCause FAbortCause = TAbortCause::None;
    THttpReportInput FResult;
    double FElapsedMs = 0.0;
};
