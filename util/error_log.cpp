#include "util/error_log.h"

#include <QFile>
#include <QSaveFile>
#include <utility>

namespace {

constexpr int kMinFieldWidth = 2;
constexpr char kLineEnd[] = "\r\n";

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, kMinFieldWidth, 10, QChar('0'));
}

// Splits like a line list loads a file: CR LF, LF and a lone CR all end a
// line, and a final line without terminator still counts.
QList<QByteArray> SplitLines(const QByteArray& content) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(content.mid(start, i - start));
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < content.size())
        lines.append(content.mid(start));
    return lines;
}

} // namespace

TErrorLog::TErrorLog(QString path, QString exeName)
    : FPath(std::move(path)), FExeName(std::move(exeName)) {}

QString TErrorLog::FormatLine(const QString& exeName, const QDateTime& when, int number,
                              const QString& message) {
    const QDate date = when.date();
    const QTime time = when.time();
    return QStringLiteral("%1 | %2.%3.%4 %5:%6 | %7 | %8")
        .arg(exeName, TwoDigits(date.day()), TwoDigits(date.month()), TwoDigits(date.year()),
             TwoDigits(time.hour()), TwoDigits(time.minute()), QString::number(number), message);
}

void TErrorLog::Append(const QDateTime& when, int number, const QString& message) const {
    QList<QByteArray> lines;
    QFile existing(FPath);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            throw EErrorLog("cannot read the error log: " + existing.errorString().toStdString());
        lines = SplitLines(existing.readAll());
        if (existing.error() != QFileDevice::NoError)
            throw EErrorLog("cannot read the error log: " + existing.errorString().toStdString());
    } else {
        lines.append(QByteArray(kHeaderLine));
    }
    lines.append(FormatLine(FExeName, when, number, message).toUtf8());

    QSaveFile file(FPath);
    if (!file.open(QIODevice::WriteOnly))
        throw EErrorLog("cannot create the error log: " + file.errorString().toStdString());
    for (const QByteArray& line : std::as_const(lines)) {
        file.write(line);
        file.write(kLineEnd);
    }
    // commit() renames the finished temporary file over the log; a failed
    // write above makes it fail and leaves the old log untouched.
    if (!file.commit())
        throw EErrorLog("cannot write the error log: " + file.errorString().toStdString());
}
