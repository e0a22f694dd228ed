#pragma once

#include "query/report_line.h"

#include <QListWidget>

class TReportLineDelegate;

// The list on the Finish page that shows the HTTP report. Every report line is
// one row of a fixed height; a heading is drawn as its title in bold, every
// other line unchanged in the list's font (the no-break space that starts a
// value line shows as a blank), so values appear indented by two blanks.
// Selected rows look like all others: the report is read, not chosen from.
class TResultView : public QListWidget {
public:
    static constexpr int kItemHeight = 13;
    // Text starts this far right of the row's left edge.
    static constexpr int kTextIndent = 2;

    explicit TResultView(QWidget* parent = nullptr);

    // Replaces the rows by `lines` (one row per line, in order; each row's
    // text is the line decoded, markers included) and recomputes the
    // horizontal scroll width; the list then shows the first row, scrolled
    // fully left. May throw (out of memory); the rows may then be
    // incomplete.
    void Refresh(const TReportLines& lines);

    // The scrollable width of the rows in pixels: the widest line, measured
    // both in the fixed report font and as drawn, plus a small margin.
    int HorizontalExtent() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void UpdateExtent();

    TReportLineDelegate* FDelegate;
};
