#include "cli/body_file.h"

#include <QFileInfo>

#include <exception>
#include <string_view>

TBodyFile::TBodyFile(QString name, QIODevice& standardOutput)
    : FName(std::move(name)), FStandardOutput(standardOutput) {}

bool TBodyFile::Open() {
    try {
        // QFileInfo follows links: a link to a device is written directly too.
        const QFileInfo info(FName);
        if (!IsStandardOutput() && info.exists() && !info.isFile()) {
            FDirect.setFileName(FName);
            if (!FDirect.open(QIODevice::WriteOnly))
                return Fail(FDirect.errorString());
        } else if (!IsStandardOutput()) {
            FReplacement.emplace(QFile::encodeName(FName).toStdString());
        }
    } catch (const std::exception& error) {
        return Fail(QString::fromLocal8Bit(error.what()));
    }
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool TBodyFile::Finish() {
    if (isOpen() && !FFailed) {
        try {
            if (FReplacement)
                FReplacement->Commit();
            else if (FDirect.isOpen() && !FDirect.flush())
                Fail(FDirect.errorString());
        } catch (const std::exception& error) {
            Fail(QString::fromLocal8Bit(error.what()));
        }
    }
    close();
    return !FFailed;
}

qint64 TBodyFile::readData(char*, qint64) {
    return -1;
}

qint64 TBodyFile::writeData(const char* data, qint64 size) {
    if (FFailed)
        return -1;
    try {
        if (FReplacement) {
            FReplacement->Write(std::string_view(data, static_cast<std::size_t>(size)));
            return size;
        }
        QIODevice& target = IsStandardOutput() ? FStandardOutput : FDirect;
        if (target.write(data, size) == size)
            return size;
        Fail(target.errorString());
    } catch (const std::exception& error) {
        Fail(QString::fromLocal8Bit(error.what()));
    }
    return -1;
}

bool TBodyFile::Fail(const QString& reason) {
    FFailed = true;
    setErrorString(reason);
    return false;
}
