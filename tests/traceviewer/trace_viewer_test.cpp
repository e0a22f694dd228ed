// The viewer program as a developer runs it: started, fed by trace calls,
// ended with Ctrl+C.
#include "tests/support/command_line_case.h"
#include "tests/support/event_wait.h"
#include "tests/util/trace_listener.h"
#include "traceviewer/trace_viewer.h"
#include "traceviewer/trace_viewer_command.h"
#include "util/trace.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <csignal>

namespace {

class TraceViewerProgram : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(StartViewer(Viewer)); }
    void TearDown() override {
        if (Viewer.state() != QProcess::NotRunning) {
            Viewer.kill();
            Viewer.waitForFinished();
        }
    }

    // Starts a viewer on this test's runtime folder; true once it says that it
    // listens.
    static bool StartViewer(QProcess& viewer) {
        viewer.start(QStringLiteral(QUORVIK_TRACEVIEWER_BINARY), {});
        QByteArray log;
        const bool ended = testsupport::WaitUntil([&] {
            log += viewer.readAllStandardError();
            return viewer.state() == QProcess::NotRunning || log.contains("Strg+C");
        });
        return ended && viewer.state() == QProcess::Running;
    }
    QStringList WaitForLines(qsizetype count) {
        testsupport::WaitUntil([&] {
            Out += Viewer.readAllStandardOutput();
            return Out.count('\n') >= count;
        });
        return QString::fromUtf8(Out).split('\n', Qt::SkipEmptyParts);
    }

    TTraceFolders Folders;
    QProcess Viewer;
    QByteArray Out;
};

TEST_F(TraceViewerProgram, PrintsEachEntryWithTimeKindAndIndentationAndEndsOnCtrlC) {
    TraceMethodEnter(QStringLiteral("Run"));
    // Bytes that are no trace entry are ignored.
    ASSERT_TRUE(tracechannel::SendBlock("\x02junk"));
    TraceMsgEx(QStringLiteral("kaputt \x1b[31m rot"), tkError);
    TraceMethodExit(QStringLiteral("Run"));
    TraceMsgEx(QStringLiteral("Gr\u00f6\u00dfe"), tkWarning);

    const QStringList lines = WaitForLines(4);
    ASSERT_EQ(lines.size(), 4) << Out.toStdString();
    const QString time = QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d\d\d  )");
    const QString expected[] = {QStringLiteral("Info         Entering Run"),
                                QStringLiteral("Fehler       kaputt \\x1B[31m rot"),
                                QStringLiteral("Info         Exiting Run"),
                                QStringLiteral("Warnung  Gr\u00f6\u00dfe")};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(QRegularExpression(time + QRegularExpression::escape(expected[i]) + '$')
                        .match(lines[i])
                        .hasMatch())
            << lines[i].toStdString();

    // A second viewer finds the channel taken and says so.
    QProcess second;
    EXPECT_FALSE(StartViewer(second));
    EXPECT_EQ(second.exitCode(), 1);

    ASSERT_EQ(::kill(static_cast<pid_t>(Viewer.processId()), SIGINT), 0);
    ASSERT_TRUE(Viewer.waitForFinished(5000));
    EXPECT_EQ(Viewer.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(Viewer.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(tracechannel::SocketPath())) << "the socket file must go";
}

// Help, version and a faulty line are answered at once; the viewer does not
// listen for them.
using testsupport::TCommandLineCase;

class TraceViewerCommandLine : public testing::TestWithParam<TCommandLineCase> {
protected:
    TTraceFolders Folders;
};

TEST_P(TraceViewerCommandLine, AnswersWithoutListening) {
    const TCommandLineCase& Case = GetParam();
    QProcess viewer;
    viewer.start(QStringLiteral(QUORVIK_TRACEVIEWER_BINARY), Case.Arguments);
    ASSERT_TRUE(viewer.waitForFinished(5000)) << "the viewer listens";
    testsupport::ExpectAnswer(viewer, Case, TraceViewerProgramTexts().Help);
    EXPECT_FALSE(QFile::exists(tracechannel::SocketPath()));
}

INSTANTIATE_TEST_SUITE_P(
    Program, TraceViewerCommandLine,
    testing::Values(TCommandLineCase{"Help", {"--help"}, 0, testsupport::kHelpAnswer, ""},
                    TCommandLineCase{"ShortHelp", {"-h"}, 0, testsupport::kHelpAnswer, ""},
                    TCommandLineCase{
                        "Version", {"--version"}, 0, "traceviewer 1.01 (Vendrix Quorvik)\n", ""},
                    TCommandLineCase{"AnOperand",
                                     {"datei"},
                                     2,
                                     "",
                                     "traceviewer: Zu viele Argumente ab „datei“.\n"
                                     "Aufruf: traceviewer [Optionen] (mehr mit --help)\n"},
                    TCommandLineCase{"UnknownOption",
                                     {"--port", "9"},
                                     2,
                                     "",
                                     "traceviewer: Unbekannte Option „--port“.\n"
                                     "Aufruf: traceviewer [Optionen] (mehr mit --help)\n"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
