#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

// Gives every row of a list one height, the taller of the view's icon size and
// its font's line, whatever columns are scrolled into view: an icon never
// overlaps the next row and a row never shrinks when its icon column is out of
// sight.
class RowHeightDelegate : public QStyledItemDelegate {
public:
    explicit RowHeightDelegate(QAbstractItemView* view);
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The one height of the view's rows, in pixels.
    int RowHeight() const;

private:
    QAbstractItemView* view_;
};
