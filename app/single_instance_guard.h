#pragma once

#include <QString>

// Keeps a second copy of the program from starting: the first copy holds an
// exclusive lock on a per-user lock file for as long as it runs. The lock is
// advisory (flock) and belongs to the open file, so it goes away with the
// process however it ends, and a stale file left behind never blocks a start.
class TSingleInstanceGuard {
public:
    // A file of the running user that belongs to the lock: "Vendrix.Quorvik"
    // and `suffix` in $XDG_RUNTIME_DIR, or, without that folder, a name that
    // also carries the user id in the temporary folder (shared by all users).
    static QString RuntimePath(const QString& suffix);
    // The lock file: RuntimePath(".lock").
    static QString DefaultLockPath();

    explicit TSingleInstanceGuard(const QString& lockPath);
    ~TSingleInstanceGuard();
    TSingleInstanceGuard(const TSingleInstanceGuard&) = delete;
    TSingleInstanceGuard& operator=(const TSingleInstanceGuard&) = delete;

    // Takes the lock without waiting. False when another process holds it or
    // the lock file cannot be opened or created. Once taken, the lock is held
    // until this object is destroyed or the process ends.
    bool Acquire();
    bool IsHeld() const { return FFd >= 0; }

private:
    QString FLockPath;
    int FFd = -1;
};
