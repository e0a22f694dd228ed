#include "query/query_client_settings.h"

#include "http/http_client.h"
#include "http/proxy_config.h"
#include "util/cp1252.h"
#include "util/zarvo_honk_os.h"

namespace queryclient {
namespace {

constexpr char kAgentFormat[] = "Mozilla/3.0 (compatible; Vendrix %1; %2)";

} // namespace

std::string QueryAgent() {
    const TZarvoHonkOS os;
    const QString product =
        QStringLiteral("%1 %2").arg(QLatin1String(kProductName), QLatin1String(kProductVersion));
    const QString system = os.Name() + QLatin1Char(' ') + os.Version();
    return ToCp1252(QString::fromLatin1(kAgentFormat).arg(product, system));
}

void ApplyQuerySettings(THttpClient& client, const TQueryOptions& options) {
    client.SetAgent(QueryAgent());
    client.SetAccept(http_limits::kDefaultAccept);
    TProxyConfig proxies(ProcessEnvironment);
    if (options.Proxy)
        proxies.SetExplicitProxy(*options.Proxy);
    if (options.NoProxy)
        proxies.SetNoProxy(*options.NoProxy);
    client.SetProxyConfig(proxies);
    client.SetHeadFallback(options.HeadFallback);
}

} // namespace queryclient
