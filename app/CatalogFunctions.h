#pragma once

#include "catalog/CatalogEntry.h"

#include <QString>

class QTreeWidgetItem;

// Tree nodes carry their key in this role.
inline constexpr int NodeKeyRole = 0x0100; // Qt::UserRole

QString NodeKey(const QTreeWidgetItem* node);

// The entry a tree node stands for: an artist node gives Level "Artist" and
// the artist's name, any other node the root's Level "Database". Artist,
// Record_Name and Level are emptied first; the other fields keep their values.
void GetNodeItem(const QTreeWidgetItem* node, CatalogEntry& entry);

// Whether the record held in source may be moved to the artist of target.
void CanMoveRecord(const CatalogEntry& source, const CatalogEntry& target, bool& ok);
