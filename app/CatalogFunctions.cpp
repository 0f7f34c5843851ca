#include "app/CatalogFunctions.h"

#include <QTreeWidgetItem>

QString NodeKey(const QTreeWidgetItem* node)
{
    return node ? node->data(0, NodeKeyRole).toString() : QString();
}

void GetNodeItem(const QTreeWidgetItem* node, CatalogEntry& entry)
{
    entry.Artist.clear();
    entry.Record_Name.clear();
    entry.Level.clear();
    if (NodeKey(node).contains(QStringLiteral("Artist:"), Qt::CaseSensitive)) {
        entry.Level = Level::Artist;
        entry.Artist = node->text(0);
    } else {
        entry.Level = Level::Database;
    }
}

void CanMoveRecord(const CatalogEntry& source, const CatalogEntry& target, bool& ok)
{
    ok = source.Level == Level::Record_Name && target.Level == Level::Artist && source.Artist != target.Artist;
}
