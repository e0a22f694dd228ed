#include "util/zarvo_honk_os.h"

#include <QStringList>
#include <sys/utsname.h>

namespace {

constexpr char kSystemName[] = "Linux";
constexpr char kNTShortName[] = "WinNT";

// The n-th number of a kernel release such as "6.1.0-28-amd64"; "" when it
// has fewer numbers.
QString ReleaseNumber(const QString& release, int n) {
    const QString numbers = release.section('-', 0, 0);
    const QStringList parts = numbers.split('.');
    return n < parts.size() ? parts[n] : QString();
}

} // namespace

QString TZarvoHonkOS::Get(int index) const {
    utsname info{};
    if (uname(&info) != 0)
        return {};
    const QString release = QString::fromLocal8Bit(info.release);
    switch (index) {
    case idxName:
    case idxShortName:
        return QString::fromLatin1(kSystemName);
    case idxVersion:
        return release;
    case idxMajorVer:
        return ReleaseNumber(release, 0);
    case idxMinorVer:
        return ReleaseNumber(release, 1);
    case idxBuildNr:
        return ReleaseNumber(release, 2);
    case idxAddInfo:
        return QString::fromLocal8Bit(info.version);
    default:
        return {};
    }
}

bool TZarvoHonkOS::IsNT() const {
    return ShortName() == QLatin1String(kNTShortName);
}
