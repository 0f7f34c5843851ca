#include "widgets/RowHeightDelegate.h"

#include <QAbstractItemView>
#include <QFontMetrics>

#include <algorithm>

RowHeightDelegate::RowHeightDelegate(QAbstractItemView* view) : QStyledItemDelegate(view), view_(view) {}

int RowHeightDelegate::RowHeight() const
{
    // Two pixels above and below for the focus frame.
    return std::max(view_->iconSize().height(), QFontMetrics(view_->font()).height()) + 4;
}

QSize RowHeightDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(RowHeight());
    return size;
}
