// The whole program as a user meets it: the real entry point with its event
// loop (and so Qt's rule to quit when the last window closes), real message
// boxes and the real save dialog, answered by the test as they come up.

#include "app/entry_point.h"
#include "app/frm_main.h"
#include "app/quorvik_command.h"
#include "controls/combo_box98.h"
#include "tests/support/command_line_case.h"
#include "tests/support/window_watcher.h"
#include "util/qt_message_presenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <memory>

namespace {

// Ample for a start, a box or two and a close.
constexpr std::chrono::seconds kRunLimit{30};
// How long the main window is left open: a program that quits with a closed
// start-up box has ended by then.
constexpr std::chrono::milliseconds kShownFor{100};

// The visible texts of a window's labels and buttons, mnemonics removed.
QStringList TextsOf(const QWidget& window) {
    QStringList texts;
    for (const QLabel* label : window.findChildren<QLabel*>())
        texts << label->text();
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
        texts << button->text();
    return texts.replaceInStrings(QStringLiteral("&"), QString());
}

QString IconSizes(const QIcon& icon) {
    QStringList sizes;
    for (const QSize& size : icon.availableSizes())
        sizes << QString::number(size.width());
    return sizes.join(' ');
}

class ProgramRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const QTemporaryDir* dir : {&Data, &Runtime, &Config})
            ASSERT_TRUE(dir->isValid());
        for (const auto& [name, dir] : {std::pair{"QUORVIK_DATA_DIR", &Data},
                                        {"XDG_RUNTIME_DIR", &Runtime},
                                        {"XDG_CONFIG_HOME", &Config}}) {
            Saved.push_back({name, qgetenv(name)});
            qputenv(name, QFile::encodeName(dir->path()));
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : Saved)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }

    // Runs the program to its end. Each box is noted as its text's first
    // line and its buttons, and answered with the next of `answers`; the
    // main window, once
    // shown, is noted as "window" and handed to `whileShown`, and a moment
    // later noted as "closed" and closed.
    void Run(std::deque<QMessageBox::StandardButton> answers,
             const std::function<void(TFrmMain&)>& whileShown = {}) {
        testsupport::TWindowWatcher watcher([&](QWidget& shown) {
            Icons << IconSizes(shown.windowIcon());
            if (auto* box = qobject_cast<QMessageBox*>(&shown)) {
                QStringList buttons;
                for (const QAbstractButton* button : box->buttons())
                    buttons << button->text();
                Seen << box->text().section('\n', 0, 0) + " (" + buttons.join('/') + ')';
                ASSERT_FALSE(answers.empty()) << "unexpected box";
                box->button(answers.front())->click();
                answers.pop_front();
            } else if (auto* window = qobject_cast<TFrmMain*>(&shown)) {
                Seen << QStringLiteral("window");
                if (whileShown)
                    whileShown(*window);
                QTimer::singleShot(kShownFor, window, [this, window] {
                    Seen << QStringLiteral("closed");
                    window->close();
                });
            }
        });
        bool timedOut = false;
        QTimer limit;
        limit.callOnTimeout([&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        limit.start(kRunLimit);
        TQtMessagePresenter presenter;
        RunQuorvik(presenter, Address);
        EXPECT_FALSE(timedOut) << "the program did not end";
    }

    QString SettingsPath() const {
        return Data.filePath(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                             ".ini");
    }

    QTemporaryDir Data;
    QTemporaryDir Runtime;
    QTemporaryDir Config;
    std::vector<std::pair<const char*, QByteArray>> Saved;
    QString Address; // from the command line
    QStringList Seen;
    QStringList Icons; // the icon sizes of every shown window, as "16 32"
};

TEST_F(ProgramRunTest, YesToAStartErrorShowsTheWindowAndNoEndsTheProgram) {
    // A folder where a file is expected can be neither read nor written;
    // at the close the settings cannot be written either.
    ASSERT_TRUE(QDir().mkpath(SettingsPath()));
    const QString read =
        QStringLiteral("Fehler beim einlesen der Einstellungen.  [75] (&Ja/&Nein)");
    const QString write =
        QStringLiteral("Fehler beim schreiben der Einstellungen.  [125] (&Ja/&Nein)");
    const QString log =
        QStringLiteral("Schwerer Fehler beim erstellen der Error-Log Datei.  [586] (&Ja/&Nein)");
    Run({QMessageBox::Yes, QMessageBox::Yes});
    EXPECT_EQ(Seen.join('|').toStdString(), (read + "|window|closed|" + write).toStdString());

    // The log cannot be written either: two boxes, then the window.
    Seen.clear();
    const QString logFile = Data.filePath(QStringLiteral("Error.txt"));
    ASSERT_TRUE(QFile::remove(logFile) && QDir().mkpath(logFile));
    Run({QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Yes});
    EXPECT_EQ(Seen.join('|').toStdString(),
              (log + '|' + read + "|window|closed|" + write).toStdString());

    Seen.clear();
    Run({QMessageBox::Yes, QMessageBox::No});
    ASSERT_FALSE(Seen.isEmpty());
    EXPECT_EQ(Seen[0], log);
}

TEST_F(ProgramRunTest, QtsOwnTextsAreGermanAndItsDialogsStoreNothing) {
    QStringList dialog;
    QStringList contextMenu;
    Run({}, [&](TFrmMain& window) {
        const std::unique_ptr<QMenu> menu(window.edURL->lineEdit()->createStandardContextMenu());
        for (const QAction* item : menu->actions())
            contextMenu << item->text().remove('&').section('\t', 0, 0);
        testsupport::TWindowWatcher cancel([&](QWidget& shown) {
            if (auto* files = qobject_cast<QFileDialog*>(&shown)) {
                dialog = TextsOf(*files);
                files->reject();
            }
        });
        window.actSaveResultViewExec();
    });
    EXPECT_TRUE(dialog.contains(QStringLiteral("Suchen in:"))) << dialog.join('|').toStdString();
    EXPECT_TRUE(dialog.contains(QStringLiteral("Dateiname:"))) << dialog.join('|').toStdString();
    EXPECT_TRUE(dialog.contains(QStringLiteral("Speichern"))) << dialog.join('|').toStdString();
    EXPECT_TRUE(contextMenu.contains(QStringLiteral("Rückgängig")))
        << contextMenu.join('|').toStdString();
    EXPECT_TRUE(contextMenu.contains(QStringLiteral("Alles auswählen")))
        << contextMenu.join('|').toStdString();
    // Only the program's settings file is left behind.
    const auto entries = [](const QTemporaryDir& dir) {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
            .join('|')
            .toStdString();
    };
    EXPECT_EQ(entries(Config), "");
    EXPECT_EQ(entries(Data), QFileInfo(SettingsPath()).fileName().toStdString());
}

TEST_F(ProgramRunTest, TheWindowAndEveryBoxShowTheProgramsIcon) {
    // A box before the window: the log cannot be written, nor the settings read.
    ASSERT_TRUE(QDir().mkpath(SettingsPath()) &&
                QDir().mkpath(Data.filePath(QStringLiteral("Error.txt"))));
    Run({QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Yes});
    ASSERT_GE(Icons.size(), 4) << Seen.join('|').toStdString();
    EXPECT_EQ(Icons.join('|').toStdString(),
              QStringList(Icons.size(), "16 32 48 128 256").join('|').toStdString());
}

TEST_F(ProgramRunTest, AnAddressOnTheCommandLineIsInTheFieldAtStart) {
    Address = QStringLiteral("https://example.org/a b?c=1");
    QString shown;
    Run({}, [&](TFrmMain& window) { shown = window.edURL->currentText(); });
    EXPECT_EQ(shown, Address);
}

// The installed program started from a terminal.
using testsupport::TCommandLineCase;

class ProgramCommandLine : public testing::TestWithParam<TCommandLineCase> {};

TEST_P(ProgramCommandLine, AnswersWithoutADisplayOrRefuses) {
    const TCommandLineCase& Case = GetParam();
    QProcess program;
    // No display: a program that needed one would end with Qt's complaint.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    // Else Qt's offscreen platform notes on standard error that it is missing.
    const QTemporaryDir runtime;
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(QUORVIK_BINARY), Case.Arguments);
    ASSERT_TRUE(program.waitForFinished());
    testsupport::ExpectAnswer(program, Case, QuorvikProgramTexts().Help);
}

INSTANTIATE_TEST_SUITE_P(
    Program, ProgramCommandLine,
    testing::Values(
        TCommandLineCase{"Help", {"--help"}, 0, testsupport::kHelpAnswer, ""},
        TCommandLineCase{"ShortHelpAfterAnAddress",
                         {"http://a.example/", "-h"},
                         0,
                         testsupport::kHelpAnswer,
                         ""},
        TCommandLineCase{"Version", {"--version"}, 0, "quorvik 1.01 (Vendrix Quorvik)\n", ""},
        // Qt's options are Qt's; what is left must be the program's.
        TCommandLineCase{"HelpBesideQtsOptions",
                         {"-platform", "offscreen", "--help"},
                         0,
                         testsupport::kHelpAnswer,
                         ""},
        TCommandLineCase{"UnknownOption",
                         {"-platform", "offscreen", "--fast", "http://a.example/"},
                         2,
                         "",
                         "quorvik: Unbekannte Option „--fast“.\n"
                         "Aufruf: quorvik [Optionen] [URL] (mehr mit --help)\n"},
        TCommandLineCase{"TwoAddresses",
                         {"-platform", "offscreen", "http://a.example/", "http://b.example/"},
                         2,
                         "",
                         "quorvik: Zu viele Argumente ab „http://b.example/“.\n"
                         "Aufruf: quorvik [Optionen] [URL] (mehr mit --help)\n"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
