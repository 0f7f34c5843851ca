#include "widgets/ListRow.h"

#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// A header sort orders the shown texts as the engine's statements do.
TEST(ListOrderTest, HeaderSortFollowsTheEnginesOrderOfText)
{
    QTreeWidget list;
    list.setColumnCount(2);
    const QStringList names = {"Zappa", "émile", "Enya", "Elvis", "ábel", "Abba", "O'Brien", "Oasis", "10cc"};
    for (const QString& name : names) {
        auto* row = new ListRow(&list);
        row->setText(0, name);
        row->setText(1, QStringLiteral("x"));
    }
    list.sortItems(0, Qt::AscendingOrder);
    QStringList shown;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        shown << list.topLevelItem(i)->text(0);
    EXPECT_EQ(shown, (QStringList{"10cc", "Abba", "ábel", "Elvis", "émile", "Enya", "O'Brien", "Oasis", "Zappa"}));
    list.sortItems(0, Qt::DescendingOrder);
    EXPECT_EQ(list.topLevelItem(0)->text(0), "Zappa");
    EXPECT_EQ(list.topLevelItem(8)->text(0), "10cc");
}

} // namespace
