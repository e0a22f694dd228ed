#include "cli/address_source.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr char kComment = '#';
// One read of the input; what is held stays under a line's bound and this.
constexpr qint64 kReadChunkBytes = 64 * 1024;

// One read of what `input` has now: the byte count, 0 at its end (or after a
// failed read), -1 while a pipe or terminal has nothing yet. A file's
// descriptor is read directly, because the device's own read waits until
// the whole request is filled.
qint64 ReadAvailable(QIODevice& input, char* to, qint64 max) {
    const auto* file = qobject_cast<const QFile*>(&input);
    if (file == nullptr || file->handle() < 0)
        return std::max<qint64>(input.read(to, max), 0);
    pollfd ready{file->handle(), POLLIN, 0};
    const int polled = poll(&ready, 1, 0);
    if (polled == 0 || (polled < 0 && errno == EINTR))
        return -1;
    ssize_t n = 0;
    do
        n = ::read(file->handle(), to, static_cast<std::size_t>(max));
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return -1;
    return std::max<qint64>(n, 0);
}

} // namespace

TAddressSource::TAddressSource(QStringList arguments, QIODevice* input)
    : FArguments(std::move(arguments)), FInput(input) {}

std::optional<TAddressLine> TAddressSource::Next() {
    if (FNextArgument < FArguments.size()) {
        ++FCount;
        return TAddressLine{FArguments[FNextArgument++], 0, false};
    }
    if (!Ready())
        return std::nullopt;
    std::optional<TAddressLine> line = std::exchange(FNext, std::nullopt);
    if (!line)
        FEnded = true;
    else if (!line->TooLong)
        ++FCount;
    return line;
}

bool TAddressSource::Ready() {
    if (FNextArgument < FArguments.size() || FInput == nullptr || FEnded || FNext)
        return true;
    for (;;) {
        QByteArray bytes;
        switch (TakeLine(bytes)) {
        case TTake::Wait:
            return false;
        case TTake::End:
            return true;
        case TTake::TooLong:
            FNext = TAddressLine{QString(), ++FLineNumber, true};
            return true;
        case TTake::Line:
            break;
        }
        ++FLineNumber;
        const QString address = QString::fromUtf8(bytes).trimmed();
        if (!address.isEmpty() && !address.startsWith(QLatin1Char(kComment))) {
            FNext = TAddressLine{address, FLineNumber, false};
            return true;
        }
    }
}

std::optional<qint64> TAddressSource::Total() const {
    return FEnded ? std::optional(FCount) : std::nullopt;
}

TAddressSource::TTake TAddressSource::TakeLine(QByteArray& line) {
    for (;;) {
        const qsizetype end = FHeld.indexOf('\n', FHeldStart);
        if (end >= 0) {
            const qsizetype length = end + 1 - FHeldStart;
            const bool skipped = std::exchange(FSkipping, false);
            if (!skipped && length <= kMaxAddressLineBytes)
                line = FHeld.sliced(FHeldStart, length);
            FHeldStart = end + 1;
            if (skipped)
                continue;
            return length <= kMaxAddressLineBytes ? TTake::Line : TTake::TooLong;
        }
        // What is held has no line end: an over-long line is dropped as it
        // comes rather than held.
        if (FSkipping) {
            FHeldStart = FHeld.size();
        } else if (FHeld.size() - FHeldStart >= kMaxAddressLineBytes) {
            FHeldStart = FHeld.size();
            FSkipping = true;
            return TTake::TooLong;
        }
        if (FInputEnded) {
            if (FHeldStart == FHeld.size())
                return TTake::End;
            line = FHeld.sliced(FHeldStart); // the last line, without its end
            FHeldStart = FHeld.size();
            return TTake::Line;
        }
        if (!ReadMore())
            return TTake::Wait;
    }
}

bool TAddressSource::ReadMore() {
    FHeld.remove(0, FHeldStart);
    FHeldStart = 0;
    const qsizetype held = FHeld.size();
    FHeld.resize(held + kReadChunkBytes);
    const qint64 n = ReadAvailable(*FInput, FHeld.data() + held, kReadChunkBytes);
    FHeld.resize(held + std::max<qint64>(n, 0));
    if (n == 0)
        FInputEnded = true;
    return n >= 0;
}
