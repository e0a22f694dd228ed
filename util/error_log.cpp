#include "util/error_log.h"

#include "ini/file_io.h"

#include <QFile>

#include <optional>
#include <string>
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
    const std::string path = QFile::encodeName(FPath).toStdString();
    const std::optional<std::string> old = ReadFileIfExists(path);
    const QList<QByteArray> lines =
        old ? SplitLines(QByteArray::fromStdString(*old)) : QList<QByteArray>{kHeaderLine};
    QByteArray content;
    for (const QByteArray& line : lines)
        content.append(line).append(kLineEnd);
    content.append(FormatLine(FExeName, when, number, message).toUtf8()).append(kLineEnd);
    ReplaceFileContent(path, std::string_view(content.constData(), content.size()));
}
