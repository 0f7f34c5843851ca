#include "catalog/DataAccess.h"

#include "jet/CatalogFiles.h"
#include "jet/Engine.h"
#include "vb/App.h"
#include "vb/MsgBox.h"

#include <QDir>

#include <cmath>

QString DatabasePath() { return QDir::toNativeSeparators(QDir(vb::App::Path()).filePath(jet::kDatabaseFileName)); }

QString WorkgroupPath() { return QDir::toNativeSeparators(QDir(vb::App::Path()).filePath(jet::kWorkgroupFileName)); }

namespace {

jet::Database openCatalog()
{
    return jet::DBEngine::OpenDatabase(DatabasePath(), false, false, ConnectString);
}

void closeQuietly(jet::Database& db)
{
    try {
        db.Close();
    } catch (const jet::Error&) {
    }
}

void rollbackQuietly(jet::Workspace& ws)
{
    try {
        ws.Rollback();
    } catch (const jet::Error&) {
    }
}

} // namespace

void ExecuteSql(const QString& sql, bool& ok)
{
    ExecuteStatements({Statement{sql, false}}, ok);
}

void ExecuteStatements(const std::vector<Statement>& group, bool& ok)
{
    ok = false;
    jet::Workspace ws = jet::DBEngine::Workspaces()(0);
    try {
        ws.BeginTrans();
    } catch (const jet::Error& e) {
        ShowStatementErrorBox(e.Description());
        return;
    }
    jet::Database db;
    try {
        db = openCatalog();
        bool previousMatched = true;
        for (const Statement& s : group) {
            if (s.onlyWhenPreviousMatched && !previousMatched)
                break;
            db.Execute(s.sql);
            previousMatched = db.RecordsAffected() > 0;
        }
        ws.CommitTrans();
    } catch (const jet::Error& e) {
        rollbackQuietly(ws);
        ShowStatementErrorBox(e.Description());
        closeQuietly(db);
        return;
    }
    ok = true;
    closeQuietly(db);
}

std::optional<int> SnapshotRecordCount(const QString& query)
{
    jet::Database db;
    jet::Recordset rs;
    try {
        db = openCatalog();
        rs = db.OpenRecordset(query, jet::dbOpenSnapshot);
    } catch (const jet::Error& e) {
        ShowDatabaseAccessErrorBox(e.Description());
        rs.Close();
        closeQuietly(db);
        return std::nullopt;
    }
    try {
        rs.MoveLast();
    } catch (const jet::Error&) {
        // An empty set has no last row.
    }
    const int count = rs.RecordCount();
    rs.Close();
    closeQuietly(db);
    return count;
}

std::optional<QString> ForEachSnapshotRow(const QString& query,
                                          const std::function<void(const jet::Recordset&)>& eachRow)
{
    jet::Database db;
    jet::Recordset rs;
    auto closeAll = [&rs, &db] {
        try {
            rs.Close();
        } catch (const jet::Error&) {
        }
        closeQuietly(db);
    };
    try {
        db = openCatalog();
        rs = db.OpenRecordset(query, jet::dbOpenSnapshot);
    } catch (const jet::Error& e) {
        closeAll();
        return e.Description();
    }
    try {
        rs.MoveFirst();
    } catch (const jet::Error&) {
        // An empty set has no first row.
    }
    while (!rs.Eof()) {
        eachRow(rs);
        try {
            rs.MoveNext();
            jet::DBEngine::Idle();
        } catch (const jet::Error&) {
            break;
        }
    }
    closeAll();
    return std::nullopt;
}

void ShowStatementErrorBox(const QString& description)
{
    vb::MsgBox(QStringLiteral("The program encountered the following error:") + QStringLiteral("\n\r") + description
                   + QStringLiteral("\n\r") + QStringLiteral("The transaction is canceled."),
               vb::vbCritical, QStringLiteral("Error!."));
}

void ShowDatabaseAccessErrorBox(const QString& description, const QString& title, bool withCancelSentence)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString folder = vb::App::Path();
    QString text = QStringLiteral("The Program encountered an error while accessing the database.") + crlf + description
                   + crlf + QStringLiteral("Make sure that the database files exist in ") + folder + QStringLiteral(".")
                   + crlf + QStringLiteral("Also make sure that you have permissions to read, write, and modify the directory ")
                   + folder + QStringLiteral(".") + crlf;
    if (withCancelSentence)
        text += QStringLiteral("The transaction is canceled.");
    vb::MsgBox(text, vb::vbCritical, title);
}

QString TextLiteral(const QString& value)
{
    QString doubled = value;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString NumberText(std::int32_t value) { return QString::number(value); }

QString NumberText(vb::Currency value) { return vb::currencyToStatementText(value); }

QString DateText(vb::Date value) { return vb::dateToQDate(value).toString(QStringLiteral("MM/dd/yyyy")); }

QString DateLiteral(vb::Date value) { return QLatin1Char('#') + DateText(value) + QLatin1Char('#'); }

QString DefaultDateText(vb::Date value) { return vb::dateToStatementText(value); }
