#pragma once

#include <QDateTime>
#include <QString>

// The error log: a UTF-8 text file with CR LF line ends that grows by one line
// per logged failure. A German header line is written only when the file is
// created; a log whose header the user removed keeps growing without one.
class TErrorLog {
public:
    static constexpr const char* kFileName = "Error.txt";
    static constexpr const char* kHeaderLine =
        "// In dieser Datei werden alle Fehlermeldungen aufgezeichnet.";

    // `path` is the log file, `exeName` the executable's file name written at
    // the start of every line.
    TErrorLog(QString path, QString exeName);

    // One log line: "<exe> | dd.MM.yyyy hh:mm | <number> | <message>", every
    // date and time field with at least two digits, no seconds.
    static QString FormatLine(const QString& exeName, const QDateTime& when, int number,
                              const QString& message);

    // Reads the whole log, appends one line and replaces the file as
    // TFileReplacement does, so that a failed write (a full disk) or a crash
    // leaves the old log as it was. Throws EInOutError when the log cannot be
    // read or written, or is no regular file (a FIFO is not waited for); the
    // file is then unchanged.
    void Append(const QDateTime& when, int number, const QString& message) const;

private:
    QString FPath;
    QString FExeName;
};
