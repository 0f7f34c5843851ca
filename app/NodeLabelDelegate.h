#pragma once

#include <QStyledItemDelegate>

#include <functional>

// The in-place label edit of the tree. Before the editor opens, beforeEdit may
// cancel it; when the user accepts the text, afterEdit gets it with the node
// the editor was opened on (invalid when that node is gone) once the editor
// has closed, so whatever it does (a message box, rebuilding the tree) never
// runs on the node being edited. The node's text is never written here.
class NodeLabelDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    NodeLabelDelegate(std::function<void(int& cancel)> beforeEdit, std::function<void(const QModelIndex& node, QString text)> afterEdit,
                      QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    std::function<void(int& cancel)> beforeEdit_;
    std::function<void(const QModelIndex& node, QString text)> afterEdit_;
};
