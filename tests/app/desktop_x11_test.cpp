#include "tests/app/main_window_fixture.h"

#include "tests/support/window_watcher.h"

#include <QMessageBox>
#include <QProcess>

namespace {

// An X property of `window` as xprop prints it.
QString XProperty(const QWidget& window, const char* property) {
    QProcess xprop;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    xprop.setProcessEnvironment(environment);
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window.winId()), QLatin1String(property)});
    if (!xprop.waitForFinished())
        return QStringLiteral("<xprop failed>");
    return QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
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

} // namespace
