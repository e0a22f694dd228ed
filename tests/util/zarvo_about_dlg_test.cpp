#include "tests/support/event_wait.h"
#include "util/app_title.h"
#include "util/zarvo_about_dlg.h"
#include "util/zarvo_honk.h"

#include <QApplication>
#include <QDialog>
#include <QEnterEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

constexpr char kAppTitle[] = "Vendrix Quorvik";
constexpr char kMail[] = "mailto:software@vendrix.example";

QString LabelText(const QDialog& box, const char* name) {
    const auto* label = box.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

QImage ResourceImage(const QString& name) {
    return QImage(name).convertToFormat(QImage::Format_ARGB32);
}

QImage LabelImage(const QDialog& box, const char* name) {
    return box.findChild<QLabel*>(QLatin1String(name))
        ->pixmap()
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

class AboutDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        apptitle::SetTitle(QString::fromLatin1(kAppTitle));
        Honk.SetClock([this] { return Now; });
        Dlg.SetUrlOpener([this](const QUrl& url) {
            Opened.push_back(url);
            return true;
        });
        Dlg.SetProduct("Quorvik");
        Dlg.SetVersion("Version 1.01");
        Dlg.SetUser("Erika Mustermann");
        Dlg.SetUserCompany("Muster GmbH");
    }

    // Runs Execute; as soon as the box runs modally, `act` gets it. A box that
    // `act` leaves open is closed by a watchdog, and the test fails.
    bool ExecuteWith(TZarvoAboutDlg& dlg, const std::function<void(QDialog&)>& act) {
        QPointer<QDialog> shown;
        QTimer::singleShot(0, &dlg, [&] {
            shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!shown) {
                ADD_FAILURE() << "no modal box";
                return;
            }
            ASSERT_TRUE(testsupport::WaitUntil([&] { return shown && shown->isActiveWindow(); }));
            act(*shown);
        });
        QTimer watchdog; // ends with this call, unlike a single shot
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            ADD_FAILURE() << "the box did not close";
            if (shown)
                shown->done(2); // a result that is never Accepted
        });
        watchdog.start(std::chrono::seconds(10));
        const bool result = dlg.Execute();
        EXPECT_TRUE(shown.isNull()) << "the window was not destroyed";
        return result;
    }
    bool ExecuteWith(const std::function<void(QDialog&)>& act) { return ExecuteWith(Dlg, act); }

    // Runs Execute, lets `look` inspect the box, then closes it with Escape.
    void Inspect(TZarvoAboutDlg& dlg, const std::function<void(QDialog&)>& look) {
        EXPECT_TRUE(ExecuteWith(dlg, [&](QDialog& box) {
            look(box);
            QTest::keyClick(&box, Qt::Key_Escape);
        }));
    }
    void Inspect(const std::function<void(QDialog&)>& look) { Inspect(Dlg, look); }

    QDateTime Now{QDate(2026, 12, 7), QTime(21, 0)};
    std::vector<QUrl> Opened;
    TZarvoHonk Honk;
    TZarvoAboutDlg Dlg{Honk};
};

TEST_F(AboutDlgTest, ShowsItsTextsInFullInBothLanguagesAndOpensItsLinks) {
    const struct {
        TZarvoLng Language;
        const char* Caption;
        const char* Licensee;
        const char* MemoryPrefix;
        const char* Web;
    } cases[] = {{lngDE, "Über Quorvik", "Lizenznehmer:", "Verfügbarer realer Speicher:  ",
                  "http://www.vendrix.example/de"},
                 {lngUS, "About Quorvik", "This product is licensed to:",
                  "Physical memory available:  ", "http://www.vendrix.example/en"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Caption);
        Opened.clear();
        Dlg.SetLanguage(c.Language);
        Inspect([&](QDialog& box) {
            EXPECT_EQ(box.windowTitle(), QString::fromUtf8(c.Caption));
            EXPECT_EQ(LabelText(box, "lblTitle"), "Quorvik");
            EXPECT_EQ(LabelText(box, "lblVersion"), "Version 1.01");
            EXPECT_EQ(LabelText(box, "lblLicensee"), QString::fromUtf8(c.Licensee));
            EXPECT_EQ(LabelText(box, "lblUser"), "Erika Mustermann");
            EXPECT_EQ(LabelText(box, "lblUserCompany"), "Muster GmbH");
            const QString memory = LabelText(box, "lblMemory");
            EXPECT_TRUE(memory.startsWith(QString::fromUtf8(c.MemoryPrefix)))
                << memory.toStdString();
            EXPECT_TRUE(memory.endsWith(" KB")) << memory.toStdString();
            // Every line shows its whole text in the fixed layout.
            for (const char* name : {"lblVersion", "lblLegal1", "lblLegal2", "lblRights",
                                     "lblLicensee", "lblMemory", "lblTitle", "lblSignature"}) {
                const auto* label = box.findChild<QLabel*>(QLatin1String(name));
                EXPECT_FALSE(label->text().isEmpty()) << name;
                EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                    << name;
            }
            auto* web = box.findChild<QLabel*>("lblWeb");
            auto* mail = box.findChild<QLabel*>("lblMail");
            const auto* separator = box.findChild<QLabel*>("lblSeparator");
            EXPECT_LT(web->geometry().right(), separator->x());
            EXPECT_LT(separator->geometry().right(), mail->x());
            EXPECT_LE(mail->geometry().right(), mail->parentWidget()->width());

            // Only the link under the mouse lights up; clicks open the addresses.
            const auto lit = [web] {
                return web->font().underline() &&
                       web->palette().color(QPalette::WindowText) == QColor(Qt::blue);
            };
            EXPECT_FALSE(lit());
            QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QApplication::sendEvent(web, &enter);
            EXPECT_TRUE(lit());
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(web, &leave);
            EXPECT_FALSE(lit());
            QTest::mouseClick(web, Qt::LeftButton);
            QTest::mouseClick(mail, Qt::LeftButton);
        });
        EXPECT_EQ(Opened, (std::vector<QUrl>{QUrl(c.Web), QUrl(kMail)}));
    }
}

TEST_F(AboutDlgTest, OkEnterAndEscapeSucceedCtrlDFailsCloseRequestsAreRefused) {
    EXPECT_TRUE(ExecuteWith([](QDialog& box) {
        QTest::mouseClick(box.findChild<QPushButton*>("BtnOK"), Qt::LeftButton);
    }));
    for (const auto& [key, modifiers, result] :
         {std::tuple{Qt::Key_Return, Qt::NoModifier, true},
          std::tuple{Qt::Key_Escape, Qt::NoModifier, true},
          std::tuple{Qt::Key_D, Qt::ControlModifier, false}}) {
        EXPECT_EQ(ExecuteWith([key = key, modifiers = modifiers](QDialog& box) {
                      EXPECT_EQ(box.focusWidget(), box.findChild<QPushButton*>("BtnOK"));
                      QTest::keyClick(box.focusWidget(), key, modifiers);
                  }),
                  result)
            << QKeySequence(key | modifiers).toString().toStdString();
    }
    Inspect([](QDialog& box) {
        EXPECT_FALSE(box.close());
        EXPECT_TRUE(box.isVisible());
    });
}

TEST_F(AboutDlgTest, EmptyProductTakesTheApplicationTitle) {
    Dlg.SetProduct("");
    Inspect([](QDialog& box) {
        EXPECT_EQ(box.windowTitle(), QString::fromUtf8("Über Vendrix Quorvik"));
        EXPECT_EQ(LabelText(box, "lblTitle"), "Vendrix Quorvik");
    });
    EXPECT_EQ(Dlg.Product(), "Vendrix Quorvik");
}

TEST_F(AboutDlgTest, RightsLineEndsThisYearButNotBefore2001) {
    for (const auto& [year, shown] : {std::pair{1999, "-2001 "}, std::pair{2026, "-2026 "}}) {
        Now = QDateTime(QDate(year, 6, 1), QTime(12, 0));
        Inspect([shown = shown](QDialog& box) {
            EXPECT_TRUE(LabelText(box, "lblRights").contains(shown))
                << LabelText(box, "lblRights").toStdString();
        });
    }
}

TEST_F(AboutDlgTest, PicturesFollowTheColourDepth) {
    ASSERT_NE(ResourceImage(":/ZARVOBCB_LOGO_H"), ResourceImage(":/ZARVOBCB_LOGO_L"));
    for (const auto& [bits, suffix] : {std::pair{16, "_H"}, std::pair{8, "_L"}}) {
        Honk.Hardware().SetScreenBitsQuery([bits = bits] { return bits; });
        Inspect([suffix = QString::fromLatin1(suffix)](QDialog& box) {
            EXPECT_EQ(LabelImage(box, "imgLogo"), ResourceImage(":/ZARVOBCB_LOGO" + suffix))
                << suffix.toStdString();
            EXPECT_EQ(LabelImage(box, "imgLine"), ResourceImage(":/ZARVOBCB_BLUELINE" + suffix))
                << suffix.toStdString();
        });
    }
}

TEST_F(AboutDlgTest, IconFromTheOwnerOrTheGivenOneOrTheDefault) {
    QPixmap red(32, 32);
    red.fill(Qt::red);
    const QImage redImage = red.toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage defaultImage = ResourceImage(":/ZARVOBCB_DEFAULTICO");

    QWidget owner;
    owner.setWindowIcon(QIcon(red));
    TZarvoAboutDlg owned(Honk, &owner);
    Inspect(owned, [&](QDialog& box) {
        EXPECT_EQ(box.parentWidget(), &owner);
        EXPECT_EQ(LabelImage(box, "imgAppIcon"), redImage);
    });
    owned.SetExtractExeIcon(false);
    Inspect(owned, [&](QDialog& box) { EXPECT_EQ(LabelImage(box, "imgAppIcon"), defaultImage); });
    owned.SetIcon(QIcon(red));
    Inspect(owned, [&](QDialog& box) { EXPECT_EQ(LabelImage(box, "imgAppIcon"), redImage); });
}

} // namespace
