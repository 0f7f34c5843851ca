#pragma once

// Reading and driving the main window's tree and lists in tests.

#include "app/CatalogFunctions.h"
#include "app/frmDatabaseExplorer.h"

#include <QStringList>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace testenv {

// The texts of one column of a list, top to bottom.
inline QStringList columnTexts(const QTreeWidget* list, int column = 0)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

// The node of the tree whose text is exactly `text`, at any depth; nullptr when none.
inline QTreeWidgetItem* treeNode(const QTreeWidget* tree, const QString& text)
{
    const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

// Selects the artist's node and loads its records, as a click on the node does.
inline void showArtist(frmDatabaseExplorer& w, const QString& artist)
{
    QTreeWidgetItem* node = treeNode(w.tv1, artist);
    ASSERT_TRUE(node) << artist.toStdString();
    w.tv1->setCurrentItem(node);
    CatalogEntry entry;
    GetNodeItem(node, entry);
    w.LoadRecords(entry);
}

} // namespace testenv
