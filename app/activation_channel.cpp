#include "app/activation_channel.h"

#include "app/single_instance_guard.h"
#include "util/trace_channel.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSocketSuffix = QStringLiteral(".sock");
constexpr char kRequest[] = "Vendrix.Quorvik: activate";
constexpr std::size_t kRequestSize = sizeof kRequest - 1;
// One byte more than the request, so that a longer datagram is told apart.
constexpr std::size_t kReceiveSize = kRequestSize + 1;
// Only the user may send: the temporary folder is shared.
constexpr mode_t kOwnerOnlyMask = 077;

// The socket bound at `path` with credentials passed, or -1.
int Bind(const QString& path) {
    const std::optional<sockaddr_un> address = tracechannel::SocketAddress(path);
    if (!address)
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int passCredentials = 1;
    ::unlink(address->sun_path);
    const mode_t oldMask = ::umask(kOwnerOnlyMask);
    const bool bound =
        ::setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &passCredentials, sizeof passCredentials) == 0 &&
        ::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0;
    ::umask(oldMask);
    if (bound)
        return fd;
    ::close(fd);
    return -1;
}

} // namespace

QString TActivationChannel::DefaultPath() {
    return TSingleInstanceGuard::RuntimePath(kSocketSuffix);
}

TActivationChannel::TActivationChannel(const QString& path, std::function<void()> onRequest)
    : FPath(path), FSocket(Bind(path)), FOnRequest(std::move(onRequest)) {
    if (!FSocket.Valid())
        return;
    FNotifier = std::make_unique<QSocketNotifier>(FSocket.Get(), QSocketNotifier::Read);
    QObject::connect(FNotifier.get(), &QSocketNotifier::activated, [this] {
        if (TakeRequests() && FOnRequest)
            FOnRequest();
    });
}

TActivationChannel::~TActivationChannel() {
    FNotifier.reset();
    if (FSocket.Valid())
        ::unlink(QFile::encodeName(FPath).constData());
}

bool TActivationChannel::TakeRequests() {
    bool requested = false;
    for (;;) {
        char data[kReceiveSize];
        iovec part{data, sizeof data};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t got = ::recvmsg(FSocket.Get(), &message, MSG_DONTWAIT);
        if (got < 0)
            return requested;
        const cmsghdr* header = CMSG_FIRSTHDR(&message);
        ucred sender{};
        if (header != nullptr && header->cmsg_level == SOL_SOCKET &&
            header->cmsg_type == SCM_CREDENTIALS && header->cmsg_len == CMSG_LEN(sizeof sender))
            std::memcpy(&sender, CMSG_DATA(header), sizeof sender);
        const bool fromUser = sender.pid != 0 && sender.uid == ::getuid();
        if (fromUser && static_cast<std::size_t>(got) == kRequestSize &&
            std::memcmp(data, kRequest, kRequestSize) == 0)
            requested = true;
    }
}

bool TActivationChannel::Request(const QString& path) {
    const std::optional<sockaddr_un> address = tracechannel::SocketAddress(path);
    const TUniqueFd socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    return address && socket.Valid() &&
           ::sendto(socket.Get(), kRequest, kRequestSize, MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&*address),
                    sizeof *address) == static_cast<ssize_t>(kRequestSize);
}
