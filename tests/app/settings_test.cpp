#include "tests/app/main_window_fixture.h"
#include "tests/support/fifo_unblocker.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace {

using SettingsTest = UnstartedWindowTest;

TEST_F(SettingsTest, FirstStartCreatesTheFileAtCloseAndValuesSurviveARestart) {
    Start();
    EXPECT_EQ(Window->pos(), QPoint(100, 100));
    EXPECT_FALSE(QFile::exists(SettingsPath()));
    Close();
    EXPECT_EQ(SettingsText(), QByteArray("[Position]\r\nTop=100\r\nLeft=100\r\n\r\n"
                                         "[iUpdate]\r\nLastCheck=0\r\n\r\n"));

    // Other sections stay as they are, comments included.
    const QByteArray foreign = "[Fremd]\r\n; von Hand\r\nSchluessel=Wert\r\n\r\n";
    const QByteArray help = "[HelpID]\r\nHelpAppStd_de=hilfe --seite 1\r\n\r\n";
    SetSettingsText(foreign + "[Position]\r\nTop=-10\r\nLeft=700\r\n\r\n" + help);
    Start();
    // Mostly off the screen, but the title bar can still be reached.
    EXPECT_EQ(Window->pos(), QPoint(700, -10));
    Window->move(220, 140);
    Close();
    EXPECT_EQ(SettingsText(), foreign + "[Position]\r\nTop=140\r\nLeft=220\r\n\r\n" + help +
                                  "[iUpdate]\r\nLastCheck=0\r\n\r\n");
    Start();
    EXPECT_EQ(Window->pos(), QPoint(220, 140));
    Press(Qt::Key_F1);
    EXPECT_EQ(Started, (std::vector<QStringList>{{"hilfe", "--seite", "1"}}));
    EXPECT_TRUE(Presenter.Shown.empty());
}

TEST_F(SettingsTest, ALongHelpCommandIsCutToTheLineLimit) {
    const QByteArray program(300, 'h');
    SetSettingsText("[HelpID]\r\nHelpAppStd_de=" + program + "\r\n");
    Start();
    Press(Qt::Key_F1);
    ASSERT_EQ(Started.size(), 1u);
    // A stored line holds 255 bytes, the 14 of "HelpAppStd_de=" included.
    EXPECT_EQ(Started[0][0].toLatin1(), program.left(241));
}

TEST_F(SettingsTest, AnUnreadableFileIsReportedAndTheStartValuesStay) {
    // A folder in the file's place can be neither read nor written.
    ASSERT_TRUE(QDir().mkpath(SettingsPath()));
    const QString log = DataDir.filePath(QStringLiteral("Error.txt"));
    Presenter.Answers = {TMsgButton::Yes, TMsgButton::Yes};
    Start([this] { Window->move(321, 123); });
    ASSERT_EQ(Presenter.Shown.size(), 1u);
    EXPECT_TRUE(Presenter.Shown[0].Text.startsWith(
        QStringLiteral("Fehler beim einlesen der Einstellungen.  [75]")));
    EXPECT_TRUE(FileText(log).contains("75"));
    EXPECT_EQ(Window->pos(), QPoint(321, 123));
    Press(Qt::Key_F1);
    EXPECT_TRUE(Started.empty());

    // Said without a log entry, and the window still closes.
    const QByteArray logBefore = FileText(log);
    Close();
    ASSERT_EQ(Presenter.Shown.size(), 2u);
    EXPECT_TRUE(Presenter.Shown[1].Text.startsWith(
        QStringLiteral("Fehler beim schreiben der Einstellungen.  [125]")));
    EXPECT_EQ(FileText(log), logBefore);
}

// Made read-only by its owner: never replaced, root included (the tests run
// as root in CI, where only the mode bits can say no).
TEST_F(SettingsTest, AReadOnlyFileIsReportedAndLeftUnchanged) {
    const QByteArray stored = "[Position]\r\nTop=10\r\nLeft=20\r\n\r\n";
    SetSettingsText(stored);
    ASSERT_TRUE(QFile::setPermissions(SettingsPath(), QFile::ReadOwner | QFile::ReadGroup));
    Presenter.Answers = {TMsgButton::Yes};
    Start();
    EXPECT_EQ(Window->pos(), QPoint(20, 10));
    Window->move(200, 150);
    Close();
    ASSERT_EQ(Presenter.Shown.size(), 1u);
    EXPECT_TRUE(Presenter.Shown[0].Text.startsWith(
        QStringLiteral("Fehler beim schreiben der Einstellungen.  [125]")));
    EXPECT_EQ(SettingsText(), stored);
}

TEST_F(SettingsTest, AFifoInTheFilesPlaceIsReportedAtOnce) {
    constexpr auto kPatience = std::chrono::seconds(3);
    testsupport::TFifoUnblocker fifo(QFile::encodeName(SettingsPath()).toStdString(), kPatience);
    ASSERT_TRUE(fifo.Made());
    Presenter.Answers = {TMsgButton::Yes, TMsgButton::Yes};
    QElapsedTimer started;
    started.start();
    Start();
    EXPECT_LT(started.elapsed(), std::chrono::milliseconds(kPatience).count());
    ASSERT_GE(Presenter.Shown.size(), 1u);
    EXPECT_TRUE(Presenter.Shown[0].Text.startsWith(
        QStringLiteral("Fehler beim einlesen der Einstellungen.  [75]")));
    Close();
}

} // namespace
