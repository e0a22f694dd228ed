#include "query/result_view.h"

#include "util/cp1252.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

// A heading row keeps its title here; other rows have no value in this role.
constexpr int kHeadingTitleRole = Qt::UserRole;

// The scroll width is measured in a fixed-pitch report font so that it does
// not shrink with a small window font, plus this margin.
constexpr int kExtentMargin = 6;
constexpr int kMeasureFontPoints = 10;

QFont MeasureFont() {
    QFont font(QStringLiteral("Courier New"), kMeasureFontPoints);
    // Without that family, fall back to another fixed-pitch one.
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

// The list's font, plain, or bold for a heading.
QFont RowFont(const QFont& listFont, bool heading) {
    QFont font = listFont;
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setBold(heading);
    return font;
}

// The text a row draws and whether it is a heading.
struct TRowText {
    QString Text;
    bool Heading;
};

TRowText RowText(const QModelIndex& index) {
    const QVariant title = index.data(kHeadingTitleRole);
    if (title.isValid())
        return {title.toString(), true};
    return {index.data(Qt::DisplayRole).toString(), false};
}

} // namespace

// Draws the rows of the report and gives every row the same size, whose width
// is the list's horizontal scroll width.
class TReportLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    int RowWidth() const { return FRowWidth; }
    void SetRowWidth(int width) { FRowWidth = width; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const TRowText row = RowText(index);
        painter->save();
        painter->fillRect(option.rect, option.palette.brush(QPalette::Base));
        painter->setFont(RowFont(option.font, row.Heading));
        painter->setPen(option.palette.color(QPalette::Text));
        // Not clipped to the row: a long line is reached by scrolling.
        painter->drawText(option.rect.adjusted(TResultView::kTextIndent, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                          row.Text);
        painter->restore();
        if (option.state & QStyle::State_HasFocus)
            DrawFocus(painter, option);
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {FRowWidth, TResultView::kItemHeight};
    }

private:
    static void DrawFocus(QPainter* painter, const QStyleOptionViewItem& option) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = option.palette.color(QPalette::Base);
        const QWidget* widget = option.widget;
        (widget ? widget->style() : QApplication::style())
            ->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }

    int FRowWidth = 0;
};

TResultView::TResultView(QWidget* parent)
    : QListWidget(parent), FDelegate(new TReportLineDelegate(this)) {
    setItemDelegate(FDelegate);
    setUniformItemSizes(true);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void TResultView::Refresh(const TReportLines& lines) {
    clear();
    for (const std::string& line : lines) {
        auto* item = new QListWidgetItem(FromCp1252(line), this);
        if (const auto title = reportline::HeadingTitle(line))
            item->setData(kHeadingTitleRole, FromCp1252(*title));
    }
    UpdateExtent();
    // A new report is read from its start, not where the last one was left.
    scrollToTop();
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
}

int TResultView::HorizontalExtent() const {
    return FDelegate->RowWidth();
}

void TResultView::changeEvent(QEvent* event) {
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        UpdateExtent();
}

void TResultView::UpdateExtent() {
    const QFontMetrics measure(MeasureFont(), viewport());
    const QFontMetrics plain(RowFont(font(), false), viewport());
    const QFontMetrics bold(RowFont(font(), true), viewport());
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        const QModelIndex index = indexFromItem(item(i));
        const TRowText row = RowText(index);
        // The fixed-pitch measure alone could fall short of a large window
        // font and leave the end of a long line unreachable.
        const int drawn = (row.Heading ? bold : plain).horizontalAdvance(row.Text) + kTextIndent;
        widest = std::max({widest, measure.horizontalAdvance(item(i)->text()), drawn});
    }
    FDelegate->SetRowWidth(widest + kExtentMargin);
    scheduleDelayedItemsLayout();
}
