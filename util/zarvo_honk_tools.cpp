// The general helpers of TZarvoHonk. Each returns a neutral value instead of
// letting a failure escape.
#include "util/zarvo_honk.h"

#include "ini/file_io.h"
#include "util/trace.h"

#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <QStringList>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

constexpr qint64 kBytesPerMiB = 1024 * 1024;
constexpr std::size_t kBinaryProbeSize = 8192;
constexpr std::string_view kRtfMagic = "{\\rtf";
// An empty name asks for the icon of a plain text file.
constexpr char kPlainTextFile[] = "nul.txt";
constexpr char kUncPrefix[] = "\\\\";
constexpr int kDiskSerial = 0;
constexpr int kDiskTotal = 1;
constexpr int kDiskFree = 2;
// Overwrite patterns of TerminateFile, one per pass.
constexpr std::array<char, 3> kWipePatterns = {'\x00', '\xFF', '\x55'};
constexpr qint64 kWipeChunkSize = 64 * 1024;

// The first `size` bytes of a regular file, or nothing when it is missing or
// anything else (a FIFO is not waited for).
std::optional<std::string> FileHead(const QString& file, std::size_t size) {
    try {
        return ReadFileIfExists(QFile::encodeName(file).toStdString(), size);
    } catch (...) {
        return std::nullopt;
    }
}

// The version part `index` as a number; a missing or non-numeric part is 0.
int VersionPart(const QStringList& parts, qsizetype index) {
    return index < parts.size() ? parts[index].trimmed().toInt() : 0;
}

bool Wipe(QFile& file, char pattern) {
    const QByteArray chunk(kWipeChunkSize, pattern);
    if (!file.seek(0))
        return false;
    for (qint64 left = file.size(); left > 0; left -= kWipeChunkSize)
        if (file.write(chunk.constData(), qMin(left, kWipeChunkSize)) < 0)
            return false;
    // Each pass has to reach the disk, or the cache would keep only the last.
    return file.flush() && fsync(file.handle()) == 0;
}

} // namespace

QString TZarvoHonk::ReplaceStr(const QString& Text, const QString& Old, const QString& New) {
    return StrReplaceAll(Text, Old, New);
}

QString TZarvoHonk::Set1000er(qint64 Value) {
    return QLocale::system().toString(Value);
}

bool TZarvoHonk::IsUpdateAvailable(const QString& Current, const QString& Offered) {
    // The comparison ends with the current version's parts: "1.0" offered
    // "1.0.1" is no update. A missing offered part counts as 0.
    const QStringList current = Current.split('.');
    const QStringList offered = Offered.split('.');
    for (qsizetype i = 0; i < current.size(); ++i) {
        const int mine = VersionPart(current, i);
        const int theirs = VersionPart(offered, i);
        if (mine != theirs)
            return mine < theirs;
    }
    return false;
}

// Context help by clicking a control is a Windows caption-button mode with no
// counterpart here.
void TZarvoHonk::DirectHelp(QWidget*) {}

// The window manager owns the window menu; Qt cannot grey one of its entries.
bool TZarvoHonk::SetCaptionX(QWidget*, bool) {
    return false;
}

// Drive numbers (A:, B:, ...) do not exist on this system.
bool TZarvoHonk::DriveReady(int) {
    return false;
}

qint64 TZarvoHonk::GetDiskInfo(const QString& Root, int Kind) {
    if (Root.isEmpty() || Kind < kDiskSerial || Kind > kDiskFree)
        return 0;
    struct statvfs info {};
    if (statvfs(QFile::encodeName(Root).constData(), &info) != 0)
        return -1;
    switch (Kind) {
    case kDiskSerial:
        // The file system id stands in for the volume serial number.
        return static_cast<qint64>(info.f_fsid);
    case kDiskTotal:
        return static_cast<qint64>(info.f_blocks) * static_cast<qint64>(info.f_frsize) /
               kBytesPerMiB;
    default:
        return static_cast<qint64>(info.f_bavail) * static_cast<qint64>(info.f_frsize) /
               kBytesPerMiB;
    }
}

QString TZarvoHonk::ExtractFileNameEx(const QString& Path) {
    if (Path.startsWith(QLatin1String(kUncPrefix)))
        return Path;
    for (const QChar separator : {QChar('/'), QChar('\\')}) {
        const qsizetype at = Path.lastIndexOf(separator);
        if (at >= 0)
            return Path.mid(at + 1);
    }
    return Path;
}

QIcon TZarvoHonk::GetAssociatedIcon(const QString& File) {
    return QFileIconProvider().icon(QFileInfo(File.isEmpty() ? kPlainTextFile : File));
}

QString TZarvoHonk::GetAssociatedTitle(const QString& File) {
    return QFileInfo(File).fileName();
}

qint64 TZarvoHonk::GetFileSize(const QString& File) {
    // The name may hold the wildcards * and ?; the first match in name order
    // counts. "[" would start a character set in a name filter, so it is
    // escaped and "a[1].txt" names only itself.
    const QFileInfo pattern(File);
    const QString filter = pattern.fileName().replace(QLatin1Char('['), QLatin1String("[[]"));
    const QFileInfoList matches = pattern.absoluteDir().entryInfoList(
        {filter}, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDir::Name);
    return matches.isEmpty() ? -1 : matches.first().size();
}

int TZarvoHonk::GetRandom(int Range) {
    if (Range == 0)
        return 0;
    if (Range < 0)
        return -1;
    return static_cast<int>(QRandomGenerator::global()->bounded(Range));
}

// Application-path registrations are a Windows registry feature.
QString TZarvoHonk::GetRegiEXE(const QString&) {
    return {};
}

bool TZarvoHonk::IsFileBinary(const QString& File) {
    const std::optional<std::string> head = FileHead(File, kBinaryProbeSize);
    return head && head->find('\0') != std::string::npos;
}

bool TZarvoHonk::IsFileRTF(const QString& File) {
    const std::optional<std::string> head = FileHead(File, kRtfMagic.size());
    return head && *head == kRtfMagic;
}

bool TZarvoHonk::IsTeilbar(qint64 A, qint64 B) {
    // Nothing is divisible by 0; -1 divides everything (and A % -1 may overflow).
    if (B == 0)
        return false;
    return B == -1 || A % B == 0;
}

QString TZarvoHonk::MakeDirUnique(const QString& Path) {
    return Path.endsWith('/') ? Path.chopped(1) : Path;
}

// Monitor power control belonged to the pre-NT desktop; the display is the
// desktop environment's business.
bool TZarvoHonk::ShowWinGUI(bool) {
    return false;
}

// The parts (task bar, start button, tray, ...) belong to the Windows shell.
bool TZarvoHonk::ShowWinWindow(int, bool) {
    return false;
}

bool TZarvoHonk::TerminateFile(const QString& File) {
    QFile file(File);
    if (!QFileInfo(File).isFile() || file.size() <= 1 || !file.open(QIODevice::ReadWrite))
        return false;
    for (const char pattern : kWipePatterns)
        if (!Wipe(file, pattern))
            return false;
    file.close();
    return file.remove();
}
