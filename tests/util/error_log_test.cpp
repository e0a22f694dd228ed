#include "tests/support/file_size_limit.h"
#include "tests/support/small_tmpfs.h"
#include "tests/util/honk_fixture.h"
#include "util/error_log.h"

#include <QDir>

#include <iostream>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(LogLineFormat, WritesEveryFieldWithTwoDigits) {
    const struct {
        QDateTime When;
        int Number;
        const char* Expected;
    } cases[] = {{QDateTime(QDate(2026, 12, 6), QTime(18, 5, 59)), 143,
                  "quorvik | 06.12.2026 18:05 | 143 | Fehler."},
                 {QDateTime(QDate(2026, 5, 6), QTime(8, 3)), 118,
                  "quorvik | 06.05.2026 08:03 | 118 | Fehler."},
                 {QDateTime(QDate(2027, 1, 31), QTime(0, 0)), -5,
                  "quorvik | 31.01.2027 00:00 | -5 | Fehler."}};
    for (const auto& c : cases)
        EXPECT_EQ(TErrorLog::FormatLine("quorvik", c.When, c.Number, "Fehler."), c.Expected);
}

using ErrorLogTest = HonkFixture;

TEST_F(ErrorLogTest, HeaderOnlyWhenTheLogIsCreated) {
    Honk.SetClock([] { return QDateTime(QDate(2026, 5, 6), QTime(8, 3, 30)); });
    Honk.fWriteError(QString::fromUtf8("Fehler beim schließen."), 143);
    Honk.fWriteError("Zweiter Fehler.", 7);
    EXPECT_EQ(ReadAll(LogPath()),
              QString::fromUtf8("// In dieser Datei werden alle Fehlermeldungen aufgezeichnet.\r\n"
                                "util_tests | 06.05.2026 08:03 | 143 | Fehler beim schließen.\r\n"
                                "util_tests | 06.05.2026 08:03 | 7 | Zweiter Fehler.\r\n")
                  .toUtf8());
    EXPECT_TRUE(Presenter.Shown.empty());
}

TEST_F(ErrorLogTest, ExistingLogIsKeptWithoutANewHeader) {
    Honk.SetClock([] { return QDateTime(QDate(2026, 12, 6), QTime(18, 5)); });
    // Lines of any ending, the last without one, end in CR LF; bytes of an old
    // 8-bit log are not damaged by the UTF-8 rewrite.
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"first\nsecond\r\nthird", "first\r\nsecond\r\nthird\r\n"},
        {"", ""},
        {"alt \xE4\xF6\xFC\r\n", "alt \xE4\xF6\xFC\r\n"}};
    for (const auto& [old, kept] : cases) {
        WriteAll(LogPath(), old);
        Honk.fWriteError("Neu.", 1);
        EXPECT_EQ(ReadAll(LogPath()), kept + "util_tests | 06.12.2026 18:05 | 1 | Neu.\r\n");
    }
}

// Root may rewrite a read-only log; it stays read-only and in its group.
TEST_F(ErrorLogTest, ReplacingTheLogKeepsItsModeAndGroupAndLeavesNoTemporaryFile) {
    constexpr gid_t kUsersGroup = 100;
    const bool root = ::geteuid() == 0;
    const mode_t mode = root ? 0444 : 0600;
    const gid_t group = root ? kUsersGroup : ::getegid();
    WriteAll(LogPath(), "alt\r\n");
    const QByteArray path = QFile::encodeName(LogPath());
    ASSERT_EQ(::chmod(path.constData(), mode), 0);
    ASSERT_EQ(::chown(path.constData(), ::geteuid(), group), 0);
    Honk.fWriteError("Neu.", 1);
    Honk.fWriteError("Neu.", 2);
    struct stat info {};
    ASSERT_EQ(::stat(path.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, mode);
    EXPECT_EQ(info.st_gid, group);
    EXPECT_EQ(ReadAll(LogPath()).count("Neu."), 2);
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Error.txt"});
    EXPECT_TRUE(Presenter.Shown.empty());
}

// The log of the first report: 11,703 bytes that a full disk emptied without
// a word. The write fails on a full file system of its own (where the test
// may mount one) and through the file-size limit.
TEST_F(ErrorLogTest, AWriteThatFailsLeavesTheLogAsItWasAndGivesTheFatalBox) {
    constexpr qsizetype kLogSize = 11703;
    constexpr std::size_t kDiskSize = 64 * 1024;
    const QByteArray old = QByteArray(kLogSize - 2, 'x') + "\r\n";
    for (const bool fullDisk : {true, false}) {
        SCOPED_TRACE(fullDisk ? "full disk" : "file-size limit");
        Presenter.Shown.clear();
        Presenter.Answers = {TMsgButton::Yes};
        testsupport::TSmallTmpfs disk(kDiskSize);
        QString folder = FDir.path();
        if (fullDisk) {
            if (!disk.Mounted()) {
                std::cout << "mounting a tmpfs is not permitted here; skipped\n";
                continue;
            }
            folder = QFile::decodeName(disk.Path().c_str());
            qputenv(datalocation::kDataDirVariable, disk.Path().c_str());
        }
        const QString log = folder + QStringLiteral("/Error.txt");
        WriteAll(log, old);
        std::optional<testsupport::TFileSizeLimit> limit;
        if (fullDisk)
            disk.Fill();
        else
            limit.emplace(kLogSize + 1);

        Honk.fWriteError("Neu.", 1);

        limit.reset();
        EXPECT_EQ(Presenter.Shown.size(), 1u);
        EXPECT_TRUE(!Presenter.Shown.empty() && Presenter.Shown[0].Text.contains("[586]"));
        EXPECT_EQ(ReadAll(log).size(), old.size());
        EXPECT_EQ(ReadAll(log), old);
        EXPECT_FALSE(QDir(folder).entryList(QDir::Files | QDir::Hidden).join('|').contains(".tmp"));
        qputenv(datalocation::kDataDirVariable, FDir.path().toUtf8());
    }
}

} // namespace
