#pragma once

#include "ini/file_replacement.h"

#include <QFile>
#include <QIODevice>
#include <QString>

#include <optional>

// Where "-o" puts the body of a GET. A regular file, new or existing, gets the
// body as its new content only when all of it was written (see
// TFileReplacement): a failure leaves the old file as it was. A device or FIFO
// is written directly, and "-" is the standard output. Write-only; a write
// that fails is noted, and later writes are refused.
class TBodyFile : public QIODevice {
public:
    static constexpr char kStandardOutputName[] = "-";

    // `standardOutput` stands for "-" and must outlive this object.
    TBodyFile(QString name, QIODevice& standardOutput);

    bool IsStandardOutput() const { return FName == QLatin1String(kStandardOutputName); }

    // False, with errorString(), when the file cannot be written.
    bool Open();
    // Puts the body in place: false when any of it could not be written.
    bool Finish();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool Fail(const QString& reason);

    QString FName;
    QIODevice& FStandardOutput;
    QFile FDirect;
    std::optional<TFileReplacement> FReplacement;
    bool FFailed = false;
};
