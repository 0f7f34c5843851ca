#include "app/NodeLabelDelegate.h"

#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QTimer>

NodeLabelDelegate::NodeLabelDelegate(std::function<void(int& cancel)> beforeEdit,
                                     std::function<void(const QModelIndex& node, QString text)> afterEdit,
                                     QObject* parent)
    : QStyledItemDelegate(parent), beforeEdit_(std::move(beforeEdit)), afterEdit_(std::move(afterEdit))
{
}

QWidget* NodeLabelDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    int cancel = 0;
    beforeEdit_(cancel);
    if (cancel)
        return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void NodeLabelDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const
{
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line)
        return;
    const QString text = line->text();
    // The delegate is the timer's context: a delegate gone meanwhile drops the call.
    auto* self = const_cast<NodeLabelDelegate*>(this);
    const QPersistentModelIndex node(index);
    QTimer::singleShot(0, self, [self, node, text] { self->afterEdit_(node, text); });
}
