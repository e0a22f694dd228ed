#include "tests/app/main_window_fixture.h"

#include "resources/resource_bitmap.h"
#include "util/zarvo_honk.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QStyle>

namespace {

struct Placement {
    const char* Name;
    QRect Geometry;
    // The wizard page the control sits on, or -1 for the window frame.
    int Page;
};

constexpr int kFrame = -1;

const Placement kLayout[] = {
    {"pnlWhite", {0, 0, 492, 58}, kFrame},
    {"LblHeader", {15, 8, 418, 15}, kFrame},
    {"LblTitle", {30, 24, 403, 28}, kFrame},
    {"imgBlueIcon", {439, 5, 48, 48}, kFrame},
    {"aniPlsWait", {439, 5, 48, 48}, kFrame},
    {"BevelUnderWhite", {0, 58, 492, 4}, kFrame},
    {"Notebook", {0, 62, 492, 249}, kFrame},
    {"BottomLine", {-1, 313, 500, 4}, kFrame},
    {"BtnExtra", {16, 325, 75, 23}, kFrame},
    {"BtnBack", {240, 325, 75, 23}, kFrame},
    {"BtnNext", {315, 325, 75, 23}, kFrame},
    {"BtnCancel", {401, 325, 75, 23}, kFrame},
    {"lbl_edURL", {16, 24, 440, 15}, TFrmMain::kPageInput},
    {"edURL", {16, 40, 436, 21}, TFrmMain::kPageInput},
    {"BtnExecURL", {455, 40, 21, 20}, TFrmMain::kPageInput},
    {"BvlWerbung", {16, 71, 462, 139}, TFrmMain::kPageInput},
    {"imgWerbung", {17, 72, 460, 137}, TFrmMain::kPageInput},
    {"LblAddInfo", {16, 228, 463, 15}, TFrmMain::kPageInput},
    {"PProgress_lblProgress", {6, 96, 480, 15}, TFrmMain::kPageProgress},
    {"PProgress_Gauge", {70, 115, 353, 20}, TFrmMain::kPageProgress},
    {"PProgress_lblProgress2", {6, 140, 480, 15}, TFrmMain::kPageProgress},
    {"ResultView", {16, 8, 460, 193}, TFrmMain::kPageFinish},
    {"gBoxResultViewStyle", {16, 213, 200, 23}, TFrmMain::kPageFinish},
    {"lblResultViewStyle", {0, 0, 50, 23}, TFrmMain::kPageFinish},
    {"cBoxResultViewStyle", {52, 1, 110, 21}, TFrmMain::kPageFinish},
    {"gBoxFinishOptions", {300, 213, 176, 23}, TFrmMain::kPageFinish},
    {"BtnCopyResultView", {0, 0, 85, 23}, TFrmMain::kPageFinish},
    {"BtnSaveResultView", {91, 0, 85, 23}, TFrmMain::kPageFinish},
};

const char* const kNeverShown[] = {
    "lbl_edDataCGI", "edDataCGI",        "lbl_edProxyURL",  "edProxyURL",  "lbl_edFilenameDL",
    "edFilenameDL",  "BtnSetDLfilename", "RGrpHttpMethode", "gBoxLegende",
};

void PrintTo(const Placement& placement, std::ostream* os) {
    *os << placement.Name;
}

class ControlPlacementTest : public MainWindowTest,
                             public ::testing::WithParamInterface<Placement> {};

} // namespace

TEST_P(ControlPlacementTest, SitsAtItsPlaceOnItsPage) {
    const Placement& placement = GetParam();
    QWidget* control = Child(placement.Name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->geometry(), placement.Geometry);
    QWidget* expectedParent = placement.Page == kFrame ? static_cast<QWidget*>(Window)
                                                       : Window->Notebook->widget(placement.Page);
    EXPECT_TRUE(expectedParent->isAncestorOf(control));
}

INSTANTIATE_TEST_SUITE_P(EveryControl, ControlPlacementTest, ::testing::ValuesIn(kLayout),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MainWindowTest, TheHiddenControlsNeverShow) {
    for (int page = 0; page < TFrmMain::kPageCount; ++page) {
        Window->ShowPage(page);
        for (const char* name : kNeverShown) {
            ASSERT_NE(Child(name), nullptr) << name;
            EXPECT_FALSE(Child(name)->isVisible()) << name << " on page " << page;
        }
    }
}

TEST_F(MainWindowTest, FinishPageStripHoldsTheViewStyleCopyAndSaveSideBySide) {
    Window->ShowPage(TFrmMain::kPageFinish);
    EXPECT_TRUE(Window->gBoxResultViewStyle->isVisible());
    EXPECT_TRUE(Window->gBoxFinishOptions->isVisible());
    EXPECT_EQ(Window->lblResultViewStyle->text(), QStringLiteral("&Ansicht:"));
    EXPECT_EQ(Window->lblResultViewStyle->buddy(), Window->cBoxResultViewStyle);
    EXPECT_EQ(Window->cBoxResultViewStyle->currentText(), QStringLiteral("Standard"));
    EXPECT_EQ(Window->BtnCopyResultView->text(), QStringLiteral("&Kopieren"));
    EXPECT_EQ(Window->BtnCopyResultView->toolTip(), QStringLiteral("Report kopieren"));
    EXPECT_EQ(Window->BtnSaveResultView->text(), QStringLiteral("&Speichern..."));
    EXPECT_EQ(Window->BtnSaveResultView->toolTip(), QStringLiteral("Report speichern"));

    // Between the report and the bottom line, each wide enough for its text,
    // and none on another.
    const QWidget* controls[] = {Window->lblResultViewStyle, Window->cBoxResultViewStyle,
                                 Window->BtnCopyResultView, Window->BtnSaveResultView};
    const int stripTop =
        Window->ResultView->mapTo(Window, QPoint(0, Window->ResultView->height())).y();
    const int stripBottom = Window->BottomLine->geometry().top();
    for (const QWidget* control : controls) {
        SCOPED_TRACE(control->objectName().toStdString());
        const QRect area(control->mapTo(Window, QPoint(0, 0)), control->size());
        EXPECT_TRUE(control->isVisible());
        EXPECT_GT(area.top(), stripTop);
        EXPECT_LT(area.bottom(), stripBottom);
        // A button asks for more than the wizard's button width; its caption must fit.
        const auto* button = qobject_cast<const QPushButton*>(control);
        const int needed =
            button ? button->fontMetrics().horizontalAdvance(button->text().remove(u'&')) +
                         2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin)
                   : control->sizeHint().width();
        EXPECT_LE(needed, control->width());
        for (const QWidget* other : controls) {
            if (other == control)
                continue;
            EXPECT_FALSE(area.intersects(QRect(other->mapTo(Window, QPoint(0, 0)), other->size())))
                << other->objectName().toStdString();
        }
    }
}

TEST_F(MainWindowTest, WindowKeepsItsFixedClientAreaAndCannotBeMaximised) {
    const QSize clientArea(492, 356);
    EXPECT_EQ(Window->size(), clientArea);
    EXPECT_EQ(Window->minimumSize(), clientArea);
    EXPECT_EQ(Window->maximumSize(), clientArea);
    EXPECT_FALSE(Window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(Window->windowFlags() & Qt::WindowMinimizeButtonHint);

    Window->showMaximized();
    Window->resize(800, 600);
    EXPECT_FALSE(Window->isMaximized());
    EXPECT_EQ(Window->size(), clientArea);
    Window->showFullScreen();
    EXPECT_FALSE(Window->isFullScreen());
    EXPECT_EQ(Window->size(), clientArea);
}

TEST_F(MainWindowTest, StartsOnTheInputPageWithTheMakersAddress) {
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageInput);
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Vendrix Quorvik"));
    EXPECT_EQ(Window->edURL->currentText(), QStringLiteral("http://www.vendrix.example"));
    EXPECT_EQ(Window->edURL->count(), 0);
    EXPECT_FALSE(Window->imgBlueIcon->pixmap().isNull());
    EXPECT_FALSE(Window->imgWerbung->pixmap().isNull());
    EXPECT_EQ(Window->imgWerbung->cursor().shape(), Qt::BitmapCursor);
    EXPECT_TRUE(Presenter.Shown.empty());
}

TEST_F(MainWindowTest, HeaderIconFollowsTheScreensColourCount) {
    // 16 bits count as 65535 colours, the lowest count that gets the rich icon.
    for (const auto& [bits, suffix] : {std::pair{4, "L"}, {8, "L"}, {16, "H"}, {24, "H"}}) {
        SCOPED_TRACE(bits);
        Window->Honk->Hardware().SetScreenBitsQuery([bits = bits] { return bits; });
        Window->SetupWindow();
        EXPECT_EQ(Window->imgBlueIcon->pixmap().toImage(),
                  LoadResourceBitmap(QStringLiteral(":/ZARVO_BLUEICO_") + suffix).toImage());
    }
}

TEST_F(MainWindowTest, UsesTahomaWhenInstalledAndBoldHeaderAndGauge) {
    const struct {
        QStringList Installed;
        const char* Face;
    } cases[] = {{{QStringLiteral("tahoma"), QStringLiteral("DejaVu Sans")}, "Tahoma"},
                 {{QStringLiteral("DejaVu Sans")}, "MS Sans Serif"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Face);
        Window->Honk->SetFontFamiliesQuery([&c] { return c.Installed; });
        Window->ApplyAppearance();
        EXPECT_EQ(Window->font().family(), QLatin1String(c.Face));
        for (const char* name : {"LblHeader", "PProgress_Gauge"})
            EXPECT_TRUE(Child(name)->font().bold()) << name;
        for (const char* name : {"LblTitle", "BtnNext", "edURL", "ResultView", "LblAddInfo"}) {
            EXPECT_EQ(Child(name)->font().family(), QLatin1String(c.Face)) << name;
            EXPECT_FALSE(Child(name)->font().bold()) << name;
        }
    }
}
