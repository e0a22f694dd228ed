#include "tests/util/honk_fixture.h"
#include "util/error_log.h"

#include <QDir>

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

TEST_F(ErrorLogTest, ReplacingTheLogKeepsItsPermissionsAndLeavesNoTemporaryFile) {
    constexpr QFileDevice::Permissions kOwnerOnly =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    WriteAll(LogPath(), "alt\r\n");
    ASSERT_TRUE(QFile::setPermissions(LogPath(), kOwnerOnly));
    Honk.fWriteError("Neu.", 1);
    Honk.fWriteError("Neu.", 2);
    EXPECT_EQ(QFile::permissions(LogPath()) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
              kOwnerOnly);
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Error.txt"});
    EXPECT_TRUE(Presenter.Shown.empty());
}

} // namespace
