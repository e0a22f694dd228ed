#pragma once

#include "base/unique_fd.h"

#include <QString>

#include <functional>
#include <memory>

class QSocketNotifier;

// The way a second copy of the program asks the running one to bring its
// window to the front: a Unix-domain datagram socket beside the single-copy
// lock, bound by the copy that holds the lock and open to the same user only
// (mode 0600, and the sender's user id checked on every datagram). The one
// message is a fixed request; anything else is dropped unread, so nothing
// sent here can do more than raise the window.
class TActivationChannel {
public:
    // "Vendrix.Quorvik.sock" beside the lock file (TSingleInstanceGuard).
    static QString DefaultPath();

    // Binds the socket at `path`, replacing a file left there by a copy
    // that ended without removing it (only the lock holder binds).
    // `onRequest` runs on the calling thread's event loop, once for each
    // batch of requests that arrive together.
    TActivationChannel(const QString& path, std::function<void()> onRequest);
    // Closes the socket and removes its file.
    ~TActivationChannel();
    TActivationChannel(const TActivationChannel&) = delete;
    TActivationChannel& operator=(const TActivationChannel&) = delete;

    bool IsListening() const { return FSocket.Valid(); }

    // Sends the request to the copy listening at `path`, without waiting;
    // false when none listens.
    static bool Request(const QString& path);

private:
    // Reads every waiting datagram; true when one was a request of this user.
    bool TakeRequests();

    QString FPath;
    TUniqueFd FSocket;
    std::unique_ptr<QSocketNotifier> FNotifier;
    std::function<void()> FOnRequest;
};
