#include "bench/EveryArtistFind.h"

#include "bench/PlainSqlite.h"
#include "bench/SnapshotRead.h"
#include "jet/Dialect.h"
#include "jet/Engine.h"

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace bench {

namespace {

// As the dialog writes it, the search text "*" inside its own asterisks.
QString everyArtistStatement()
{
    const QString p = QStringLiteral(" Like '***'");
    const QString columns = QStringLiteral(", [Record_Name], [Label_Name], [Label_Number] , [Record_Type], "
                                           "[Record_Category] , [Record_Condition], [Sleeve_Condition], "
                                           "[Record_Date], [Book_Value], [Quantity]  ");
    return QStringLiteral(" Select [Artist] ") + columns + QStringLiteral(" from records where [Artist] ") + p
           + QStringLiteral(" and IsNull([Record_Name]) and [Artist] Not In ( Select [Artist]  from records where "
                            "[Artist] ")
           + p + QStringLiteral(" and Not IsNull([Record_Name])) Union Select [Artist] ") + columns
           + QStringLiteral(" from records where [Artist] ") + p
           + QStringLiteral(" and Not IsNull([Record_Name]) group by  [Artist] ") + columns
           + QStringLiteral(" Order by [Artist] , [Record_Name], [Record_Type], [Record_Name] ");
}

const char* kPlainEveryArtist =
    "SELECT Artist, Record_Name, Label_Name, Label_Number, Record_Type, Record_Category, Record_Condition, "
    "Sleeve_Condition, Record_Date, Book_Value, Quantity FROM records WHERE Artist LIKE '%' AND Record_Name IS NULL "
    "AND Artist NOT IN (SELECT Artist FROM records WHERE Artist LIKE '%' AND Record_Name IS NOT NULL) "
    "UNION SELECT Artist, Record_Name, Label_Name, Label_Number, Record_Type, Record_Category, Record_Condition, "
    "Sleeve_Condition, Record_Date, Book_Value, Quantity FROM records WHERE Artist LIKE '%' AND Record_Name IS NOT NULL "
    "GROUP BY Artist, Record_Name, Label_Name, Label_Number, Record_Type, Record_Category, Record_Condition, "
    "Sleeve_Condition, Record_Date, Book_Value, Quantity ORDER BY Artist, Record_Name, Record_Type, Record_Name";

long long engineRun(const QString& path, const QString& connect, const QString& sql)
{
    jet::Database db = jet::DBEngine::OpenDatabase(path, false, false, connect);
    jet::Recordset rs = db.OpenRecordset(sql, jet::dbOpenSnapshot);
    const long long rows = readEveryField(rs);
    db.Close();
    return rows;
}

double medianOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

EveryArtistTiming timeEveryArtistFind(const QString& databasePath, const QString& connect, int runs)
{
    EveryArtistTiming t;
    const QString sql = everyArtistStatement();
    const QByteArray translated = jet::translateStatement(sql).toUtf8();
    const std::vector<std::function<void()>> bodies = {
        [&] { t.engineRows = engineRun(databasePath, connect, sql); },
        [&] { PlainSqlite(databasePath, false, PlainSqlite::EngineFunctions).run(translated.constData()); },
        [&] { t.plainRows = PlainSqlite(databasePath, false).run(kPlainEveryArtist); },
    };
    std::vector<std::vector<double>> times(bodies.size());
    for (const auto& body : bodies)
        body();
    for (int i = 0; i < runs; ++i)
        for (std::size_t b = 0; b < bodies.size(); ++b) {
            const auto t0 = std::chrono::steady_clock::now();
            bodies[b]();
            times[b].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
    t.engineMs = medianOf(times[0]);
    t.functionsMs = medianOf(times[1]);
    t.plainMs = medianOf(times[2]);
    return t;
}

} // namespace bench
