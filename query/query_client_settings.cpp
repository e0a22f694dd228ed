#include "query/query_client_settings.h"

#include "http/http_client.h"
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

void ApplyQuerySettings(THttpClient& client) {
    client.SetAgent(QueryAgent());
    client.SetAccept(http_limits::kDefaultAccept);
}

} // namespace queryclient
