#include "catalog/CatalogStatements.h"

namespace {

const QString kNull = QStringLiteral("Null");

// "[Column] = value" for a held value, "[Column] Is Null" for a missing one.
template <typename T, typename Render>
QString matches(const char* column, const std::optional<T>& value, Render render)
{
    const QString name = QLatin1Char('[') + QLatin1String(column) + QLatin1Char(']');
    return value ? name + QStringLiteral(" = ") + render(*value) : name + QStringLiteral(" Is Null");
}

template <typename T, typename Render>
QString valueOrNull(const std::optional<T>& value, Render render)
{
    return value ? render(*value) : kNull;
}

QString dateLiteral(vb::Date d) { return DateLiteral(d); }
QString currencyText(vb::Currency v) { return NumberText(v); }
QString quantityText(std::int32_t v) { return NumberText(v); }
QString quotedDateText(vb::Date d) { return TextLiteral(DateText(d)); }
QString quotedDefaultDateText(vb::Date d) { return TextLiteral(DefaultDateText(d)); }
QString quotedCurrencyText(vb::Currency v) { return TextLiteral(NumberText(v)); }
QString quotedQuantityText(std::int32_t v) { return TextLiteral(NumberText(v)); }

// " and [Column] = 'text'", or " and [Column] Is Null" where the entry's row held Null there.
QString andText(const CatalogEntry& e, const char* column, const QString& value)
{
    const QString name = QLatin1Char('[') + QLatin1String(column) + QLatin1Char(']');
    if (e.NullTexts.contains(QLatin1String(column)))
        return QStringLiteral(" and ") + name + QStringLiteral(" Is Null");
    return QStringLiteral(" and ") + name + QStringLiteral(" = ") + TextLiteral(value);
}

Statement always(const QString& sql) { return Statement{sql, false}; }
Statement whenMatched(const QString& sql) { return Statement{sql, true}; }

} // namespace

std::vector<Statement> InsertStatements(const CatalogEntry& e)
{
    if (e.Level == Level::Artist)
        return {always(QStringLiteral("Insert into records ([Artist]) Values (") + TextLiteral(e.Artist) + QStringLiteral(")"))};
    if (e.Level == Level::Record_Name) {
        return {always(
            QStringLiteral("Insert into records (  [Artist]  , [Record_Name]  , [Record_Type]  , [Record_Category]  , "
                           "[Label_Name]  , [Label_Number]  , [Record_Condition]  , [Sleeve_Condition]  , [Record_Date]  , "
                           "[Book_Value]  , [Quantity]  ) Values (")
            + TextLiteral(e.Artist) + QStringLiteral(", ") + TextLiteral(e.Record_Name) + QStringLiteral(", ")
            + TextLiteral(e.Record_Type) + QStringLiteral(", ") + TextLiteral(e.Record_Category) + QStringLiteral(", ")
            + TextLiteral(e.Label_Name) + QStringLiteral(", ") + TextLiteral(e.Label_Number) + QStringLiteral(", ")
            + TextLiteral(e.Record_Condition) + QStringLiteral(", ") + TextLiteral(e.Sleeve_Condition) + QStringLiteral(", ")
            + valueOrNull(e.Record_Date, quotedDefaultDateText) + QStringLiteral(", ")
            + valueOrNull(e.Book_Value, quotedCurrencyText) + QStringLiteral(", ")
            + valueOrNull(e.Quantity, quotedQuantityText) + QStringLiteral(")"))};
    }
    if (e.Level == Level::Song_Titles) {
        return {always(QStringLiteral("Insert into songs (  [Artist]  , [Record_Name]  , [Song_Title]  ) Values (")
                       + TextLiteral(e.Artist) + QStringLiteral(", ") + TextLiteral(e.Record_Name) + QStringLiteral(", ")
                       + TextLiteral(e.Song_Title) + QStringLiteral(")"))};
    }
    return {always(QString())};
}

std::vector<Statement> DeleteStatements(const CatalogEntry& e)
{
    if (e.Level == Level::Song_Titles) {
        return {always(QStringLiteral("delete * from songs where  [Record_Name] = ") + TextLiteral(e.Record_Name)
                       + andText(e, "Song_Title", e.Song_Title)
                       + QStringLiteral(" and [Artist] = ") + TextLiteral(e.Artist))};
    }
    if (e.Level == Level::Record_Name) {
        return {
            always(QStringLiteral("delete * from records where  [Record_Name] = ") + TextLiteral(e.Record_Name)
                   + QStringLiteral(" and ") + matches("Record_Date", e.Record_Date, dateLiteral)
                   + andText(e, "Sleeve_Condition", e.Sleeve_Condition)
                   + andText(e, "Record_Condition", e.Record_Condition)
                   + andText(e, "Label_Name", e.Label_Name)
                   + QStringLiteral(" and ") + matches("Book_Value", e.Book_Value, currencyText)
                   + QStringLiteral(" and ") + matches("Quantity", e.Quantity, quantityText)
                   + QStringLiteral(" and [Artist] = ") + TextLiteral(e.Artist)),
            // Without a removed record row this would take the songs of same-named
            // records that stay.
            whenMatched(QStringLiteral("delete * from songs where  [Record_Name] = ") + TextLiteral(e.Record_Name)
                        + QStringLiteral(" and [Artist] = ") + TextLiteral(e.Artist)),
        };
    }
    if (e.Level == Level::Artist) {
        return {
            always(QStringLiteral("delete * from records where  [Artist] = ") + TextLiteral(e.Artist)),
            always(QStringLiteral("delete * from songs where  [Artist] = ") + TextLiteral(e.Artist)),
        };
    }
    return {};
}

QString UniqueQuery(const CatalogEntry& e, const QString& name)
{
    if (e.Level == Level::Song_Titles) {
        return QStringLiteral("select * from songs  where  [Song_Title] = ") + TextLiteral(name)
            + QStringLiteral(" and [Record_Name] = ") + TextLiteral(e.Record_Name)
            + QStringLiteral(" and [Artist] = ") + TextLiteral(e.Artist);
    }
    if (e.Level == Level::Record_Name) {
        return QStringLiteral("select * from records  where  [Record_Name] = ") + TextLiteral(name)
            + QStringLiteral(" and [Artist] = ") + TextLiteral(e.Artist);
    }
    if (e.Level == Level::Artist)
        return QStringLiteral("select * from records  where  [Artist] = ") + TextLiteral(name);
    return QString();
}

QString UniqueDetailsQuery(const CatalogEntry& e)
{
    if (e.Level == Level::Record_Name) {
        return QStringLiteral("select * from records  where  [Record_Name] = ") + TextLiteral(e.Record_Name)
            + andText(e, "Record_Type", e.Record_Type)
            + andText(e, "Record_Category", e.Record_Category)
            + andText(e, "Label_Name", e.Label_Name)
            + andText(e, "Label_Number", e.Label_Number)
            + andText(e, "Record_Condition", e.Record_Condition)
            + andText(e, "Sleeve_Condition", e.Sleeve_Condition)
            + QStringLiteral(" and [Artist] = ") + TextLiteral(e.Artist);
    }
    if (e.Level == Level::Song_Titles) {
        return QStringLiteral("select * from songs  where  [Record_Name] = ") + TextLiteral(e.Record_Name)
            + andText(e, "Song_Title", e.Song_Title)
            + QStringLiteral(" and [Artist] = ") + TextLiteral(e.Artist);
    }
    if (e.Level == Level::Artist)
        return QStringLiteral("select * from records  where  [Artist] = ") + TextLiteral(e.Artist);
    return QString();
}

QString RecordCondition(const CatalogEntry& e)
{
    return QStringLiteral("[Record_Name] = ") + TextLiteral(e.Record_Name)
        + QStringLiteral(" and ") + matches("Record_Date", e.Record_Date, dateLiteral)
        + andText(e, "Label_Name", e.Label_Name)
        + andText(e, "Label_Number", e.Label_Number)
        + andText(e, "Record_Type", e.Record_Type)
        + andText(e, "Record_Category", e.Record_Category)
        + andText(e, "Record_Condition", e.Record_Condition)
        + andText(e, "Sleeve_Condition", e.Sleeve_Condition)
        + QStringLiteral(" and ") + matches("Book_Value", e.Book_Value, currencyText)
        + QStringLiteral(" and ") + matches("Quantity", e.Quantity, quantityText)
        + QStringLiteral(" and [Artist] = ") + TextLiteral(e.Artist);
}

std::vector<Statement> UpdateStatements(const CatalogEntry& o, const CatalogEntry& n)
{
    if (o.Level == Level::Record_Name) {
        return {
            always(QStringLiteral("Update records Set [Record_Name] = ") + TextLiteral(n.Record_Name)
                   + QStringLiteral(", [Record_Date] = ") + valueOrNull(n.Record_Date, quotedDateText)
                   + QStringLiteral(", [Label_Name] = ") + TextLiteral(n.Label_Name)
                   + QStringLiteral(", [Label_Number] = ") + TextLiteral(n.Label_Number)
                   + QStringLiteral(", [Record_Type] = ") + TextLiteral(n.Record_Type)
                   + QStringLiteral(", [Record_Category] = ") + TextLiteral(n.Record_Category)
                   + QStringLiteral(", [Record_Condition] = ") + TextLiteral(n.Record_Condition)
                   + QStringLiteral(", [Sleeve_Condition] = ") + TextLiteral(n.Sleeve_Condition)
                   + QStringLiteral(", [Quantity] = ") + valueOrNull(n.Quantity, quantityText)
                   + QStringLiteral(", [Book_Value] = ") + valueOrNull(n.Book_Value, currencyText)
                   + QStringLiteral(", [Artist] = ") + TextLiteral(n.Artist)
                   + QStringLiteral(" where  ") + RecordCondition(o)),
            // Without a rewritten record row this would move songs to a name no
            // record has.
            whenMatched(QStringLiteral("Update songs Set [Record_Name] = ") + TextLiteral(n.Record_Name)
                        + QStringLiteral(" where  [Record_Name] = ") + TextLiteral(o.Record_Name)
                        + QStringLiteral(" and [Artist] = ") + TextLiteral(o.Artist)),
        };
    }
    if (o.Level == Level::Song_Titles) {
        return {always(QStringLiteral("Update songs Set [Song_Title] = ") + TextLiteral(n.Song_Title)
                       + QStringLiteral(" where  [Record_Name] = ") + TextLiteral(o.Record_Name)
                       + andText(o, "Song_Title", o.Song_Title)
                       + QStringLiteral(" and [Artist] = ") + TextLiteral(o.Artist))};
    }
    return {always(QString())};
}

std::vector<Statement> RenameStatements(const CatalogEntry& e, const QString& newName)
{
    if (e.Level == Level::Record_Name)
        return {};
    // No blank between the new name and "where": the engine accepts it.
    if (e.Level == Level::Artist) {
        return {
            always(QStringLiteral("Update records Set [Artist] = ") + TextLiteral(newName)
                   + QStringLiteral("where  [Artist] = ") + TextLiteral(e.Artist)),
            always(QStringLiteral("Update songs Set [Artist] = ") + TextLiteral(newName)
                   + QStringLiteral("where  [Artist] = ") + TextLiteral(e.Artist)),
        };
    }
    if (e.Level == Level::Song_Titles) {
        return {always(QStringLiteral("Update songs Set [Song_Title] = ") + TextLiteral(newName)
                       + QStringLiteral("where  [Artist] = ") + TextLiteral(e.Artist)
                       + QStringLiteral(" and [Record_Name] = ") + TextLiteral(e.Record_Name)
                       + andText(e, "Song_Title", e.Song_Title))};
    }
    return {always(QString())};
}

void ExecInsertItem(const CatalogEntry& entry, bool& ok)
{
    ok = false;
    ExecuteStatements(InsertStatements(entry), ok);
}

void ExecDeleteItem(const CatalogEntry& entry, bool& ok)
{
    ok = false;
    const std::vector<Statement> group = DeleteStatements(entry);
    if (group.empty())
        return;
    ExecuteStatements(group, ok);
}

namespace {

bool noRowFound(const QString& query)
{
    const std::optional<int> count = SnapshotRecordCount(query);
    return count && *count < 1;
}

} // namespace

void IsUniqueItem(const CatalogEntry& entry, const QString& name, bool& unique)
{
    unique = noRowFound(UniqueQuery(entry, name));
}

void IsUniqueItemDetails(const CatalogEntry& entry, bool& unique) { unique = noRowFound(UniqueDetailsQuery(entry)); }

void ExecUpdateItem(const CatalogEntry& oldEntry, const CatalogEntry& newEntry, bool& ok)
{
    ok = false;
    ExecuteStatements(UpdateStatements(oldEntry, newEntry), ok);
}

void ExecRenameItem(const CatalogEntry& entry, const QString& newName, bool& ok)
{
    if (entry.Level == Level::Record_Name)
        return;
    ok = false;
    ExecuteStatements(RenameStatements(entry, newName), ok);
}
