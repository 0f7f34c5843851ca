// The record and song-title lists.
#include "app/frmDatabaseExplorer.h"

#include "app/CatalogFunctions.h"
#include "app/frmDatabaseExplorer_Internal.h"
#include "catalog/DataAccess.h"
#include "catalog/EntryActions.h"
#include "catalog/ProgramState.h"
#include "jet/Engine.h"
#include "vb/App.h"
#include "vb/Keys.h"
#include "vb/MousePointer.h"
#include "vb/MsgBox.h"
#include "vb/Runtime.h"
#include "vb/Twips.h"
#include "vb/VbTypes.h"
#include "widgets/ListRow.h"
#include "widgets/RowHeightDelegate.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeWidget>

#include <functional>

using namespace explorer;

void frmDatabaseExplorer::SetTreeListImages()
{
    tv1ImageList = &imlSmallIcons;
    tv1->setIconSize(QSize(imlSmallIcons.ImageWidth(), imlSmallIcons.ImageHeight()));
    ListView1Icons = &imlIcons;
    ListView1SmallIcons = &imlSmallIcons;
    ListView1->setIconSize(QSize(imlSmallIcons.ImageWidth(), imlSmallIcons.ImageHeight()));
}

void frmDatabaseExplorer::SetSongListImages()
{
    ListView2Icons = &imlIcons;
    ListView2SmallIcons = &imlSmallIcons;
    ListView2->setIconSize(QSize(imlSmallIcons.ImageWidth(), imlSmallIcons.ImageHeight()));
}

namespace {
void addColumns(QTreeWidget* list, const QStringList& captions, double widthTwips)
{
    const int first = list->columnCount();
    list->setColumnCount(first + static_cast<int>(captions.size()));
    QTreeWidgetItem* header = list->headerItem();
    for (int i = 0; i < captions.size(); ++i) {
        header->setText(first + i, captions[i]);
        header->setTextAlignment(first + i, Qt::AlignLeft | Qt::AlignVCenter);
        list->header()->resizeSection(first + i, vb::twipsToPixelsX(widthTwips));
    }
}

} // namespace

void frmDatabaseExplorer::SetupRecordColumns()
{
    addColumns(ListView1,
               {QStringLiteral("Record Name"), QStringLiteral("Type"), QStringLiteral("Category"),
                QStringLiteral("Label Name"), QStringLiteral("Label Number"), QStringLiteral("Record Condition"),
                QStringLiteral("Sleeve Condition"), QStringLiteral("Record Date"), QStringLiteral("Book Value"),
                QStringLiteral("Quantity")},
               Pane(ListView1).Width() / 4.0);
}

void frmDatabaseExplorer::SetupSongColumns()
{
    addColumns(ListView2, {QStringLiteral("Song Title"), QStringLiteral("Record Name"), QStringLiteral("Artist")},
               Pane(ListView2).Width() / 3.0);
}
namespace {

// Hands the lists' events to the window.
class ListEventFilter : public QObject {
public:
    ListEventFilter(std::function<bool(QObject*, QEvent*)> handler, QObject* parent)
        : QObject(parent), handler_(std::move(handler))
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override { return handler_(watched, event); }

private:
    std::function<bool(QObject*, QEvent*)> handler_;
};

// A column of the current row; an unreadable column counts as Null.
std::optional<QString> textField(const jet::Recordset& rs, const QString& name)
{
    try {
        return rs.Fields(name).Text();
    } catch (const jet::Error&) {
        return std::nullopt;
    }
}

} // namespace

void frmDatabaseExplorer::buildLists()
{
    mListFilter = std::make_unique<ListEventFilter>([this](QObject* w, QEvent* e) { return listEvent(w, e); }, nullptr);
    QObject* filter = mListFilter.get();
    for (QTreeWidget* list : {ListView1, ListView2}) {
        list->setItemDelegate(new RowHeightDelegate(list));
        list->installEventFilter(filter);
        list->viewport()->installEventFilter(filter);
        list->header()->viewport()->installEventFilter(filter);
    }
    ListView2->viewport()->setMouseTracking(true);
    connect(ListView1->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { ListView1_ColumnClick(section + 1); });
    connect(ListView2->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { ListView2_ColumnClick(section + 1); });
}

bool frmDatabaseExplorer::listEvent(QObject* watched, QEvent* event)
{
    if (!alive_)
        return false;
    const bool first = watched == ListView1 || watched == ListView1->viewport() || watched == ListView1->header()->viewport();
    QTreeWidget* list = first ? ListView1 : ListView2;

    if (watched == list) {
        if (event->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(event);
            if (const std::optional<int> keyCode = vb::KeyCode(*ke)) {
                first ? ListView1_KeyDown(*keyCode, vb::ShiftState(ke->modifiers()))
                      : ListView2_KeyDown(*keyCode, vb::ShiftState(ke->modifiers()));
            }
        }
        return false;
    }
    if (watched == list->header()->viewport()) {
        // The window's Load switches header clicks off together with Qt's own
        // sorting; here every header click sorts.
        if (event->type() == QEvent::MouseButtonPress)
            list->header()->setSectionsClickable(true);
        return false;
    }

    QMouseEvent* me = mouseEvent(event);
    if (!me)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const double x = twipsX(me);
        const double y = twipsY(me);
        mListDoubleClicked = false;
        if (me->button() == Qt::LeftButton && !list->itemAt(me->position().toPoint()))
            list->clearSelection(); // a press beside the rows selects none
        first ? ListView1_MouseDown(vbButton(me->button()), vbShift(me->modifiers()), x, y)
              : ListView2_MouseDown(vbButton(me->button()), vbShift(me->modifiers()), x, y);
        // A right press would select the row under the mouse; the popup works on the selection as it is.
        return me->button() == Qt::RightButton;
    }
    case QEvent::MouseButtonDblClick:
        if (me->button() == Qt::LeftButton) {
            mListDoubleClicked = true;
            first ? ListView1_DblClick() : ListView2_DblClick();
            // The command may have reloaded the list; the list's own double-click
            // handling would then take it for a press and select the new row under the mouse.
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        // A click anywhere in the record list counts, on a row or not; the
        // release that ends a double click is no second click.
        if (me->button() == Qt::LeftButton) {
            if (mListDoubleClicked)
                mListDoubleClicked = false;
            else if (first)
                ListView1_Click();
        }
        return false;
    case QEvent::MouseMove:
        if (!first)
            ListView2_MouseMove();
        return false;
    default: return false;
    }
}

void frmDatabaseExplorer::showDatabaseError(const QString& description)
{
    setMousePointer(vb::vbDefault);
    ShowDatabaseAccessErrorBox(description, vb::App::Title(), false);
}

void frmDatabaseExplorer::LoadRecords(const CatalogEntry& entry)
{
    setMousePointer(vb::vbHourglass);
    const QString artist = entry.Artist;

    ListView1->clear();
    mListArtist = artist;
    StatusBarListViewTop->Panels(1).setText(QString());
    StatusBar1->Panels(1).setText(QString());
    vb::DoEvents();
    SetTreeListImages();
    int count = 0;

    const QString query = QStringLiteral("Select * from records ") + QStringLiteral(" where [Artist] = ")
                          + QStringLiteral("'") + FixQuotes(artist).value_or(QString()) + QStringLiteral("'")
                          + QStringLiteral(" And Not IsNull([Record_Name])")
                          + QStringLiteral(" Order by [Artist], [Record_Name], [Record_Type], [Record_Category]");
    const QIcon icon = imlSmallIcons.Image(QStringLiteral("Record"));
    static const char* const textColumns[] = {"Record_Name",     "Record_Type",      "Record_Category", "Label_Name",
                                              "Label_Number",    "Record_Condition", "Sleeve_Condition"};
    const std::optional<QString> failure = ForEachSnapshotRow(query, [&](const jet::Recordset& rs) {
        auto* row = new ListRow;
        for (int i = 0; i < 7; ++i)
            row->setCell(i, textField(rs, QLatin1String(textColumns[i])));
        std::optional<vb::Date> date;
        std::optional<vb::Currency> value;
        std::optional<std::int32_t> quantity;
        try {
            date = rs.Fields(QStringLiteral("Record_Date")).Date();
        } catch (const jet::Error&) {
        }
        try {
            value = rs.Fields(QStringLiteral("Book_Value")).Currency();
        } catch (const jet::Error&) {
        }
        try {
            quantity = rs.Fields(QStringLiteral("Quantity")).Long();
        } catch (const jet::Error&) {
        }
        row->setRecordDate(7, date);
        row->setBookValue(8, value);
        row->setQuantity(9, quantity);
        row->setIcon(0, icon);
        ListView1->addTopLevelItem(row);
        ++count;
    });
    if (failure) {
        showDatabaseError(*failure);
        return;
    }
    vb::DoEvents();

    StatusBarListViewTop->Panels(1).setText(QStringLiteral("Records for: "));
    StatusBarListViewTop->Panels(1).setText(StatusBarListViewTop->Panels(1).Text() + artist);
    if (ListView1Sorted)
        ListView1->sortItems(ListView1SortKey, ListView1SortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    ListView1->viewport()->update();
    StatusBar1->Panels(1).setText(QString::number(count) + QStringLiteral(" record(s) found."));
    setMousePointer(vb::vbDefault);
}

bool frmDatabaseExplorer::LoadSongTitles(const CatalogEntry& entry)
{
    setMousePointer(vb::vbHourglass);
    const QString artist = entry.Artist;
    const QString recordName = entry.Record_Name;

    ListView2->clear();
    StatusBar1->Panels(1).setText(QStringLiteral("Fetching the song titles for record ") + recordName
                                  + QStringLiteral(". Please wait..."));
    vb::DoEvents();
    SetSongListImages();
    int count = 0;

    const QString query = QStringLiteral("Select * from songs ") + QStringLiteral(" where [Artist] = ")
                          + QStringLiteral("'") + FixQuotes(artist).value_or(QString()) + QStringLiteral("'")
                          + QStringLiteral(" And [Record_Name] = ") + QStringLiteral("'")
                          + FixQuotes(recordName).value_or(QString()) + QStringLiteral("'")
                          + QStringLiteral(" And Not IsNull([Record_Name])")
                          + QStringLiteral(" Order by [Artist], [Record_Name], [Song_Title]");
    const QIcon icon = imlSmallIcons.Image(QStringLiteral("Song"));
    const std::optional<QString> failure = ForEachSnapshotRow(query, [&](const jet::Recordset& rs) {
        auto* row = new ListRow;
        row->setCell(0, textField(rs, QStringLiteral("Song_Title")));
        row->setCell(1, textField(rs, QStringLiteral("Record_Name")));
        row->setCell(2, textField(rs, QStringLiteral("Artist")));
        row->setIcon(0, icon);
        ListView2->addTopLevelItem(row);
        ++count;
    });
    if (failure) {
        showDatabaseError(*failure);
        return false;
    }

    StatusBar1->Panels(1).setText(QString::number(count) + QStringLiteral(" song title(s) found."));
    vb::DoEvents();
    if (ListView2Sorted)
        ListView2->sortItems(ListView2SortKey, ListView2SortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    ListView2->viewport()->update();
    setMousePointer(vb::vbDefault);
    return true;
}

void frmDatabaseExplorer::ListView1_Click()
{
    if (!SelectedRow(ListView1)) {
        ListView2->clear();
        if (ListView1->topLevelItemCount() > 0) {
            setMousePointer(vb::vbDefault);
            vb::MsgBox(QStringLiteral("Please select a record."), vb::vbCritical, QStringLiteral("User Error."));
        }
        return;
    }
    setMousePointer(vb::vbHourglass);
    QTreeWidgetItem* node = SelectedNode();
    QTreeWidgetItem* row = SelectedRow(ListView1);
    if (!node || !row) {
        setMousePointer(vb::vbDefault);
        return;
    }
    GetNodeItem(node, CurrentEntry);
    CurrentEntry.Level = Level::Record_Name;
    CurrentEntry.Record_Name = row->text(0);
    SetMenuState(CurrentEntry);
    vb::DoEvents();
    LoadSongTitles(CurrentEntry);
    vb::DoEvents();
}

void frmDatabaseExplorer::sortList(QTreeWidget* list, int& order, int& key, bool& sorted, int index)
{
    order = order == 0 ? 1 : 0;
    key = index - 1;
    sorted = true;
    list->sortItems(key, order == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void frmDatabaseExplorer::ListView1_ColumnClick(int index)
{
    sortList(ListView1, ListView1SortOrder, ListView1SortKey, ListView1Sorted, index);
}

void frmDatabaseExplorer::ListView2_ColumnClick(int index)
{
    sortList(ListView2, ListView2SortOrder, ListView2SortKey, ListView2Sorted, index);
}

void frmDatabaseExplorer::ListView1_DblClick() { mnuRename_Click(); }
void frmDatabaseExplorer::ListView2_DblClick() { mnuPopupSongRename_Click(); }

void frmDatabaseExplorer::ListView1_KeyDown(int keyCode, int)
{
    if (keyCode == vb::vbKeyDelete)
        mnuDelete_Click();
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::ListView2_KeyDown(int keyCode, int)
{
    if (keyCode == vb::vbKeyDelete)
        mnuPopupSongDelete_Click();
    setMousePointer(vb::vbDefault);
}

namespace {
// Shows a popup menu centred horizontally on a point of a list (twips).
void popupAt(QMenu* menu, QTreeWidget* list, double x, double y)
{
    const QPoint at = list->viewport()->mapToGlobal(
        QPoint(vb::twipsToPixelsX(static_cast<std::int32_t>(x)), vb::twipsToPixelsY(static_cast<std::int32_t>(y))));
    menu->popup(at - QPoint(menu->sizeHint().width() / 2, 0));
}
} // namespace

void frmDatabaseExplorer::ListView1_MouseDown(int button, int, double x, double y)
{
    if (!SelectedRow(ListView1) || button != 2)
        return;
    mnuPopupRename->setText(QStringLiteral("Modify"));
    setMousePointer(vb::vbDefault);
    popupAt(mnuPopup, ListView1, x, y);
}

void frmDatabaseExplorer::ListView2_MouseDown(int button, int, double x, double y)
{
    if (!SelectedRow(ListView2) || button != 2)
        return;
    mnuPopupSongRename->setText(QStringLiteral("Modify"));
    setMousePointer(vb::vbDefault);
    popupAt(mnuPopupSong, ListView2, x, y);
}

void frmDatabaseExplorer::ListView2_MouseMove()
{
    mVSplit.SetPointer(vb::vbDefault);
    mHSplit.SetPointer(vb::vbDefault);
}
