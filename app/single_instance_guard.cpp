#include "app/single_instance_guard.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QString kLockName = QStringLiteral("Vendrix.Quorvik");
const QString kLockSuffix = QStringLiteral(".lock");
constexpr mode_t kLockFileMode = 0600;

} // namespace

QString TSingleInstanceGuard::RuntimePath(const QString& suffix) {
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty())
        return QDir(runtimeDir).filePath(kLockName + suffix);
    // The temporary folder is shared, so the name has to tell the users apart.
    return QDir(QDir::tempPath())
        .filePath(kLockName + QLatin1Char('-') + QString::number(getuid()) + suffix);
}

QString TSingleInstanceGuard::DefaultLockPath() {
    return RuntimePath(kLockSuffix);
}

TSingleInstanceGuard::TSingleInstanceGuard(const QString& lockPath) : FLockPath(lockPath) {}

TSingleInstanceGuard::~TSingleInstanceGuard() {
    if (FFd >= 0)
        close(FFd);
}

bool TSingleInstanceGuard::Acquire() {
    if (FFd >= 0)
        return true;
    // Close-on-exec: a program started from here (the help viewer) must not
    // inherit the lock and keep it after this copy has ended. No symlinks, so
    // another user cannot point a lock name in /tmp at somebody else's file.
    const int fd = open(QFile::encodeName(FLockPath).constData(),
                        O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kLockFileMode);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    FFd = fd;
    return true;
}
