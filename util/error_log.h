#pragma once

#include "base/error.h"

#include <QDateTime>
#include <QString>

// Raised when the error log cannot be read or replaced.
class EErrorLog : public EQuorvikError {
public:
    using EQuorvikError::EQuorvikError;
};

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

    // Reads the whole log, appends one line and replaces the file atomically
    // (temporary file in the same folder, then rename), so that a crash while
    // writing leaves the old log intact. Throws EErrorLog when the log cannot
    // be read or written; the file is then unchanged.
    void Append(const QDateTime& when, int number, const QString& message) const;

private:
    QString FPath;
    QString FExeName;
};
