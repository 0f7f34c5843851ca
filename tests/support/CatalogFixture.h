#pragma once

#include "catalog/CatalogEntry.h"
#include "support/TestEnv.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <set>
#include <vector>

namespace testenv {

// A temporary program folder (App.Path) holding a fresh, empty records.mdb and
// records.mdw made by the same code as the build, with the engine's workgroup
// set up as the main window does (SystemDB, the program's account, the default
// workspace closed). The destructor closes the default workspace again.
class CatalogFixture {
public:
    CatalogFixture();
    ~CatalogFixture();
    CatalogFixture(const CatalogFixture&) = delete;
    CatalogFixture& operator=(const CatalogFixture&) = delete;

    QString folder() const { return folder_.path(); }
    QString databasePath() const;
    QString workgroupPath() const;

    // Runs Jet statements directly (no transaction); a failure fails the test.
    void exec(const QString& jetSql) const;
    void exec(const QStringList& jetSql) const;
    // Rows of a query, each field as text ("<Null>" for Null; dates mm/dd/yyyy,
    // currency with "."), fields joined by "|".
    QStringList rows(const QString& jetSql) const;
    int count(const QString& jetSql) const { return static_cast<int>(rows(jetSql).size()); }

    // Adds an artist-only row, a record, a song.
    void addArtist(const QString& artist) const;
    void addRecord(const QString& artist, const QString& record, const QString& date = QStringLiteral("01/02/1990"),
                   const QString& bookValue = QStringLiteral("1"), int quantity = 1) const;
    void addSong(const QString& artist, const QString& record, const QString& title) const;

private:
    ProgramFolder folder_;
};

// The entry of a record as CatalogFixture::addRecord writes it, by default with
// its default date (01/02/1990), book value (1) and quantity (1).
CatalogEntry addedRecord(const QString& artist, const QString& record, const QDate& date = QDate(1990, 1, 2),
                         vb::Currency bookValue = vb::kCurrencyScale, std::int32_t quantity = 1);

// The entry of a song title, and of an artist, as the tree's nodes give them.
CatalogEntry songEntry(const QString& artist, const QString& recordName, const QString& title);
CatalogEntry artistEntry(const QString& artist);

// The name of record i of a bulk catalogue: numbered, with a tail of 30 to 69 letters.
QString bulkRecordName(int i);
// The names of bulk records from..to.
std::set<QString> bulkRecordNames(int from, int to);
// Records 1..count (rowid i holds record i) by one artist with two songs each, in
// one transaction; the default workspace is closed afterwards.
void fillBulkCatalogue(const CatalogFixture& cat, int count);

// The number of the engine error the action throws (its description must not
// be empty), or 0 when it throws none.
int errorOf(const std::function<void()>& action);

} // namespace testenv
