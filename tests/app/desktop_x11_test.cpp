#include "tests/app/main_window_fixture.h"

#include "tests/support/window_watcher.h"

#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// An X property as xprop prints it, of the window with the id `window`, or
// with 0 of the root window.
QString XProperty(WId window, const char* property) {
    QProcess xprop;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    xprop.setProcessEnvironment(environment);
    const QStringList target = window == 0
                                   ? QStringList{QStringLiteral("-root")}
                                   : QStringList{QStringLiteral("-id"), QString::number(window)};
    xprop.start(QStringLiteral("xprop"), target + QStringList{QLatin1String(property)});
    if (!xprop.waitForFinished())
        return QStringLiteral("<xprop failed>");
    return QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
}

QString XProperty(const QWidget& window, const char* property) {
    return XProperty(window.winId(), property);
}

// The window ids of a WINDOW property ("...: window id # 0x200007, 0x400007").
std::vector<WId> WindowIds(const QString& printed) {
    std::vector<WId> ids;
    for (const QString& id : printed.section('#', 1).split(',', Qt::SkipEmptyParts))
        ids.push_back(id.trimmed().toULongLong(nullptr, 16));
    return ids;
}

// The numbers of a CARDINAL list ("... = 0x3, 0x2c, 0x3a, 0x0, 0x0").
std::vector<quint32> Cardinals(const QString& printed) {
    std::vector<quint32> values;
    for (const QString& value : printed.section(" = ", 1).split(',', Qt::SkipEmptyParts))
        values.push_back(value.trimmed().toUInt(nullptr, 0));
    return values;
}

// The title as a window manager reads it.
QString ShownTitle(const QWidget& window) {
    // _NET_WM_NAME(UTF8_STRING) = "Vendrix Quorvik"
    return XProperty(window, "_NET_WM_NAME").section(QStringLiteral(" = "), 1);
}

// The window a box belongs to, as an X window id; 0 for none.
WId OwnerOf(const QWidget& box) {
    // WM_TRANSIENT_FOR(WINDOW): window id # 0x20000a
    return XProperty(box, "WM_TRANSIENT_FOR").section('#', 1).trimmed().toULongLong(nullptr, 16);
}

// Real boxes: the program's QMessageBox presenter instead of the recorder.
class DesktopX11Test : public UnstartedWindowTest {
protected:
    void StartWithRealBoxes() {
        Start([this] { Window->Honk->SetPresenter(nullptr); });
    }
    // Runs `open`, which shows a modal box; notes what the window system
    // shows of the box and closes it with Escape.
    void SeeBox(const std::function<void()>& open) {
        testsupport::TWindowWatcher watcher([this](QWidget& box) {
            if (&box == Window)
                return;
            Titles << ShownTitle(box);
            Owners.push_back(OwnerOf(box));
            QTest::keyClick(&box, Qt::Key_Escape);
        });
        open();
    }

    QStringList Titles;
    std::vector<WId> Owners;
};

TEST_F(DesktopX11Test, CaptionsAreShownExactlyAsSet) {
    StartWithRealBoxes();
    EXPECT_EQ(ShownTitle(*Window).toStdString(), "\"Vendrix Quorvik\"");
    SeeBox([this] { Window->actNetUpdateExec(); });
    SeeBox([this] { Window->actAboutExec(); });
    Window->edURL->setEditText(QString());
    SeeBox([this] { Window->actPInput_BtnNextExec(); });
    EXPECT_EQ(Titles.join(" | ").toStdString(),
              "\"Quorvik Internet-Update\" | \"Über Quorvik\" | \"Vendrix Quorvik\"");
}

TEST_F(DesktopX11Test, TheWednesdayQuestionAtStartBelongsToTheMainWindow) {
    Now = QDateTime(QDate(2026, 12, 9), QTime(8, 0));
    SeeBox([this] { StartWithRealBoxes(); });
    SeeBox([this] { Window->actNetUpdateExec(); });
    ASSERT_EQ(Owners.size(), 2u);
    EXPECT_EQ(Owners[0], Window->winId());
    EXPECT_EQ(Owners[1], Window->winId());
}

// A window manager reads both before it maps the window: resizing and
// maximising are not offered, and the class is the desktop entry's.
TEST_F(DesktopX11Test, TheWindowManagerIsToldOfAFixedSizeWindowAndItsClass) {
    Start();
    // flags, functions, decorations, input mode, status
    const std::vector<quint32> hints = Cardinals(XProperty(*Window, "_MOTIF_WM_HINTS"));
    ASSERT_EQ(hints.size(), 5u);
    constexpr quint32 functions = 1, decorations = 2;
    constexpr quint32 funcResize = 2, funcMove = 4, funcMinimize = 8, funcMaximize = 16,
                      funcClose = 32;
    constexpr quint32 decorResize = 4, decorTitle = 8, decorMinimize = 32, decorMaximize = 64;
    EXPECT_EQ(hints[0] & (functions | decorations), functions | decorations);
    EXPECT_EQ(hints[1], funcMove | funcMinimize | funcClose);
    EXPECT_EQ(hints[2] & (decorResize | decorMaximize), 0u);
    EXPECT_EQ(hints[2] & (decorTitle | decorMinimize), decorTitle | decorMinimize);
    EXPECT_EQ(hints[1] & (funcResize | funcMaximize), 0u);
    EXPECT_EQ(XProperty(*Window, "WM_CLASS").toStdString(),
              "WM_CLASS(STRING) = \"quorvik\", \"quorvik\"");
}

// A stored position is kept while some of the title bar (the frame's top 20
// pixels) lies on the screen (1024 x 768); otherwise the window could be
// neither seen nor moved, and it goes to 100, 100.
struct TPlacementCase {
    const char* Name;
    QPoint Stored;
    QPoint Placed;
};

void PrintTo(const TPlacementCase& placement, std::ostream* out) {
    *out << placement.Name;
}

class WindowPlacementX11Test : public DesktopX11Test,
                               public testing::WithParamInterface<TPlacementCase> {};

TEST_P(WindowPlacementX11Test, TheTitleBarCanBeReached) {
    const TPlacementCase& placement = GetParam();
    SetSettingsText(QStringLiteral("[Position]\r\nTop=%1\r\nLeft=%2\r\n")
                        .arg(placement.Stored.y())
                        .arg(placement.Stored.x())
                        .toLatin1());
    Start();
    EXPECT_EQ(Window->pos(), placement.Placed);
}

INSTANTIATE_TEST_SUITE_P(
    Desktop, WindowPlacementX11Test,
    testing::Values(TPlacementCase{"FarOffEveryScreen", {4000, 3000}, {100, 100}},
                    TPlacementCase{"BelowTheScreen", {200, 768}, {100, 100}},
                    TPlacementCase{"TitleBarAboveTheScreen", {200, -20}, {100, 100}},
                    TPlacementCase{"LeftOfTheScreen", {-900, 200}, {100, 100}},
                    TPlacementCase{"TitleBarEdgeAtTheTop", {200, -19}, {200, -19}},
                    TPlacementCase{"CornerInTheBottomRight", {1000, 700}, {1000, 700}},
                    TPlacementCase{"MostlyLeftOfTheScreen", {-450, 300}, {-450, 300}}),
    [](const auto& info) { return std::string(info.param.Name); });

// Two copies of the real program under openbox: the second one says that the
// first runs and brings that one's window to the front, over another window.
class SecondCopyX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        for (const QTemporaryDir* dir : {&Runtime, &Data})
            ASSERT_TRUE(dir->isValid());
        // xprop only follows properties whose names the server knows: the
        // window manager's check (which Qt asks for) until openbox runs, then
        // what it holds active and its stacking order, top last.
        Spy({"_NET_SUPPORTING_WM_CHECK"});
        Manager.start(QStringLiteral("openbox"), {"--sm-disable"});
        ASSERT_TRUE(Manager.waitForStarted());
        ASSERT_TRUE(testsupport::WaitUntil([this] {
            return !Latest("_NET_SUPPORTING_WM_CHECK").isEmpty();
        })) << "openbox did not start";
        Spy({"_NET_ACTIVE_WINDOW", "_NET_CLIENT_LIST_STACKING"});
    }
    void TearDown() override {
        for (QProcess* process : {&First, &Second, &Manager, &Spying}) {
            process->kill();
            process->waitForFinished();
        }
    }

    // Follows root window properties as they change, line-buffered.
    void Spy(const QStringList& properties) {
        Spying.kill();
        Spying.waitForFinished();
        Seen.clear();
        Spying.start(QStringLiteral("stdbuf"),
                     QStringList{"-oL", "xprop", "-root", "-spy"} + properties);
        ASSERT_TRUE(Spying.waitForStarted());
    }
    // The last value the spy saw of `property`; empty while it has none.
    QString Latest(const char* property) {
        Seen += QString::fromUtf8(Spying.readAllStandardOutput());
        const QString start = QLatin1String(property) + '(';
        QString value;
        for (const QString& line : Seen.split('\n'))
            if (line.startsWith(start) && line.contains('#'))
                value = line;
        return value;
    }
    WId Active() {
        const std::vector<WId> ids = WindowIds(Latest("_NET_ACTIVE_WINDOW"));
        return ids.empty() ? 0 : ids.front();
    }
    WId Top() {
        const std::vector<WId> ids = WindowIds(Latest("_NET_CLIENT_LIST_STACKING"));
        return ids.empty() ? 0 : ids.back();
    }
    // The managed window of the process `pid`, 0 while it has none.
    WId WindowOf(qint64 pid) {
        for (const WId id : WindowIds(Latest("_NET_CLIENT_LIST_STACKING")))
            if (XProperty(id, "_NET_WM_PID").section(" = ", 1).toLongLong() == pid)
                return id;
        return 0;
    }
    void StartCopy(QProcess& copy) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), Runtime.path());
        environment.insert(QStringLiteral("QUORVIK_DATA_DIR"), Data.path());
        copy.setProcessEnvironment(environment);
        copy.start(QStringLiteral(QUORVIK_COPY_BINARY), {});
    }

    QTemporaryDir Runtime;
    QTemporaryDir Data;
    QProcess Spying;
    QString Seen;
    QProcess Manager;
    QProcess First;
    QProcess Second;
};

TEST_F(SecondCopyX11Test, BringsTheFirstCopysWindowToTheFront) {
    StartCopy(First);
    WId first = 0;
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            first = WindowOf(First.processId());
            return first != 0 && Active() == first;
        },
        std::chrono::seconds(30)));

    QWidget other;
    other.setWindowTitle(QStringLiteral("anderes Fenster"));
    other.resize(800, 600);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return Active() == other.winId() && Top() == other.winId(); }));

    StartCopy(Second);
    ASSERT_TRUE(Second.waitForFinished(30000));
    EXPECT_EQ(Second.exitCode(), 0);
    EXPECT_TRUE(Second.readAllStandardOutput().contains("wurde bereits gestartet"));
    EXPECT_TRUE(testsupport::WaitUntil([&] { return Active() == first && Top() == first; }))
        << "active " << Active() << ", top " << Top() << ", first " << first;
    EXPECT_EQ(First.state(), QProcess::Running);
}

} // namespace
