#include "query/tls_text.h"

#include "query/report_line.h"
#include "util/cp1252.h"

#include <QDateTime>

#include <string_view>

namespace httpreport {
namespace {

constexpr std::string_view kIssuedBy = ", ausgestellt von ";
constexpr std::string_view kValidUntil = ", g\xFCltig bis ";
constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

// The locale's short date with the year in full: a certificate may end
// years ahead, and two digits would leave the century open.
QString FullYearDate(const QDate& date, const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return locale.toString(date, format);
}

} // namespace

std::string TlsSessionText(const TTlsPeerInfo& tls) {
    return tls.Protocol + ", " + tls.Cipher;
}

std::string TlsCertificateText(const TTlsPeerInfo& tls, const QLocale& locale) {
    const std::string until =
        tls.NotAfter == 0
            ? std::string(reportline::kUnknown)
            : ToCp1252(FullYearDate(QDateTime::fromSecsSinceEpoch(tls.NotAfter).date(), locale));
    return ToCp1252(QString::fromStdString(tls.Subject)) + std::string(kIssuedBy) +
           ToCp1252(QString::fromStdString(tls.Issuer)) + std::string(kValidUntil) + until;
}

std::optional<std::int64_t> TlsDaysLeft(const TTlsPeerInfo& tls, std::int64_t nowSeconds) {
    if (tls.NotAfter == 0)
        return std::nullopt;
    const std::int64_t seconds = tls.NotAfter - nowSeconds;
    // Rounded down for ended certificates too: one second past the end is day -1.
    std::int64_t days = seconds / kSecondsPerDay;
    if (seconds % kSecondsPerDay < 0)
        --days;
    return days;
}

} // namespace httpreport
