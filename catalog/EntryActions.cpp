#include "catalog/EntryActions.h"

#include "catalog/ArtistAccounts.h"
#include "catalog/CatalogStatements.h"
#include "catalog/DataAccess.h"
#include "catalog/NameRules.h"
#include "vb/MsgBox.h"

namespace {

const QString kClashTitle = QStringLiteral("User Entry Error!");

void showRenameClash(const QString& oldName, const QString& newName)
{
    vb::MsgBox(QStringLiteral("Cannot rename ") + oldName + QStringLiteral(". The new name you specified, ") + newName
                   + QStringLiteral(", already exists. Please specify a different name."),
               vb::vbCritical, kClashTitle);
}

// Everything of a record but its name and artist.
bool sameRecordDetails(const CatalogEntry& a, const CatalogEntry& b)
{
    return a.Record_Category == b.Record_Category && a.Record_Type == b.Record_Type && a.Label_Name == b.Label_Name
        && a.Label_Number == b.Label_Number && a.Record_Condition == b.Record_Condition
        && a.Sleeve_Condition == b.Sleeve_Condition && a.Record_Date == b.Record_Date
        && a.Book_Value == b.Book_Value && a.Quantity == b.Quantity;
}

// How many records of the artist bear the name, leaving out the rows of the
// record being changed; std::nullopt when the catalogue could not be read.
std::optional<int> otherRecordsNamed(const QString& artist, const QString& name, const CatalogEntry& changing)
{
    CatalogEntry owner;
    owner.Level = Level::Record_Name;
    owner.Artist = artist;
    const QString named = UniqueQuery(owner, name);
    const std::optional<int> all = SnapshotRecordCount(named);
    if (!all || *all == 0)
        return all;
    const std::optional<int> itself = SnapshotRecordCount(named + QStringLiteral(" and ") + RecordCondition(changing));
    if (!itself)
        return std::nullopt;
    return *all - *itself;
}

// May the record be saved under a new name? No other record of the artist may
// bear it, whatever its details: the update moves the old record's songs to the
// new name, where they would merge for good with the other record's songs. The
// record itself does not count, so a change of letter case alone is allowed.
bool newRecordNameIsFree(const CatalogEntry& oldEntry, const CatalogEntry& newEntry)
{
    const auto freeFor = [&](const QString& artist) {
        const std::optional<int> others = otherRecordsNamed(artist, newEntry.Record_Name, oldEntry);
        return others && *others == 0;
    };
    if (!freeFor(newEntry.Artist))
        return false;
    // The songs stay with the old artist.
    return oldEntry.Artist == newEntry.Artist || freeFor(oldEntry.Artist);
}

} // namespace

void AddItem(const CatalogEntry& entry, const QString& name, bool& ok)
{
    ok = false;
    bool unique = false;
    IsUniqueItem(entry, name, unique);
    if (!unique) {
        vb::MsgBox(QStringLiteral("Cannot add ") + name
                       + QStringLiteral(". The name already exists. Please specify a different name."),
                   vb::vbCritical, kClashTitle);
        return;
    }
    ExecInsertItem(entry, ok);
}

void UpdateItem(const CatalogEntry& oldEntry, const CatalogEntry& newEntry, bool& ok)
{
    ok = false;
    if (oldEntry.Level == Level::Record_Name) {
        bool allowed = false;
        if (newEntry.Record_Name == oldEntry.Record_Name)
            allowed = !sameRecordDetails(oldEntry, newEntry);
        else
            allowed = newRecordNameIsFree(oldEntry, newEntry);
        if (allowed)
            ExecUpdateItem(oldEntry, newEntry, ok);
        else
            showRenameClash(oldEntry.Record_Name, newEntry.Record_Name);
    } else if (oldEntry.Level == Level::Song_Titles) {
        if (newEntry.Song_Title != oldEntry.Song_Title) {
            bool unique = false;
            IsUniqueItemDetails(newEntry, unique);
            if (unique) {
                ExecUpdateItem(oldEntry, newEntry, ok);
                return;
            }
        }
        showRenameClash(oldEntry.Song_Title, newEntry.Song_Title);
    }
}

void RenameItem(const CatalogEntry& entry, const QString& newName, bool& ok)
{
    ok = false;
    bool unique = false;
    IsUniqueItem(entry, newName, unique);
    if (!unique) {
        QString name;
        bool named = false;
        GetItemName(entry, name, named);
        showRenameClash(name, newName);
        return;
    }
    // A record-level rename runs no statement and leaves the flag as the test set it.
    bool renamed = true;
    ExecRenameItem(entry, newName, renamed);
    ok = renamed;
}

void DeleteItems(const CatalogEntry& entry, const bool& askConfirm, bool& ok)
{
    ok = false;
    if (askConfirm) {
        QString prompt;
        if (entry.Level == Level::Record_Name) {
            prompt = QStringLiteral("Are you sure you want to delete the selected record(s)?");
        } else if (entry.Level == Level::Song_Titles) {
            prompt = QStringLiteral("Are you sure you want to delete the selected song title(s)?");
        } else {
            QString name;
            bool named = false;
            GetItemName(entry, name, named);
            prompt = QStringLiteral("Are you sure you want to delete ") + name + QStringLiteral(", with all its contents?");
        }
        // Only an explicit Yes deletes.
        if (vb::MsgBox(prompt, vb::vbYesNo, QStringLiteral("Confirm Record Delete")) != vb::vbYes)
            return;
    }
    // An artist goes with its account, or an account without its artist would
    // keep the name taken for good.
    if (entry.Level == Level::Artist) {
        DeleteArtist(entry, false, ok);
        return;
    }
    ExecDeleteItem(entry, ok);
}

std::optional<QString> FixQuotes(const std::optional<QString>& value)
{
    return ReplaceText(value, QStringLiteral("'"), QStringLiteral("''"));
}

std::optional<QString> ReplaceText(const std::optional<QString>& text, const QString& find,
                                   const QString& replacement)
{
    if (!text)
        return std::nullopt;
    QString result = *text;
    // An empty find would match everywhere (and forever with an empty replacement).
    if (find.isEmpty())
        return result;
    qsizetype pos = result.indexOf(find, 0, Qt::CaseInsensitive);
    while (pos >= 0) {
        result.replace(pos, find.size(), replacement);
        pos = result.indexOf(find, pos + replacement.size(), Qt::CaseInsensitive);
    }
    return result;
}
