// What each trace call sends, as a listener on the trace channel receives it.
#include "tests/util/trace_listener.h"
#include "util/cp1252.h"
#include "util/trace.h"
#include "util/zarvo_debug.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using std::chrono::steady_clock;

// The block of an entry: byte 1, kind + 1, the text, a zero byte.
std::string Block(char kind, const std::string& text) {
    return std::string{'\x01', static_cast<char>(kind + 1)} + text + std::string(1, '\0');
}

// 7 December 2026, 12:00 as a day count and as the text the trace shows.
const double kNoonDays = QDate(1899, 12, 30).daysTo(QDate(2026, 12, 7)) + 0.5;
std::string NoonText() {
    return ToCp1252(QLocale::system().toString(QDate(2026, 12, 7), QLocale::ShortFormat) +
                    QStringLiteral(" 12:00:00"));
}

// How many datagrams a socket queues before a sender has to wait.
int DatagramQueueLength() {
    constexpr int kLinuxDefault = 10;
    QFile setting(QStringLiteral("/proc/sys/net/unix/max_dgram_qlen"));
    bool ok = false;
    const int length =
        setting.open(QIODevice::ReadOnly) ? setting.readAll().trimmed().toInt(&ok) : 0;
    return ok ? length : kLinuxDefault;
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Listener.Bound()); }

    TTraceFolders Folders;
    TTraceListener Listener;
    TZarvoDebug Debug;
};

TEST_F(TraceTest, EveryCallSendsItsExactBlock) {
    const std::string separator(30, '-');
    const std::string today =
        ToCp1252(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    const struct {
        const char* Call;
        std::function<bool()> Send;
        std::string Expected;
    } cases[] = {
        {"TraceMsg", [] { return TraceMsg(QStringLiteral("Gr\u00f6\u00dfe")), true; },
         Block(tkInformation, "Gr\xF6\xDF"
                              "e")},
        {"TraceMsgEx warning", [] { return TraceMsgEx(QStringLiteral("w"), tkWarning), true; },
         Block(tkWarning, "w")},
        {"TraceMsgEx error", [] { return TraceMsgEx(QStringLiteral("e"), tkError), true; },
         Block(tkError, "e")},
        {"TraceSeparator", [] { return TraceSeparator(), true; }, Block(tkInformation, separator)},
        {"TraceBoolean", [] { return TraceBoolean(QStringLiteral("ok"), true), true; },
         Block(tkInformation, "ok= True")},
        {"TraceBoolean false", [] { return TraceBoolean(QStringLiteral("ok"), false), true; },
         Block(tkInformation, "ok= False")},
        {"TraceInteger", [] { return TraceInteger(QStringLiteral("n"), -5), true; },
         Block(tkInformation, "n = -5")},
        {"TraceDateTime", [] { return TraceDateTime(QStringLiteral("d"), kNoonDays), true; },
         Block(tkInformation, "d=" + NoonText())},
        {"TraceDateTime out of range",
         [] { return TraceDateTime(QStringLiteral("d"), 1e300), true; },
         Block(tkInformation, "d=1e+300")},
        {"Begin", [this] { return Debug.Begin(); },
         Block(tkInformation, "***** Begin Debug Report <util_tests>  " + today)},
        {"Add 2", [this] { return Debug.Add(2, "t", "/src/app/frm_main.cpp", 42); },
         Block(tkWarning, "t   [frm_main.cpp(42)]")},
        {"Add 3", [this] { return Debug.Add(3, "t", "C:\\src\\Main.cpp", 7); },
         Block(tkError, "t   [Main.cpp(7)]")},
        {"Add 4", [this] { return Debug.Add(4, "t", "x.cpp", 0); },
         Block(tkError, "t   [x.cpp(0)]")},
        {"Add 0", [this] { return Debug.Add(0, "t", "", -1); }, Block(tkInformation, "t   [(-1)]")},
        {"AddBool", [this] { return Debug.AddBool("b", false, "f.cpp", 1); },
         Block(tkInformation, "b= False   [f.cpp(1)]")},
        {"AddInt", [this] { return Debug.AddInt("n", 12, "f.cpp", 2); },
         Block(tkInformation, "n= 12   [f.cpp(2)]")},
        {"AddDate", [this] { return Debug.AddDate("d", kNoonDays, "f.cpp", 3); },
         Block(tkInformation, "d= " + NoonText() + "   [f.cpp(3)]")},
        {"AddSep", [this] { return Debug.AddSep(); }, Block(tkInformation, separator)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Call);
        EXPECT_TRUE(c.Send());
        EXPECT_EQ(Listener.Received(), std::vector<std::string>{c.Expected});
    }
    Debug.Add(3, "t", "f.cpp", 1);
    EXPECT_EQ(Debug.LastKind(), tkError);
}

TEST_F(TraceTest, NestedMethodsIndentByFourBlanksPerLevel) {
    TraceMethodEnter(QStringLiteral("A"));
    TraceMsg(QStringLiteral("in A"));
    TraceMethodEnter(QStringLiteral("B"));
    TraceMethodExit(QStringLiteral("B"));
    TraceMethodExit(QStringLiteral("A"));
    TraceMsg(QStringLiteral("out"));
    EXPECT_EQ(Listener.Received(), (std::vector<std::string>{
                                       Block(tkInformation, "    Entering A"),
                                       Block(tkInformation, "    in A"),
                                       Block(tkInformation, "        Entering B"),
                                       Block(tkInformation, "        Exiting B"),
                                       Block(tkInformation, "    Exiting A"),
                                       Block(tkInformation, "out"),
                                   }));
}

TEST_F(TraceTest, AnOverlongTextIsCutToTheBlockLimit) {
    TraceMsg(QString(tracechannel::kTextMax + 10, QLatin1Char('x')));
    EXPECT_EQ(Listener.Received(), std::vector<std::string>{Block(
                                       tkInformation, std::string(tracechannel::kTextMax, 'x'))});
}

// A viewer that hangs takes no entries: once its queue is full, every call
// waits the send bound at most, then drops its entry.
TEST_F(TraceTest, AViewerThatDoesNotReadDelaysACallByTheSendBoundAtMost) {
    const int kCalls = DatagramQueueLength() + 10;
    auto slowest = steady_clock::duration::zero();
    for (int i = 0; i < kCalls; ++i) {
        const auto start = steady_clock::now();
        TraceMsg(QStringLiteral("entry %1").arg(i));
        slowest = std::max(slowest, steady_clock::now() - start);
    }
    EXPECT_GE(slowest, tracechannel::kSendWait) << "the queue never filled";
    EXPECT_LT(slowest, tracechannel::kSendWait + 200ms);
    const std::vector<std::string> got = Listener.Received();
    ASSERT_FALSE(got.empty());
    EXPECT_LT(got.size(), static_cast<std::size_t>(kCalls));
    EXPECT_EQ(got.front(), Block(tkInformation, "entry 0"));
}

// No listener, no viewer installed (or one named that does not exist): the
// calls return at once. The case: whether a missing viewer is named.
class TraceWithoutViewer : public ::testing::TestWithParam<bool> {};

TEST_P(TraceWithoutViewer, CallsReturnAtOnce) {
    TTraceFolders folders;
    if (GetParam()) {
        ASSERT_TRUE(folders.NameViewer("/nonexistent/traceviewer"));
    }
    TZarvoDebug debug;
    const auto start = steady_clock::now();
    for (int i = 0; i < 100; ++i) {
        TraceMsg(QStringLiteral("nobody"));
        EXPECT_TRUE(debug.Add(1, "nobody", "f.cpp", 1));
    }
    EXPECT_LT(steady_clock::now() - start, 500ms);
}

INSTANTIATE_TEST_SUITE_P(Viewers, TraceWithoutViewer, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "AMissingViewerNamed" : "NoViewerNamed");
});

TEST(TraceViewerStart, ThePathComesFromTheViewerIniElseBesideTheExecutable) {
    TTraceFolders folders;
    EXPECT_EQ(tracechannel::ViewerPath(),
              QCoreApplication::applicationDirPath() + QStringLiteral("/traceviewer"));

    // A "viewer" that only says it was started and ends without listening.
    const QString marker = folders.Path() + QStringLiteral("/started");
    const QString script = folders.Path() + QStringLiteral("/viewer.sh");
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\necho started > '" + QFile::encodeName(marker) + "'\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(folders.NameViewer("  " + QFile::encodeName(script) + "  "));
    EXPECT_EQ(tracechannel::ViewerPath(), script);

    const auto start = steady_clock::now();
    EXPECT_FALSE(StartTraceViewer());
    EXPECT_LT(steady_clock::now() - start, kViewerStartWait)
        << "the end of the viewer ends the wait";
    EXPECT_TRUE(QFile::exists(marker));
}

TEST(StrReplaceAll, ReplacesEveryOccurrenceOnceFromTheLeft) {
    const struct {
        const char *Source, *Find, *Replace, *Expected;
    } cases[] = {{"a-b-", "-", "--", "a--b--"},
                 {"--", "-", "--", "----"},
                 {"aaa", "a", "aa", "aaaaaa"},
                 {"aaaa", "aa", "a", "aa"},
                 {"abab", "ab", "", ""},
                 {"abc", "", "x", "abc"},
                 {"", "a", "b", ""},
                 {"aXbxc", "x", "-", "aXb-c"},
                 {"abc", "abcd", "x", "abc"},
                 {"Tür", "ü", "ue", "Tuer"}};
    for (const auto& c : cases)
        EXPECT_EQ(StrReplaceAll(QString::fromUtf8(c.Source), QString::fromUtf8(c.Find),
                                QString::fromUtf8(c.Replace)),
                  QString::fromUtf8(c.Expected))
            << c.Source << " / " << c.Find;
}

} // namespace
