#include "tests/util/honk_fixture.h"
#include "util/error_log.h"

#include <QDir>
#include <QFile>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

struct LineCase {
    QDateTime When;
    int Number;
    const char* Expected;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.Expected;
}

class LogLineFormat : public ::testing::TestWithParam<LineCase> {};

TEST_P(LogLineFormat, WritesEveryFieldWithTwoDigits) {
    const LineCase& c = GetParam();
    EXPECT_EQ(
        TErrorLog::FormatLine("quorvik", c.When, c.Number, "Fehler beim beenden der Anwendung."),
        c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, LogLineFormat,
    ::testing::Values(
        LineCase{QDateTime(QDate(2026, 12, 6), QTime(18, 5, 59)), 143,
                 "quorvik | 06.12.2026 18:05 | 143 | Fehler beim beenden der Anwendung."},
        LineCase{QDateTime(QDate(2026, 5, 6), QTime(8, 3)), 118,
                 "quorvik | 06.05.2026 08:03 | 118 | Fehler beim beenden der Anwendung."},
        LineCase{QDateTime(QDate(2027, 1, 31), QTime(0, 0)), -5,
                 "quorvik | 31.01.2027 00:00 | -5 | Fehler beim beenden der Anwendung."}));

using ErrorLogTest = HonkFixture;

TEST_F(ErrorLogTest, HeaderOnlyWhenTheLogIsCreated) {
    Honk.SetClock([] { return QDateTime(QDate(2026, 5, 6), QTime(8, 3, 30)); });
    Honk.fWriteError(QString::fromUtf8("Fehler beim schließen."), 143);
    Honk.fWriteError("Zweiter Fehler.", 7);

    const QByteArray expected =
        "// In dieser Datei werden alle Fehlermeldungen aufgezeichnet.\r\n" +
        QString::fromUtf8("util_tests | 06.05.2026 08:03 | 143 | Fehler beim schließen.\r\n")
            .toUtf8() +
        "util_tests | 06.05.2026 08:03 | 7 | Zweiter Fehler.\r\n";
    EXPECT_EQ(ReadAll(LogPath()), expected);
    EXPECT_TRUE(Presenter.Shown.empty());
}

TEST_F(ErrorLogTest, LogWithoutHeaderGetsNoNewHeader) {
    Honk.SetClock([] { return QDateTime(QDate(2026, 12, 6), QTime(18, 5)); });
    // Lines of any ending, the last without one, are kept and end in CR LF.
    WriteAll(LogPath(), "first\nsecond\r\nthird");
    Honk.fWriteError("Neu.", 1);
    EXPECT_EQ(ReadAll(LogPath()),
              "first\r\nsecond\r\nthird\r\nutil_tests | 06.12.2026 18:05 | 1 | Neu.\r\n");
}

TEST_F(ErrorLogTest, EmptyLogGetsOnlyTheNewLine) {
    Honk.SetClock([] { return QDateTime(QDate(2026, 12, 6), QTime(18, 5)); });
    WriteAll(LogPath(), "");
    Honk.fWriteError("Neu.", 1);
    EXPECT_EQ(ReadAll(LogPath()), "util_tests | 06.12.2026 18:05 | 1 | Neu.\r\n");
}

TEST_F(ErrorLogTest, ForeignBytesSurviveTheRewrite) {
    // An old log in an 8-bit code page must not be damaged by the UTF-8 rewrite.
    WriteAll(LogPath(), "alt \xE4\xF6\xFC\r\n");
    Honk.fWriteError("Neu.", 1);
    EXPECT_TRUE(ReadAll(LogPath()).startsWith("alt \xE4\xF6\xFC\r\nutil_tests | "));
}

TEST_F(ErrorLogTest, ReplacingTheLogKeepsItsPermissions) {
    constexpr QFileDevice::Permissions kOwnerOnly =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    WriteAll(LogPath(), "alt\r\n");
    ASSERT_TRUE(QFile::setPermissions(LogPath(), kOwnerOnly));
    Honk.fWriteError("Neu.", 1);
    EXPECT_EQ(QFile::permissions(LogPath()) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
              kOwnerOnly);
    EXPECT_TRUE(Presenter.Shown.empty());
}

TEST_F(ErrorLogTest, NoTemporaryFileIsLeftBehind) {
    Honk.fWriteError("Neu.", 1);
    Honk.fWriteError("Neu.", 2);
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Error.txt"});
}

} // namespace
