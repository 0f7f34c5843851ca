#include "catalog/Maintenance.h"

#include "catalog/ArtistAccounts.h"
#include "catalog/DataAccess.h"
#include "jet/Engine.h"
#include "jet/FileMaintenance.h"
#include "vb/App.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace {

const QString CrLf = QStringLiteral("\r\n");

// Visual Basic's error object under "resume next": a failing step records its
// error and the work goes on; the error stays pending until it is cleared.
struct PendingError {
    int number = 0;
    QString description;

    bool pending() const { return number != 0; }
    void clear() { *this = {}; }

    template <typename Step>
    void attempt(Step step)
    {
        try {
            step();
        } catch (const jet::Error& e) {
            number = e.Number();
            description = e.Description();
        }
    }
};

// A normal-file directory search finds it.
bool fileExists(const QString& path)
{
    return QFileInfo(path).isFile();
}

void deleteFile(PendingError& error, const QString& path)
{
    if (!QFile::remove(path)) {
        error.number = 75;
        error.description = QStringLiteral("Path/File access error");
    }
}

struct Files {
    explicit Files(const QString& baseName)
        : database(vb::App::file(baseName + QStringLiteral(".mdb"))),
          workgroup(vb::App::file(baseName + QStringLiteral(".mdw"))),
          copy(vb::App::file(QStringLiteral("~") + baseName + QStringLiteral(".new")))
    {
    }
    QString database;
    QString workgroup;
    QString copy;
};

void makeEngineSettings(PendingError& error, const Files& files)
{
    error.attempt([&] { jet::DBEngine::setSystemDB(files.workgroup); });
    error.attempt([] { jet::DBEngine::Workspaces()(0).Close(); });
    error.attempt([] { jet::DBEngine::setDefaultUser(QStringLiteral("brevlin")); });
    error.attempt([] { jet::DBEngine::setDefaultPassword(QStringLiteral("mossgravel")); });
}

void compactIntoCopy(PendingError& error, const Files& files)
{
    error.attempt([&] {
        jet::DBEngine::CompactDatabase(files.database, files.copy, QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0"), 34,
                                       QStringLiteral(";pwd=mossgravel"));
    });
    // The workgroup file is compacted with the catalogue; it takes its new
    // place at once, and a failure leaves it as it was.
    if (!error.pending())
        error.attempt([] { jet::DBEngine::CompactWorkgroup(); });
}

// Puts the compacted copy in the database file's place with one rename, so
// the folder always holds an openable database. No copy after a compaction
// that reported no error means the compaction did not happen.
void putCopyInPlace(PendingError& error, const Files& files)
{
    if (!fileExists(files.copy)) {
        error.number = jet::err::FileNotFound;
        error.description = QStringLiteral("The compacted copy '%1' could not be found.").arg(files.copy);
        return;
    }
    QString description;
    int number = 0;
    if (!jet::ReplaceFileAtomically(files.copy, files.database, description, &number)) {
        error.number = number;
        error.description = description;
    }
}

void dropCopy(PendingError& error, const Files& files)
{
    if (fileExists(files.copy)) {
        deleteFile(error, files.copy);
        error.clear();
    }
}

// The catalogue counts as usable only when it opens and answers the query the
// program starts with.
void openAsOnStartUp(PendingError& error, const Files& files)
{
    error.attempt([&] {
        jet::Database db = jet::DBEngine::OpenDatabase(files.database, false, false, ConnectString);
        jet::Recordset rs = db.OpenRecordset(QStringLiteral("Select Distinct [Artist] from records  Order by [Artist]"),
                                             jet::dbOpenSnapshot);
        rs.Close();
        db.Close();
    });
    error.attempt([] { jet::DBEngine::Workspaces()(0).Close(); });
}

// An estimate is shown to two significant digits, so that it does not
// look like a count.
int rounded(int rows)
{
    int scale = 1;
    while (rows / scale >= 100)
        scale *= 10;
    return int((qint64(rows) + scale / 2) / scale * scale);
}

QString unreadRowsOf(const jet::UnreadRows& unread)
{
    switch (unread.bound) {
    case jet::UnreadRows::Exact:
        return QStringLiteral("%1 %2").arg(unread.table).arg(unread.rows);
    case jet::UnreadRows::About:
        return QStringLiteral("%1 about %2").arg(unread.table).arg(rounded(unread.rows));
    case jet::UnreadRows::AtLeast:
        break;
    }
    return unread.rows > 0 ? QStringLiteral("%1 at least %2").arg(unread.table).arg(unread.rows)
                           : QStringLiteral("%1 an unknown number").arg(unread.table);
}

// One line for a repair that could not read every row, or nothing. A count
// shown bare is exact.
QString unreadRowsLine(const jet::RepairReport& report)
{
    QStringList counts;
    bool lost = false;
    for (const jet::UnreadRows& unread : report.unreadRows) {
        counts << unreadRowsOf(unread);
        lost = lost || unread.rows > 0 || unread.bound != jet::UnreadRows::Exact;
    }
    if (!lost || report.keptOriginal.isEmpty())
        return QString();
    return QStringLiteral("Rows that could not be read: %1. The damaged database is kept as %2.")
        .arg(counts.join(QStringLiteral(", ")), QFileInfo(report.keptOriginal).fileName());
}

// One line for a workgroup file that was made again, or nothing.
QString rebuiltWorkgroupLine(const QString& kept)
{
    if (kept.isEmpty())
        return QString();
    return QStringLiteral("The workgroup information file could not be read and has been made again with an account for "
                          "each artist. The damaged workgroup file is kept as %1.")
        .arg(QFileInfo(kept).fileName());
}

} // namespace

bool CompactDatabaseFile(QString baseName, QString& message)
{
    const Files files(baseName);
    PendingError error;
    if (fileExists(files.copy)) {
        deleteFile(error, files.copy);
        error.clear();
    }
    makeEngineSettings(error, files);
    compactIntoCopy(error, files);
    if (!error.pending())
        putCopyInPlace(error, files);
    if (error.pending()) {
        message = QStringLiteral("Compacting the database was not successful. The orignal database is still intact. ") +
                  error.description + CrLf + CrLf + QStringLiteral("Exit and restart the program.");
        dropCopy(error, files);
        return false;
    }
    message = QStringLiteral("Database successfully compacted.");
    return true;
}

bool RepairDatabaseFile(QString baseName, QString& message)
{
    const Files files(baseName);
    PendingError error;
    makeEngineSettings(error, files);
    jet::RepairReport report;
    error.attempt([&] { jet::DBEngine::RepairDatabase(files.database, &report); });
    // A workgroup file that cannot be read is made again from the catalogue's artists.
    QString keptWorkgroup;
    if (!error.pending())
        error.attempt([&] {
            keptWorkgroup = jet::DBEngine::RebuildWorkgroup(files.database, ArtistAccount::PID, ArtistAccount::Password);
        });
    if (error.pending()) {
        message = QStringLiteral("Repairing the database was not successful.") + CrLf + error.description + CrLf +
                  QStringLiteral("Exit and restart the program.") + CrLf;
        return false;
    }
    // Said whatever comes after: the file has been replaced.
    const QString rebuilt = rebuiltWorkgroupLine(keptWorkgroup);
    if (fileExists(files.copy))
        deleteFile(error, files.copy);
    error.clear();
    compactIntoCopy(error, files);
    if (!error.pending())
        putCopyInPlace(error, files);
    if (error.pending()) {
        message = QStringLiteral("Repairing the database was successful.") + CrLf + CrLf +
                  QStringLiteral("However, compacting the database was not successful. The orignal database is still intact.") +
                  CrLf + error.description + CrLf + QStringLiteral("Exit and restart the program.") + CrLf + rebuilt;
        dropCopy(error, files);
        return false;
    }
    openAsOnStartUp(error, files);
    if (error.pending()) {
        message = QStringLiteral("Repairing the database was not successful.") + CrLf + error.description + CrLf +
                  QStringLiteral("Exit and restart the program.") + CrLf +
                  QStringList{unreadRowsLine(report), rebuilt}.filter(QRegularExpression(QStringLiteral("."))).join(CrLf);
        return false;
    }
    if (report.nothingRead) {
        message = QStringLiteral("Nothing in the database could be read. The damaged database is kept as %1, and a new, "
                                 "empty catalogue is in its place.")
                      .arg(QFileInfo(report.keptOriginal).fileName());
    } else {
        message = QStringLiteral("Database successfully repaired and compacted.");
        if (const QString unread = unreadRowsLine(report); !unread.isEmpty())
            message += CrLf + unread;
    }
    if (!rebuilt.isEmpty())
        message += CrLf + rebuilt;
    return true;
}
