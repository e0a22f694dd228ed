#include "cli/address_source.h"

#include <QFile>

#include <poll.h>

namespace {

constexpr char kComment = '#';

} // namespace

TAddressSource::TAddressSource(QStringList arguments, QIODevice* input)
    : FArguments(std::move(arguments)), FInput(input) {}

std::optional<TAddressLine> TAddressSource::Next() {
    if (FNextArgument < FArguments.size()) {
        ++FCount;
        return TAddressLine{FArguments[FNextArgument++], 0, false};
    }
    std::optional<TAddressLine> line = FInput != nullptr ? NextLine() : std::nullopt;
    if (!line)
        FEnded = true;
    else if (!line->TooLong)
        ++FCount;
    return line;
}

bool TAddressSource::Ready() const {
    if (FNextArgument < FArguments.size() || FInput == nullptr || FEnded || FInput->canReadLine())
        return true;
    const auto* file = qobject_cast<const QFile*>(FInput);
    if (file == nullptr || file->handle() < 0)
        return true;
    // Readable, at its end or failed: a read then returns at once.
    pollfd input{file->handle(), POLLIN, 0};
    return poll(&input, 1, 0) != 0;
}

std::optional<qint64> TAddressSource::Total() const {
    return FEnded ? std::optional(FCount) : std::nullopt;
}

std::optional<TAddressLine> TAddressSource::NextLine() {
    for (;;) {
        bool tooLong = false;
        const std::optional<QByteArray> bytes = ReadLine(tooLong);
        if (!bytes)
            return std::nullopt;
        ++FLineNumber;
        if (tooLong)
            return TAddressLine{QString(), FLineNumber, true};
        const QString address = QString::fromUtf8(*bytes).trimmed();
        if (!address.isEmpty() && !address.startsWith(QLatin1Char(kComment)))
            return TAddressLine{address, FLineNumber, false};
    }
}

std::optional<QByteArray> TAddressSource::ReadLine(bool& tooLong) {
    QByteArray line;
    // A pipe may hand over part of a line; the parts are joined up to the
    // bound. readLine stops one byte short of its limit.
    while (line.size() < kMaxAddressLineBytes) {
        const QByteArray part = FInput->readLine(kMaxAddressLineBytes + 1 - line.size());
        if (part.isEmpty())
            return line.isEmpty() ? std::nullopt : std::optional(line);
        line += part;
        if (line.endsWith('\n'))
            return line;
    }
    tooLong = true;
    SkipRestOfLine();
    return QByteArray();
}

void TAddressSource::SkipRestOfLine() {
    for (;;) {
        const QByteArray part = FInput->readLine(kMaxAddressLineBytes);
        if (part.isEmpty() || part.endsWith('\n'))
            return;
    }
}
