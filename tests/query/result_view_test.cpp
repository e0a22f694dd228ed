#include "query/result_view.h"

#include "tests/support/event_wait.h"

#include <QFontMetrics>
#include <QImage>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

// What one row of the grabbed list shows: how many dark pixels, and where the
// ink starts and ends (-1 when the row is empty).
struct TRowInk {
    int Dark = 0;
    int Left = -1;
    int Right = -1;
};

TRowInk InkOfRow(const QImage& image, const QRect& row) {
    TRowInk ink;
    for (int y = row.top(); y <= row.bottom(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) >= 128)
                continue;
            ++ink.Dark;
            ink.Left = ink.Left < 0 ? x : std::min(ink.Left, x);
            ink.Right = std::max(ink.Right, x);
        }
    }
    return ink;
}

class ResultViewTest : public ::testing::Test {
protected:
    ResultViewTest() {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(10); // fits the fixed row height
        view.setFont(font);
        view.resize(460, 193);
    }

    // The ink of every row, grabbed from the viewport.
    std::vector<TRowInk> Rows() {
        const QImage image = view.viewport()->grab().toImage();
        std::vector<TRowInk> rows;
        for (int i = 0; i < view.count(); ++i)
            rows.push_back(InkOfRow(image, view.visualItemRect(view.item(i))));
        return rows;
    }

    TResultView view;
};

TEST_F(ResultViewTest, RowsAreTheLinesDecoded) {
    view.Refresh({">>HTTP Report f\xFCr<<", "\xA0 http://a.test/", ""});
    ASSERT_EQ(view.count(), 3);
    EXPECT_EQ(view.item(0)->text(), QString::fromUtf8(">>HTTP Report für<<"));
    EXPECT_EQ(view.item(1)->text(), QString::fromUtf8("\u00A0 http://a.test/"));
    EXPECT_EQ(view.item(2)->text(), QString());

    view.Refresh({});
    EXPECT_EQ(view.count(), 0);
}

TEST_F(ResultViewTest, RowsHaveFixedHeight) {
    view.Refresh({">>Status<<", "\xA0 OK (200)", ""});
    view.show();
    ASSERT_TRUE(
        testsupport::WaitUntil([&] { return view.visualItemRect(view.item(2)).isValid(); }));
    for (int i = 0; i < view.count(); ++i) {
        EXPECT_EQ(view.visualItemRect(view.item(i)).height(), TResultView::kItemHeight);
        EXPECT_EQ(view.visualItemRect(view.item(i)).top(), i * TResultView::kItemHeight);
    }
}

TEST_F(ResultViewTest, HeadingIsBoldTitleAndValueIsIndented) {
    view.Refresh({">>Status<<", "Status", "", "\xA0 OK (200)", "OK (200)", ">><<", ">>"});
    view.show();
    ASSERT_TRUE(
        testsupport::WaitUntil([&] { return view.visualItemRect(view.item(6)).isValid(); }));
    const std::vector<TRowInk> rows = Rows();
    const TRowInk& heading = rows[0];
    const TRowInk& regular = rows[1];

    // Bold: the same title drawn darker and wider, but without the markers,
    // which would add far more than bold does.
    EXPECT_GT(heading.Dark, regular.Dark);
    EXPECT_GT(heading.Right, regular.Right);
    const QFontMetrics metrics(view.font());
    EXPECT_LT(heading.Right - regular.Right, metrics.horizontalAdvance(QStringLiteral("<<")));
    EXPECT_EQ(heading.Left, regular.Left);

    EXPECT_EQ(rows[2].Dark, 0); // separator
    // The no-break space and the blank push the value right.
    EXPECT_GE(rows[3].Left - rows[4].Left, metrics.horizontalAdvance(QStringLiteral("  ")) - 1);
    EXPECT_NEAR(rows[3].Dark, rows[4].Dark,
                rows[4].Dark / 10); // same glyphs, other subpixel offset
    EXPECT_EQ(rows[5].Dark, 0);     // heading with an empty title
    EXPECT_GT(rows[6].Dark, 0);     // ">>" alone is drawn as it is
}

TEST_F(ResultViewTest, SelectedRowLooksLikeOthers) {
    view.Refresh({"Status", "Status"});
    view.show();
    ASSERT_TRUE(
        testsupport::WaitUntil([&] { return view.visualItemRect(view.item(1)).isValid(); }));
    view.clearFocus();
    view.item(0)->setSelected(true);
    const std::vector<TRowInk> rows = Rows();
    EXPECT_EQ(rows[0].Dark, rows[1].Dark);
}

TEST_F(ResultViewTest, HorizontalExtentFollowsLongestLine) {
    view.show();
    view.Refresh({">>Status<<", "\xA0 OK (200)"});
    const int shortExtent = view.HorizontalExtent();
    EXPECT_TRUE(testsupport::WaitUntil([&] { return view.horizontalScrollBar()->maximum() == 0; }));

    const std::string longValue = "\xA0 " + std::string(200, 'x');
    view.Refresh({">>Status<<", longValue, "\xA0 OK (200)"});
    const int longExtent = view.HorizontalExtent();
    EXPECT_GT(longExtent, shortExtent);
    EXPECT_GT(longExtent, view.viewport()->width());
    EXPECT_TRUE(testsupport::WaitUntil([&] {
        return view.horizontalScrollBar()->maximum() == longExtent - view.viewport()->width();
    })) << view.horizontalScrollBar()->maximum();
}

TEST_F(ResultViewTest, EveryRefreshStartsAtTheFirstLineScrolledFullyLeft) {
    view.show();
    const TReportLines longReport(40, "\xA0 " + std::string(300, 'x'));
    const auto scrollAway = [&] {
        return testsupport::WaitUntil([&] {
            view.scrollToBottom();
            view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
            return view.verticalScrollBar()->value() > 0 && view.horizontalScrollBar()->value() > 0;
        });
    };
    const auto expectAtStart = [&] {
        testsupport::PumpEvents();
        EXPECT_EQ(view.verticalScrollBar()->value(), 0);
        EXPECT_EQ(view.horizontalScrollBar()->value(), 0);
        EXPECT_EQ(view.indexAt(QPoint(0, 0)).row(), 0);
    };
    view.Refresh(longReport);
    ASSERT_TRUE(scrollAway());
    // The same length again, and a shorter report.
    view.Refresh(longReport);
    expectAtStart();
    ASSERT_TRUE(scrollAway());
    view.Refresh({">>HTTP Report f\xFCr<<", "\xA0 " + std::string(100, 'x')});
    expectAtStart();
}

TEST_F(ResultViewTest, LargeWindowFontKeepsLongLineReachable) {
    QFont large = view.font();
    large.setPixelSize(40);
    view.setFont(large);
    const QString title = QString(60, QLatin1Char('W'));
    view.Refresh({">>" + title.toStdString() + "<<"});
    QFont bold = large;
    bold.setBold(true);
    EXPECT_GE(view.HorizontalExtent(),
              QFontMetrics(bold).horizontalAdvance(title) + TResultView::kTextIndent);
}

} // namespace
