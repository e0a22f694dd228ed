#include "tests/app/main_window_fixture.h"

#include "tests/support/scripted_server.h"

#include <QAction>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QTimer>

namespace {

using testsupport::TScriptedServer;

const QString kUpdateAddress =
    QStringLiteral("http://www.vendrix.example/cgi-bin/update.cgi?app=quorvik&ver=1010");

class ExtrasMenuTest : public UnstartedWindowTest {
protected:
    QMenu& OpenMenu() {
        QTest::mouseClick(Window->BtnExtra, Qt::LeftButton);
        EXPECT_TRUE(testsupport::WaitUntil([this] { return Window->PopMenuExtra->isVisible(); }));
        return *Window->PopMenuExtra;
    }

    void Choose(QAction* action) {
        QMenu& menu = OpenMenu();
        QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(action).center());
    }

    // The strip index of the item's icon: "" without one, "?" for another.
    QString IconIndex(const QAction* item) const {
        const auto image = [](const QIcon& icon) { return icon.pixmap(16).toImage(); };
        if (item->icon().isNull())
            return {};
        for (int index = 0; index < Window->imgListToolbar.size(); ++index)
            if (image(Window->imgListToolbar[index]) == image(item->icon()))
                return QString::number(index);
        return QStringLiteral("?");
    }

    // Alt+F1; the caption and version line of the modal box that came up
    // (then closed with Escape), empty when none came.
    QStringList AboutBoxOfAltF1() {
        QStringList seen;
        QTimer::singleShot(0, [&seen] {
            if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                seen = {box->windowTitle(), box->findChild<QLabel*>("lblVersion")->text()};
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        Press(Qt::Key_F1, Qt::AltModifier);
        // Offscreen, no window manager hands the activation back.
        Window->activateWindow();
        EXPECT_TRUE(
            testsupport::WaitUntil([this] { return QApplication::activeWindow() == Window; }));
        return seen;
    }
};

TEST_F(ExtrasMenuTest, MenuOpensBelowTheButtonCornerAndItsItemsDoTheirWork) {
    Start();
    Window->move(20, 10);
    QMenu& menu = OpenMenu();
    // The outer window's corner plus the button's place, two button heights down.
    EXPECT_EQ(menu.pos(), QPoint(20 + 16, 10 + 325 + 2 * 23));
    QStringList items;
    for (const QAction* item : menu.actions())
        items << (item->isSeparator() ? QStringLiteral("-") : item->text()) + '|' +
                     item->shortcut().toString() + '|' + IconIndex(item);
    EXPECT_EQ(items, QStringList({"-||", "Online-&Hilfe|F1|3", "Übe&r ...|Alt+F1|4", "-||",
                                  "Suche nach &Update||", "Online-&Support||", "-||",
                                  "Vendrix im &Web||5", "E-&Mail an Vendrix||6"}));
    // The opening line is drawn below the menu's frame, not collapsed away or
    // drawn over by the frame: down the middle, frame and line are two runs of
    // rows that differ from the background above the first item.
    EXPECT_FALSE(menu.actionGeometry(menu.actions().first()).isEmpty());
    const QImage image = menu.grab().toImage();
    const int middle = image.width() / 2;
    const QRgb background = image.pixel(middle, menu.actionGeometry(Window->actHelp).bottom());
    int runs = 0;
    for (int y = 0; y < menu.actionGeometry(Window->actHelp).top(); ++y)
        runs += image.pixel(middle, y) != background &&
                (y == 0 || image.pixel(middle, y - 1) == background);
    EXPECT_EQ(runs, 2);

    // Without a help command in the settings, help starts nothing.
    menu.hide();
    Press(Qt::Key_F1);
    Choose(Window->actHelp);
    EXPECT_TRUE(Started.empty());

    // The other items and the banner open the maker's addresses.
    Presenter.Answers = {TMsgButton::No, TMsgButton::Yes};
    for (QAction* item : {Window->actNetSupport, Window->actNetWeb, Window->actNetEMail,
                          Window->actNetUpdate, Window->actNetUpdate})
        Choose(item);
    QTest::mouseClick(Window->imgWerbung, Qt::LeftButton);
    QStringList opened;
    for (const QUrl& url : Opened)
        opened << url.toString();
    // The update address only after "Yes", in lower case.
    EXPECT_EQ(opened, QStringList({"http://www.vendrix.example/cgi-bin/w.pl?t=support",
                                   "http://www.vendrix.example/de/",
                                   "mailto:software@vendrix.example", kUpdateAddress,
                                   "http://www.vendrix.example/cgi-bin/w.pl?t=quorvikpro"}));
    ASSERT_EQ(Presenter.Shown.size(), 2u);
    EXPECT_EQ(Presenter.Shown[0].Caption, QStringLiteral("Quorvik Internet-Update"));
    EXPECT_TRUE(Presenter.Shown[0].Text.endsWith(QStringLiteral("Sind Sie im Moment online?")));
    EXPECT_EQ(Presenter.Shown[0].Icon, TMsgIcon::Question);
    EXPECT_EQ(Presenter.Shown[0].Buttons, TMsgButtons::YesNo);
}

TEST_F(ExtrasMenuTest, TheHelpProgramStartsWithoutAShell) {
    const QString marker = DataDir.filePath(QStringLiteral("hilfe; gestartet"));
    SetSettingsText("[HelpID]\r\nHelpAppStd_de=touch \"" + QFile::encodeName(marker) + "\"\r\n");
    Start();
    Window->SetHelpStarter({});
    Press(Qt::Key_F1);
    // A shell would have made the file "hilfe" and run "gestartet".
    EXPECT_TRUE(testsupport::WaitUntil([&marker] { return QFile::exists(marker); }));
}

TEST_F(ExtrasMenuTest, HelpAndAboutWorkOnEveryPageWhileARequestRunsAndWithTheMenuOpen) {
    SetSettingsText("[HelpID]\r\nHelpAppStd_de=hilfe --thema \"Erste Schritte\"\r\n");
    Start();
    const QStringList aboutBox = {"Über Quorvik", "Version 1.01"};
    // Ends on the Input page, where the request starts.
    for (int page : {TFrmMain::kPageProgress, TFrmMain::kPageFinish, TFrmMain::kPageInput}) {
        SCOPED_TRACE(page);
        Window->ShowPage(page);
        Press(Qt::Key_F1);
        EXPECT_EQ(AboutBoxOfAltF1(), aboutBox);
    }
    TScriptedServer server({{TScriptedServer::ExpectUntil("\r\n\r\n"), TScriptedServer::Drain()}});
    QStringList about;
    // Once the server has the request and stays silent, from the request's own wait.
    Window->HTTP->OnStateChange = [&](THttpClient* client) {
        if (client->State() != THttpState::httpWaitingHeader)
            return;
        QTimer::singleShot(0, [&] {
            EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageProgress);
            Press(Qt::Key_F1);
            about = AboutBoxOfAltF1();
            Window->BtnCancel->click();
        });
    };
    RunQueryTo(QStringLiteral("http://127.0.0.1:%1/").arg(server.Port()));
    EXPECT_EQ(about, aboutBox);
    // F1 in the open menu closes it.
    QTest::keyClick(&OpenMenu(), Qt::Key_F1);
    EXPECT_FALSE(Window->PopMenuExtra->isVisible());
    Choose(Window->actHelp);
    EXPECT_EQ(Started, std::vector<QStringList>(6, {"hilfe", "--thema", "Erste Schritte"}));
}

TEST_F(ExtrasMenuTest, WednesdayAsksOnceUntilTheNextWednesdayWhateverTheAnswer) {
    const QDate wednesday(2026, 12, 9);
    const auto startAndCloseOn = [this](const QDateTime& now) {
        Now = now;
        Start();
        Close();
    };
    for (int otherDay : {-2, -1, 1, 2, 3, 4})
        startAndCloseOn(QDateTime(wednesday.addDays(otherDay), QTime(8, 0)));
    EXPECT_TRUE(Presenter.Shown.empty());

    Presenter.Answers = {TMsgButton::No, TMsgButton::Yes};
    for (const QDate& day : {wednesday, wednesday.addDays(7)}) {
        SCOPED_TRACE(day.toString(Qt::ISODate).toStdString());
        const std::size_t before = Presenter.Shown.size();
        startAndCloseOn(QDateTime(day, QTime(8, 0)));
        ASSERT_EQ(Presenter.Shown.size(), before + 1);
        EXPECT_EQ(Presenter.Shown.back().Caption, QStringLiteral("Quorvik Internet-Update"));
        // Later that day and the day after, no second question.
        startAndCloseOn(QDateTime(day, QTime(23, 59)));
        startAndCloseOn(QDateTime(day.addDays(1), QTime(0, 0)));
        EXPECT_EQ(Presenter.Shown.size(), before + 1);
    }
    EXPECT_EQ(Opened, std::vector<QUrl>{QUrl(kUpdateAddress)});
}

} // namespace
