#include "cli/cli_query.h"

#include "query/query_client_settings.h"
#include "query/query_report_input.h"
#include "util/cp1252.h"

#include <QFile>

namespace {

constexpr double kNanosecondsPerSecond = 1e9;
constexpr double kNanosecondsPerMillisecond = 1e6;

} // namespace

TCliQuery::TCliQuery(const TCliOptions& options, std::function<void()> onDone)
    : FOptions(options), FOnDone(std::move(onDone)) {
    FTimeout.setSingleShot(true);
    QObject::connect(&FTimeout, &QTimer::timeout, [this] { Abort(TAbortCause::Timeout); });
    FClient.OnRequestDone = [this](THttpClient*, THttpRequest, std::uint16_t) { Finish(); };
    Configure();
}

void TCliQuery::Configure() {
    queryclient::TQueryOptions query;
    // The SOCKS server of --socks takes the place of the environment's
    // proxy, as an option given takes the place of the environment.
    if (FOptions.Proxy || !FOptions.SocksHost.isEmpty())
        query.Proxy = FOptions.Proxy.value_or(QString()).toStdString();
    if (FOptions.NoProxy)
        query.NoProxy = FOptions.NoProxy->toStdString();
    query.HeadFallback = FOptions.HeadFallback;
    queryclient::ApplyQuerySettings(FClient, query);
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

void TCliQuery::Start(const QString& url) {
    FRunning = true;
    FAbortCause = TAbortCause::None;
    // UTF-8, as the client reads addresses: a Cyrillic name stays one.
    FClient.SetURL(url.toStdString());
    if (FOptions.Timeout)
        FTimeout.start(*FOptions.Timeout);
    FClock.start();
    // Only a busy client would refuse to start, and this one is idle.
    if (FOptions.Get)
        FClient.GetASync();
    else
        FClient.HeadASync();
}

void TCliQuery::Abort(TAbortCause cause) {
    if (!FRunning || FClient.State() == THttpState::httpReady)
        return;
    FAbortCause = cause;
    FClient.Abort();
}

void TCliQuery::Finish() {
    const qint64 nanoseconds = FClock.nsecsElapsed();
    FTimeout.stop();
    FElapsedMs = static_cast<double>(nanoseconds) / kNanosecondsPerMillisecond;
    // A status the client raises as an error in a blocking request.
    const bool success = FClient.StatusCode() < http_errors::kFirstErrorStatus;
    FResult = queryclient::QueryReportInput(FClient, success);
    FResult.TimedOut = FAbortCause == TAbortCause::Timeout;
    // The rate as the user waited for it: from the request to its end,
    // lookup and connection included.
    if (FOptions.Get && nanoseconds > 0)
        FResult.TransferRate = static_cast<double>(FClient.ReceivedCount()) *
                               kNanosecondsPerSecond / static_cast<double>(nanoseconds);
    FRunning = false;
    // Last: the handler may start the next request.
    FOnDone();
}
