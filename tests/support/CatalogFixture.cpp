#include "support/CatalogFixture.h"

#include "jet/CatalogFiles.h"
#include "jet/Engine.h"
#include "jet/Testing.h"
#include "jet/Workgroup.h"

#include <QDate>
#include <QDir>

namespace testenv {

namespace {
const QString kConnect = QStringLiteral(";uid=brevlin;pwd=mossgravel");

QString quoted(const QString& s)
{
    QString d = s;
    d.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + d + QLatin1Char('\'');
}
} // namespace

CatalogFixture::CatalogFixture()
{
    jet::testing::clearFailures();
    jet::createCatalogFilesIfAbsent(folder_.path());
    jet::DBEngine::setSystemDB(workgroupPath());
    jet::DBEngine::setDefaultUser(jet::workgroup::kProgramUser);
    jet::DBEngine::setDefaultPassword(jet::workgroup::kProgramPassword);
    jet::DBEngine::Workspaces()(0).Close();
    jet::DBEngine::Workspaces().Refresh();
}

CatalogFixture::~CatalogFixture()
{
    jet::testing::clearFailures(); // a failure one test queued never reaches the next
    jet::DBEngine::Workspaces()(0).Close();
    jet::DBEngine::setSystemDB(QString());
}

QString CatalogFixture::databasePath() const { return QDir(folder()).filePath(jet::kDatabaseFileName); }
QString CatalogFixture::workgroupPath() const { return QDir(folder()).filePath(jet::kWorkgroupFileName); }

void CatalogFixture::exec(const QString& jetSql) const { exec(QStringList{jetSql}); }

void CatalogFixture::exec(const QStringList& jetSql) const
{
    try {
        jet::Database db = jet::DBEngine::OpenDatabase(databasePath(), false, false, kConnect);
        for (const QString& sql : jetSql)
            db.Execute(sql);
        db.Close();
    } catch (const jet::Error& e) {
        ADD_FAILURE() << "fixture statement failed: " << e.Description().toStdString();
    }
}

QStringList CatalogFixture::rows(const QString& jetSql) const
{
    QStringList out;
    try {
        jet::Database db = jet::DBEngine::OpenDatabase(databasePath(), false, false, kConnect);
        jet::Recordset rs = db.OpenRecordset(jetSql, jet::dbOpenSnapshot);
        while (!rs.Eof()) {
            QStringList fields;
            for (int i = 0; i < rs.FieldCount(); ++i) {
                const jet::Field f = rs.Fields(i);
                if (f.IsNull())
                    fields << QStringLiteral("<Null>");
                else if (f.Type() == jet::FieldType::Date)
                    fields << vb::dateToStatementText(*f.Date());
                else
                    fields << *f.Text();
            }
            out << fields.join(QLatin1Char('|'));
            rs.MoveNext();
        }
        rs.Close();
        db.Close();
    } catch (const jet::Error& e) {
        ADD_FAILURE() << "fixture query failed: " << e.Description().toStdString();
    }
    return out;
}

void CatalogFixture::addArtist(const QString& artist) const
{
    exec(QStringLiteral("Insert into records ([Artist]) Values (%1)").arg(quoted(artist)));
}

void CatalogFixture::addRecord(const QString& artist, const QString& record, const QString& date,
                               const QString& bookValue, int quantity) const
{
    exec(QStringLiteral("Insert into records ([Artist], [Record_Name], [Record_Type], [Record_Category], [Label_Name], "
                        "[Label_Number], [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], "
                        "[Quantity]) Values (%1, %2, '33-LP', 'Jazz', 'Label', 'L-1', 'Mint', 'Good', '%3', '%4', %5)")
             .arg(quoted(artist), quoted(record), date, bookValue)
             .arg(quantity));
}

void CatalogFixture::addSong(const QString& artist, const QString& record, const QString& title) const
{
    exec(QStringLiteral("Insert into songs ([Artist], [Record_Name], [Song_Title]) Values (%1, %2, %3)")
             .arg(quoted(artist), quoted(record), quoted(title)));
}

int errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const jet::Error& e) {
        EXPECT_FALSE(e.Description().isEmpty());
        return e.Number();
    }
    return 0;
}

CatalogEntry addedRecord(const QString& artist, const QString& record, const QDate& date, vb::Currency bookValue,
                         std::int32_t quantity)
{
    CatalogEntry e;
    e.Level = Level::Record_Name;
    e.Artist = artist;
    e.Record_Name = record;
    e.Record_Type = QStringLiteral("33-LP");
    e.Record_Category = QStringLiteral("Jazz");
    e.Label_Name = QStringLiteral("Label");
    e.Label_Number = QStringLiteral("L-1");
    e.Record_Condition = QStringLiteral("Mint");
    e.Sleeve_Condition = QStringLiteral("Good");
    e.Record_Date = vb::dateFromQDate(date);
    e.Book_Value = bookValue;
    e.Quantity = quantity;
    return e;
}

CatalogEntry songEntry(const QString& artist, const QString& recordName, const QString& title)
{
    CatalogEntry e;
    e.Level = Level::Song_Titles;
    e.Artist = artist;
    e.Record_Name = recordName;
    e.Song_Title = title;
    return e;
}

CatalogEntry artistEntry(const QString& artist)
{
    CatalogEntry e;
    e.Level = Level::Artist;
    e.Artist = artist;
    return e;
}

QString bulkRecordName(int i)
{
    return QStringLiteral("Record %1 ").arg(i, 5, 10, QLatin1Char('0')) + QString(30 + i % 40, QLatin1Char('a' + i % 26));
}

std::set<QString> bulkRecordNames(int from, int to)
{
    std::set<QString> names;
    for (int i = from; i <= to; ++i)
        names.insert(bulkRecordName(i));
    return names;
}

void fillBulkCatalogue(const CatalogFixture& cat, int count)
{
    jet::Database db = jet::DBEngine::OpenDatabase(cat.databasePath());
    jet::DBEngine::BeginTrans();
    for (int i = 1; i <= count; ++i) {
        db.Execute(QStringLiteral("Insert into records ([Artist], [Record_Name], [Record_Type], [Quantity]) Values "
                                  "('Artist', '%1', '33-LP', %2)")
                       .arg(bulkRecordName(i))
                       .arg(i));
        for (int s = 1; s <= 2; ++s)
            db.Execute(QStringLiteral("Insert into songs ([Artist], [Record_Name], [Song_Title]) Values ('Artist', '%1', 'Song %2')")
                           .arg(bulkRecordName(i))
                           .arg(s));
    }
    jet::DBEngine::CommitTrans();
    db.Close();
    jet::DBEngine::Workspaces()(0).Close();
}

} // namespace testenv
