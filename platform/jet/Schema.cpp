#include "jet/Schema.h"

namespace jet {

QString TableDefinition::createStatement() const
{
    QStringList parts;
    for (const ColumnDefinition& c : columns)
        parts << QLatin1Char(' ') + c.name + QLatin1Char(' ') + c.declaration;
    for (const QString& constraint : constraints)
        parts << QLatin1Char(' ') + constraint;
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(name, parts.join(QLatin1Char(',')));
}

QString IndexDefinition::createStatement() const
{
    return QStringLiteral("CREATE INDEX %1 ON %2 (%3)").arg(name, table, columns);
}

QStringList SchemaDefinition::storedForm() const
{
    QStringList objects;
    const auto addTable = [&objects](const TableDefinition& t) {
        objects << QStringLiteral("table\n%1\n%1\n%2").arg(t.name, t.createStatement());
    };
    for (const TableDefinition& t : tables)
        addTable(t);
    if (applicationId != 0)
        addTable(stampTable());
    for (const IndexDefinition& i : indexes)
        objects << QStringLiteral("index\n%1\n%2\n%3").arg(i.name, i.table, i.createStatement());
    objects.sort();
    return objects;
}

const SchemaDefinition& catalogSchema()
{
    static const SchemaDefinition schema = [] {
        const QString text = QStringLiteral("TEXT COLLATE JETTEXT");
        SchemaDefinition s;
        s.tables = {
            {QStringLiteral("records"),
             {{QStringLiteral("Artist"), text},
              {QStringLiteral("Record_Name"), text},
              {QStringLiteral("Record_Type"), text},
              {QStringLiteral("Record_Category"), text},
              {QStringLiteral("Label_Name"), text},
              {QStringLiteral("Label_Number"), text},
              {QStringLiteral("Record_Condition"), text},
              {QStringLiteral("Sleeve_Condition"), text},
              {QStringLiteral("Record_Date"), QStringLiteral("DATETIME")},
              {QStringLiteral("Book_Value"), QStringLiteral("CURRENCY")},
              {QStringLiteral("Quantity"), QStringLiteral("LONG")},
              {QStringLiteral("Record_Marked"), QStringLiteral("BIT NOT NULL DEFAULT 0")}},
             {}},
            {QStringLiteral("songs"),
             {{QStringLiteral("Artist"), text}, {QStringLiteral("Record_Name"), text}, {QStringLiteral("Song_Title"), text}},
             {}},
        };
        s.indexes = {
            {QStringLiteral("records_by_artist"), QStringLiteral("records"), QStringLiteral("Artist")},
            {QStringLiteral("records_by_artist_record"), QStringLiteral("records"), QStringLiteral("Artist, Record_Name")},
            {QStringLiteral("songs_by_artist_record"), QStringLiteral("songs"), QStringLiteral("Artist, Record_Name")},
        };
        s.probe = QStringLiteral("SELECT DISTINCT Artist FROM records ORDER BY Artist");
        s.applicationId = kCatalogApplicationId;
        s.version = 1;
        return s;
    }();
    return schema;
}

const TableDefinition& stampTable()
{
    static const TableDefinition table{QStringLiteral("file_stamp"),
                                       {{QStringLiteral("text_order"), QStringLiteral("INTEGER NOT NULL")},
                                        {QStringLiteral("change_counter"), QStringLiteral("INTEGER NOT NULL")}},
                                       {}};
    return table;
}

} // namespace jet
