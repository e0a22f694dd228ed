#include "tests/support/fifo_unblocker.h"
#include "tests/util/honk_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace {

using ShowErrorTest = HonkFixture;

// Each case: the kind and language, and the box they show.
struct TErrorBoxCase {
    const char* Name;
    int Kind;
    TZarvoLng Language;
    const char* Text;
    TMsgIcon Icon;
    TMsgButtons Buttons;
    TMsgButton Default;
};

void PrintTo(const TErrorBoxCase& c, std::ostream* os) {
    *os << c.Name;
}

class ShowErrorBoxTest : public HonkFixture, public ::testing::WithParamInterface<TErrorBoxCase> {};

TEST_P(ShowErrorBoxTest, ShowsTheBoxOfEachKindInEachLanguage) {
    const TErrorBoxCase& c = GetParam();
    Honk.SetLanguage(c.Language);
    Presenter.Shown.clear();
    // Yes keeps the test's application running for kind 1.
    Presenter.Answers = {TMsgButton::Yes};
    Honk.ShowError(QString::fromUtf8("Fehler beim ändern der Anzeige."), c.Kind, false, 721);
    ASSERT_EQ(Presenter.Shown.size(), 1u);
    const TMessageBoxRequest& box = Presenter.Shown.front();
    EXPECT_EQ(box.Caption, kTitle);
    EXPECT_EQ(box.Text, QString::fromUtf8(c.Text));
    EXPECT_EQ(box.Icon, c.Icon);
    EXPECT_EQ(box.Buttons, c.Buttons);
    EXPECT_EQ(box.DefaultButton, c.Default);
    EXPECT_FALSE(box.SystemModal);
    EXPECT_FALSE(QFile::exists(LogPath())) << "no log without WriteLog";
}

const char* const kAskDE =
    "Fehler beim ändern der Anzeige.  [721]\n\nMöchten Sie die Anwendung fortsetzen?";
const char* const kAskUS = "Fehler beim ändern der Anzeige.  [721]\n\nDo you want to continue?";
const char* const kPlain = "Fehler beim ändern der Anzeige.  [721]";
const char* const kFileDE = "Konnte Datei \"Fehler beim ändern der Anzeige.\" nicht finden.  [721]";
const char* const kFileUS = "File \"Fehler beim ändern der Anzeige.\" not found.  [721]";
using I = TMsgIcon;

INSTANTIATE_TEST_SUITE_P(
    Kinds, ShowErrorBoxTest,
    ::testing::Values(
        TErrorBoxCase{"Ask_DE", 1, lngDE, kAskDE, I::Error, TMsgButtons::YesNo, TMsgButton::No},
        TErrorBoxCase{"Ask_US", 1, lngUS, kAskUS, I::Error, TMsgButtons::YesNo, TMsgButton::No},
        TErrorBoxCase{"File_DE", 2, lngDE, kFileDE, I::Warning, TMsgButtons::Ok, TMsgButton::None},
        TErrorBoxCase{"File_US", 2, lngUS, kFileUS, I::Warning, TMsgButtons::Ok, TMsgButton::None},
        TErrorBoxCase{"Stop_DE", 3, lngDE, kPlain, I::Error, TMsgButtons::Ok, TMsgButton::None},
        TErrorBoxCase{"Stop_US", 3, lngUS, kPlain, I::Error, TMsgButtons::Ok, TMsgButton::None},
        TErrorBoxCase{"KindZero", 0, lngDE, kPlain, I::Warning, TMsgButtons::Ok, TMsgButton::None},
        TErrorBoxCase{"KindFour", 4, lngUS, kPlain, I::Warning, TMsgButtons::Ok, TMsgButton::None},
        TErrorBoxCase{"KindMinusOne", -1, lngDE, kPlain, I::Warning, TMsgButtons::Ok,
                      TMsgButton::None}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ShowErrorTest, PlaceholdersInTheMessageAreShownLiterally) {
    Honk.ShowError("100%2 %1 done", 3, false, 9);
    ASSERT_EQ(Presenter.Shown.size(), 1u);
    EXPECT_EQ(Presenter.Shown.front().Text, "100%2 %1 done  [9]");
}

TEST_F(ShowErrorTest, LanguageMsgFollowsLanguage) {
    EXPECT_EQ(Honk.fGetMsgLng(), ltGerman);
    EXPECT_EQ(static_cast<int>(Honk.LanguageMsg()), 5);
    Honk.SetLanguage(lngUS);
    EXPECT_EQ(static_cast<int>(Honk.fGetMsgLng()), 1);
}

// Runs the application's event loop with `handler` as the first event and
// returns the loop's exit code; a guard ends a loop nobody quits.
int RunLoopWith(const std::function<void()>& handler) {
    constexpr int kTimedOut = -99;
    QObject context; // cancels both timers when the test ends
    QTimer::singleShot(0, &context, handler);
    QTimer::singleShot(10000, &context, [] { QCoreApplication::exit(kTimedOut); });
    return QCoreApplication::exec();
}

TEST_F(ShowErrorTest, KindOneNoEndsTheApplicationAfterTheHandlerYesContinues) {
    constexpr int kStillRunning = 7;
    Presenter.Answers = {TMsgButton::No, TMsgButton::Yes};
    bool handlerEnded = false;
    EXPECT_EQ(RunLoopWith([&] {
                  Honk.ShowError("Fehler beim beenden der Anwendung.", 1, false, 143);
                  handlerEnded = true;
              }),
              0);
    EXPECT_TRUE(handlerEnded);
    EXPECT_EQ(RunLoopWith([&] {
                  Honk.ShowError("Fehler beim starten der Anwendung.", 1, false, 118);
                  // Runs after anything the box may have queued.
                  QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(kStillRunning); });
              }),
              kStillRunning);
    EXPECT_EQ(Presenter.Shown.size(), 2u);
}

TEST_F(ShowErrorTest, WriteLogAppendsBeforeTheBox) {
    Presenter.Answers = {TMsgButton::Yes};
    Honk.ShowError("Fehler beim starten der Anwendung.", 1, true, 118);
    EXPECT_TRUE(ReadAll(LogPath()).contains("| 118 | Fehler beim starten der Anwendung.\r\n"));
    EXPECT_EQ(Presenter.Shown.size(), 1u);
}

TEST_F(ShowErrorTest, UnwritableLogGivesFatalBoxThenTheRequestedBox) {
    // A path below a regular file cannot be created, even by root.
    const QString blocker = FDir.filePath("blocker");
    WriteAll(blocker, "");
    qputenv(datalocation::kDataDirVariable, (blocker + "/sub").toUtf8());
    Presenter.Answers = {TMsgButton::Yes};

    Honk.ShowError("Fehler beim lesen.", 3, true, 75);

    ASSERT_EQ(Presenter.Shown.size(), 2u);
    const TMessageBoxRequest& fatal = Presenter.Shown[0];
    EXPECT_EQ(fatal.Text, QString::fromUtf8("Schwerer Fehler beim erstellen der Error-Log Datei.  "
                                            "[586]\n\nMöchten Sie die Anwendung fortsetzen?"));
    EXPECT_EQ(fatal.Caption, kTitle);
    EXPECT_EQ(fatal.Icon, TMsgIcon::Error);
    EXPECT_EQ(fatal.Buttons, TMsgButtons::YesNo);
    EXPECT_EQ(fatal.DefaultButton, TMsgButton::No);
    EXPECT_TRUE(fatal.SystemModal);
    EXPECT_EQ(Presenter.Shown[1].Text, "Fehler beim lesen.  [75]");
}

TEST_F(ShowErrorTest, UnreadableLogIsLeftAloneAndGivesFatalBox) {
    // A folder where the log should be cannot be read as a file.
    ASSERT_TRUE(QDir(FDir.path()).mkdir("Error.txt"));
    Presenter.Answers = {TMsgButton::Yes};
    Honk.SetLanguage(lngUS);
    Honk.fWriteError("Fehler", 1);
    ASSERT_EQ(Presenter.Shown.size(), 1u);
    EXPECT_EQ(Presenter.Shown[0].Text, "Fatal error while creating the error log file.  [586]"
                                       "\n\nDo you want to continue?");
    EXPECT_TRUE(QFileInfo(LogPath()).isDir());
}

TEST_F(ShowErrorTest, AFifoNamedLikeTheLogGivesTheFatalBoxAtOnce) {
    testsupport::TFifoUnblocker fifo(QFile::encodeName(LogPath()).toStdString(),
                                     std::chrono::seconds(3));
    ASSERT_TRUE(fifo.Made());
    Presenter.Answers = {TMsgButton::Yes};
    Honk.ShowError("Fehler beim lesen.", 3, true, 75);
    EXPECT_FALSE(fifo.Fired()) << "ShowError hung on the FIFO";
    ASSERT_EQ(Presenter.Shown.size(), 2u);
    EXPECT_TRUE(Presenter.Shown[0].Text.contains("[586]"));
    EXPECT_EQ(Presenter.Shown[1].Text, "Fehler beim lesen.  [75]");
    EXPECT_EQ(QFileInfo(LogPath()).isFile(), false) << "the FIFO must stay as it is";
}

TEST_F(ShowErrorTest, FailingPresenterGivesFatalBox531WhoseNoEndsTheApplication) {
    Presenter.FailingCalls = 1;
    Presenter.Answers = {TMsgButton::No};
    EXPECT_EQ(RunLoopWith([&] { Honk.ShowError("Fehler", 3, false, 12); }), 0);
    ASSERT_EQ(Presenter.Shown.size(), 1u);
    EXPECT_TRUE(Presenter.Shown[0].Text.contains("[531]"));
    EXPECT_TRUE(Presenter.Shown[0].SystemModal);
}

TEST_F(ShowErrorTest, NothingEscapesWhenNoBoxCanBeShown) {
    Presenter.FailingCalls = 2;
    EXPECT_NO_THROW(Honk.ShowError("Fehler", 1, false, 12));
    EXPECT_TRUE(Presenter.Shown.empty());
}

} // namespace
