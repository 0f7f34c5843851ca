// The Find dialog's search: checking the input, the statements, filling the list.
#include "dialogs/frmFind.h"

#include "catalog/DataAccess.h"
#include "catalog/NameRules.h"
#include "dialogs/FindResultModel.h"
#include "dialogs/FreedMemory.h"
#include "jet/Engine.h"
#include "vb/App.h"
#include "vb/MsgBox.h"
#include "vb/MousePointer.h"
#include "vb/Runtime.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>

namespace {

const QString kBadPattern = QStringLiteral(
    "Incorrect entry or invalid pattern string.  Please enter a value with no special characters.");

const QStringList kArtistColumns = {
    QStringLiteral("Artist"),           QStringLiteral("Record Name"),      QStringLiteral("Record Type"),
    QStringLiteral("Record Category"),  QStringLiteral("Label Name"),       QStringLiteral("Label Number"),
    QStringLiteral("Record Condition"), QStringLiteral("Sleeve Condition"), QStringLiteral("Record Date"),
    QStringLiteral("Book Value "),      QStringLiteral("Quantity "),
};
const QStringList kRecordNameColumns = {
    QStringLiteral("Record Name"),      QStringLiteral("Artist"),           QStringLiteral("Record Type"),
    QStringLiteral("Record Category"),  QStringLiteral("Label Name"),       QStringLiteral("Label Number"),
    QStringLiteral("Record Condition"), QStringLiteral("Sleeve Condition"), QStringLiteral("Record Date"),
    QStringLiteral("Book Value"),       QStringLiteral("Quantity"),
};
const QStringList kSongTitleColumns = {QStringLiteral("Song Title"), QStringLiteral("Record Name"),
                                       QStringLiteral("Artist")};

void closeQuietly(jet::Recordset& rs, jet::Database& db)
{
    try {
        rs.Close();
    } catch (const jet::Error&) {
    }
    try {
        db.Close();
    } catch (const jet::Error&) {
    }
}

} // namespace

QString FindStatement(const QString& kind, const QString& text)
{
    const QString p = QStringLiteral(" Like ") + QStringLiteral("'") + QStringLiteral("*") + text + QStringLiteral("*")
                      + QStringLiteral("'");
    if (kind == QLatin1String("Artist")) {
        const QString columns = QStringLiteral(" Select [Artist] ")
                                + QStringLiteral(", [Record_Name], [Label_Name], [Label_Number] ")
                                + QStringLiteral(", [Record_Type], [Record_Category] ")
                                + QStringLiteral(", [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], "
                                                 "[Quantity]  ");
        return columns + QStringLiteral(" from records where [Artist] ") + p + QStringLiteral(" and IsNull([Record_Name])")
               + QStringLiteral(" and [Artist] Not In ") + QStringLiteral("( Select [Artist] ")
               + QStringLiteral(" from records where [Artist] ") + p + QStringLiteral(" and Not IsNull([Record_Name])")
               + QStringLiteral(")") + QStringLiteral(" Union") + columns
               + QStringLiteral(" from records where [Artist] ") + p + QStringLiteral(" and Not IsNull([Record_Name])")
               + QStringLiteral(" group by ") + QStringLiteral(" [Artist] ")
               + QStringLiteral(", [Record_Name], [Label_Name], [Label_Number] ")
               + QStringLiteral(", [Record_Type], [Record_Category] ")
               + QStringLiteral(", [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]  ")
               + QStringLiteral(" Order by [Artist] ") + QStringLiteral(", [Record_Name], [Record_Type], [Record_Name] ");
    }
    if (kind == QLatin1String("Record Name")) {
        return QStringLiteral(" Select Distinct [Artist], [Record_Name], [Label_Name], [Label_Number], ")
               + QStringLiteral(" [Record_Type], [Record_Category], [Record_Condition], [Sleeve_Condition], "
                                "[Record_Date], [Book_Value], [Quantity]  ")
               + QStringLiteral(" from records ") + QStringLiteral(" where [Record_Name] ") + p
               + QStringLiteral(" Order by [Artist] ") + QStringLiteral(", [Record_Name], [Record_Type], [Record_Name] ");
    }
    if (kind == QLatin1String("Song Title")) {
        return QStringLiteral(" Select Distinctrow [Artist], [Record_Name], [Song_Title] ")
               + QStringLiteral(" from songs ") + QStringLiteral(" where [Song_Title] ") + p;
    }
    return QString();
}

bool IsBalancedPattern(const QString& text)
{
    qsizetype i = 0;
    while ((i = text.indexOf(QLatin1Char('['), i)) >= 0) {
        const qsizetype close = text.indexOf(QLatin1Char(']'), i + 1);
        if (close < 0)
            return false;
        i = close + 1;
    }
    return true;
}

void frmFind::cmbFolderType_Click()
{
    ListView1Rows->clearRows();
    listedSearch_.reset();
    StatusBar1Panel1->setText(QString());
}

void frmFind::cmdRun_Click()
{
    const BusyScope busy(*this);
    vb::DoEvents();
    const QString kind = vb::Trim(cmbFolderType->currentText());
    if (kind.isEmpty() || !IsValidSearchText(kind)) {
        setMousePointer(vb::vbDefault);
        cmbFolderType->setFocus();
        vb::MsgBox(kBadPattern, vb::vbCritical, QStringLiteral("User Entry Error!"));
        return;
    }
    mlocate->setText(vb::Trim(mlocate->text()));
    const QString text = mlocate->text();
    // An unclosed "[" is no pattern the engine can read.
    if (text.isEmpty() || !IsValidSearchText(text) || !IsBalancedPattern(text)) {
        setMousePointer(vb::vbDefault);
        mlocate->setSelection(0, static_cast<int>(text.size()));
        mlocate->setFocus();
        vb::MsgBox(kBadPattern, vb::vbCritical, QStringLiteral("User Entry Error!"));
        return;
    }
    search(kind, text);
}

void frmFind::search(const QString& kindText, const QString& searchText)
{
    setMousePointer(vb::vbHourglass);
    SetupResultColumns(kindText);
    RunFindQuery(kindText, searchText);
    setMousePointer(vb::vbDefault);
}

void frmFind::SetupResultColumns(const QString& kind)
{
    ListView1Rows->clearAll();
    listedSearch_.reset();
    ListView1SortOrder = 0;
    const FindKind k = findKindOf(kind);
    const QStringList* headers = nullptr;
    QString image;
    int parts = 4;
    switch (k) {
    case FindKind::Artist:
        headers = &kArtistColumns;
        image = QStringLiteral("artist");
        break;
    case FindKind::RecordName:
        headers = &kRecordNameColumns;
        image = QStringLiteral("record");
        break;
    case FindKind::SongTitle:
        headers = &kSongTitleColumns;
        image = QStringLiteral("song");
        parts = 3;
        break;
    case FindKind::None: break;
    }
    if (headers) {
        // The program's images; a window without them shows its rows bare.
        const QString file = QStringLiteral(":/app/images/%1.svg").arg(image);
        ListView1Rows->setColumns(k, *headers, QFile::exists(file) ? QIcon(file) : QIcon());
        const int width = ListView1->width() / parts;
        for (int column = 0; column < headers->size(); ++column)
            ListView1->setColumnWidth(column, width);
    }
    setMousePointer(vb::vbDefault);
}

void frmFind::RunFindQuery(const QString& kind, const QString& text)
{
    const QString statement = FindStatement(kind, text);
    jet::Database db;
    jet::Recordset rs;
    try {
        db = jet::DBEngine::OpenDatabase(DatabasePath(), false, false, ConnectString);
        rs = db.OpenRecordset(statement, jet::dbOpenSnapshot);
    } catch (const jet::Error& e) {
        setMousePointer(vb::vbDefault);
        ShowDatabaseAccessErrorBox(e.Description(), vb::App::Title(), false);
        closeQuietly(rs, db);
        return;
    }

    // The statement's working memory (sorting, grouping) is free once the
    // snapshot holds its rows.
    GiveBackFreedMemory();
    int count = 0;
    try {
        if (!rs.Eof()) {
            // A snapshot knows its size once at its last row; on the way there
            // the list measures the room its texts take.
            ListView1Rows->reserveTexts(rs);
            rs.MoveLast();
            ListView1Rows->reserveRows(rs.RecordCount());
            rs.MoveFirst();
        }
        while (!rs.Eof()) {
            ListView1Rows->appendFromRecordset(rs);
            ++count;
            rs.MoveNext();
        }
    } catch (const jet::Error&) {
        // The rows read so far stay listed.
    }
    closeQuietly(rs, db);
    // The snapshot's rows are copied into the list: its memory goes back now,
    // not at the next search.
    GiveBackFreedMemory();
    ListView1Rows->finishFill();
    listedSearch_.emplace(kind, text);
    sortList();
    vb::DoEvents();

    StatusBar1Panel1->setText(QLatin1Char(' ') + QString::number(count)
                              + (count == 0 || count == 1 ? QStringLiteral(" object found.")
                                                          : QStringLiteral(" objects found.")));
    setMousePointer(vb::vbDefault);
}

void frmFind::sortList()
{
    ListView1Rows->sortByColumn(ListView1SortKey, ListView1SortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void frmFind::refreshAfterChange()
{
    if (!listedSearch_) {
        cmdRun_Click();
        return;
    }
    // The search that filled the list, whatever the fields hold by now.
    const auto [kind, text] = *listedSearch_;
    search(kind, text);
}
