#include "app/CatalogFunctions.h"
#include "app/frmDatabaseExplorer.h"
#include "widgets/ListRow.h"
#include "catalog/ProgramState.h"
#include "support/CatalogFixture.h"
#include "support/ExplorerTesting.h"
#include "support/QtPrint.h"
#include "support/StrayKeys.h"
#include "support/TestEnv.h"
#include "vb/App.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// The main window with the commands the lists start recorded instead of run.
class ListProbe : public frmDatabaseExplorer {
public:
    QStringList ran;
    void mnuExit_Click() override { ran << "mnuExit_Click"; }
    void mnuDelete_Click() override { ran << "mnuDelete_Click"; }
    void mnuRename_Click() override { ran << "mnuRename_Click"; }
    void mnuPopupSongRename_Click() override { ran << "mnuPopupSongRename_Click"; }
    void mnuPopupSongDelete_Click() override { ran << "mnuPopupSongDelete_Click"; }
};

using testenv::columnTexts;
using testenv::showArtist;

QStringList rowTexts(const QTreeWidgetItem* row)
{
    QStringList texts;
    for (int i = 0; i < row->columnCount(); ++i)
        texts << row->text(i);
    return texts;
}

QStringList headerTexts(const QTreeWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->columnCount(); ++i)
        texts << list->headerItem()->text(i);
    return texts;
}

class ListsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramState();
        AppRunning = true;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void TearDown() override
    {
        delete window.data();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QLocale::setDefault(previousLocale_);
        ResetProgramState();
    }

    // A shown window with the tree filled and no artist chosen yet.
    ListProbe& load()
    {
        window = new ListProbe;
        window->Load();
        window->TimerPopulateTree.stop();
        window->PopulateTree();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.data()));
        return *window;
    }

    // A point on the row's first cell.
    static QPoint rowCentre(const QTreeWidget* list, int row)
    {
        const QRect r = list->visualItemRect(list->topLevelItem(row));
        return QPoint(r.left() + 30, r.center().y());
    }

    // A point of the list below its last row.
    static QPoint emptySpace(const QTreeWidget* list)
    {
        return QPoint(10, list->viewport()->height() - 5);
    }

    static void clickHeader(QTreeWidget* list, int column)
    {
        QHeaderView* h = list->header();
        const QPoint at(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, at);
    }

    testenv::CatalogFixture catalog;
    testenv::ScriptedMsgBox boxes;
    QPointer<ListProbe> window;

private:
    QLocale previousLocale_;
};

TEST_F(ListsTest, RowsColumnsAndCountTexts)
{
    catalog.addArtist(QStringLiteral("Cher"));
    catalog.addRecord(QStringLiteral("Cher"), QStringLiteral("Heart"), QStringLiteral("12/31/1998"),
                      QStringLiteral("12.5"), 3);
    catalog.addRecord(QStringLiteral("Cher"), QStringLiteral("Believe"));
    catalog.exec(QStringLiteral("Insert into records ([Artist], [Record_Name]) Values ('Cher', 'Bare')"));
    catalog.addSong(QStringLiteral("Cher"), QStringLiteral("Believe"), QStringLiteral("Strong Enough"));
    catalog.addSong(QStringLiteral("Cher"), QStringLiteral("Believe"), QStringLiteral("All or Nothing"));
    catalog.addSong(QStringLiteral("Cher"), QStringLiteral("Heart"), QStringLiteral("Elsewhere"));
    catalog.addArtist(QStringLiteral("Abba"));
    ListProbe& w = load();

    EXPECT_EQ(headerTexts(w.ListView1),
              (QStringList{"Record Name", "Type", "Category", "Label Name", "Label Number", "Record Condition",
                           "Sleeve Condition", "Record Date", "Book Value", "Quantity"}));
    EXPECT_EQ(headerTexts(w.ListView2), (QStringList{"Song Title", "Record Name", "Artist"}));

    struct Case {
        QString artist;
        QList<QStringList> rows;
        QString count;
    };
    const std::vector<Case> cases = {
        {"Cher",
         {{"Bare", "", "", "", "", "", "", "", "", ""},
          {"Believe", "33-LP", "Jazz", "Label", "L-1", "Mint", "Good", "01/02/1990", "1", "1"},
          {"Heart", "33-LP", "Jazz", "Label", "L-1", "Mint", "Good", "12/31/1998", "12.5", "3"}},
         "3 record(s) found."},
        {"Abba", {}, "0 record(s) found."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.artist.toStdString());
        showArtist(w, c.artist);
        ASSERT_EQ(w.ListView1->topLevelItemCount(), c.rows.size()) << "the artist-only row is no record";
        for (int i = 0; i < c.rows.size(); ++i) {
            EXPECT_EQ(rowTexts(w.ListView1->topLevelItem(i)), c.rows[i]);
            EXPECT_FALSE(w.ListView1->topLevelItem(i)->icon(0).isNull());
        }
        EXPECT_EQ(w.StatusBarListViewTop->Panels(1).Text(), "Records for: " + c.artist);
        EXPECT_EQ(w.StatusBar1->Panels(1).Text(), c.count);
    }

    showArtist(w, QStringLiteral("Cher"));
    struct SongCase {
        int row;
        QList<QStringList> songs;
        QString count;
    };
    const std::vector<SongCase> songCases = {
        {1, {{"All or Nothing", "Believe", "Cher"}, {"Strong Enough", "Believe", "Cher"}}, "2 song title(s) found."},
        {0, {}, "0 song title(s) found."},
    };
    for (const SongCase& c : songCases) {
        SCOPED_TRACE(c.row);
        QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {}, rowCentre(w.ListView1, c.row));
        ASSERT_EQ(w.ListView2->topLevelItemCount(), c.songs.size());
        for (int i = 0; i < c.songs.size(); ++i) {
            EXPECT_EQ(rowTexts(w.ListView2->topLevelItem(i)), c.songs[i]);
            EXPECT_FALSE(w.ListView2->topLevelItem(i)->icon(0).isNull());
        }
        EXPECT_EQ(w.StatusBar1->Panels(1).Text(), c.count);
        EXPECT_EQ(CurrentEntry.Level, Level::Record_Name);
        EXPECT_EQ(CurrentEntry.Artist, "Cher");
        EXPECT_EQ(CurrentEntry.Record_Name, w.ListView1->topLevelItem(c.row)->text(0));
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ListsTest, AnApostropheInStoredNamesLoadsBothLists)
{
    // The name rules keep apostrophes out, but a catalogue may hold them from elsewhere.
    catalog.addArtist(QStringLiteral("O'Hara"));
    catalog.addRecord(QStringLiteral("O'Hara"), QStringLiteral("Rock 'n' Roll"));
    catalog.addSong(QStringLiteral("O'Hara"), QStringLiteral("Rock 'n' Roll"), QStringLiteral("Don't Stop"));
    ListProbe& w = load();

    showArtist(w, QStringLiteral("O'Hara"));
    ASSERT_EQ(columnTexts(w.ListView1, 0), QStringList{"Rock 'n' Roll"});
    QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {}, rowCentre(w.ListView1, 0));
    EXPECT_EQ(columnTexts(w.ListView2, 0), QStringList{"Don't Stop"});
    EXPECT_EQ(w.StatusBar1->Panels(1).Text(), "1 song title(s) found.");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ListsTest, HeaderClicksFlipTheOneOrderByShownTextAndStayOnReload)
{
    catalog.addArtist(QStringLiteral("Cher"));
    const std::vector<std::pair<QString, int>> records = {{"10", 100}, {"9", 1}, {"a", 2}, {"B", 10}, {"c", 9}};
    for (const auto& [name, quantity] : records)
        catalog.addRecord(QStringLiteral("Cher"), name, QStringLiteral("01/02/1990"), QStringLiteral("1"), quantity);
    ListProbe& w = load();
    showArtist(w, QStringLiteral("Cher"));
    EXPECT_EQ(columnTexts(w.ListView1, 0), (QStringList{"10", "9", "a", "B", "c"})) << "query order before a click";

    struct Step {
        const char* what;
        int column; // 0-based
        QStringList names;
    };
    const std::vector<Step> steps = {
        {"first click: descending", 0, {"c", "B", "a", "9", "10"}},
        {"second click: ascending", 0, {"10", "9", "a", "B", "c"}},
        {"another column flips again, numbers as text", 9, {"c", "a", "10", "B", "9"}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        w.ListView1->scrollToItem(w.ListView1->topLevelItem(0), QAbstractItemView::EnsureVisible);
        w.ListView1->horizontalScrollBar()->setValue(s.column == 0 ? 0 : w.ListView1->horizontalScrollBar()->maximum());
        clickHeader(w.ListView1, s.column);
        EXPECT_EQ(columnTexts(w.ListView1, 0), s.names);
    }

    catalog.addRecord(QStringLiteral("Cher"), QStringLiteral("d"), QStringLiteral("01/02/1990"), QStringLiteral("1"), 5);
    showArtist(w, QStringLiteral("Cher"));
    EXPECT_EQ(columnTexts(w.ListView1, 0), (QStringList{"c", "d", "a", "10", "B", "9"})) << "a later load stays sorted";

    // The song list keeps an order of its own.
    catalog.addSong(QStringLiteral("Cher"), QStringLiteral("d"), QStringLiteral("alpha"));
    catalog.addSong(QStringLiteral("Cher"), QStringLiteral("d"), QStringLiteral("Beta"));
    w.ListView1->horizontalScrollBar()->setValue(0);
    QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {}, rowCentre(w.ListView1, 1));
    EXPECT_EQ(columnTexts(w.ListView2, 0), (QStringList{"alpha", "Beta"}));
    clickHeader(w.ListView2, 0);
    EXPECT_EQ(columnTexts(w.ListView2, 0), (QStringList{"Beta", "alpha"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ListsTest, AClickBesideTheRowsCountsAndAsksForARecordOnlyWhenThereAreRows)
{
    catalog.addArtist(QStringLiteral("Cher"));
    catalog.addRecord(QStringLiteral("Cher"), QStringLiteral("Believe"));
    catalog.addSong(QStringLiteral("Cher"), QStringLiteral("Believe"), QStringLiteral("Strong Enough"));
    catalog.addArtist(QStringLiteral("Abba"));
    ListProbe& w = load();

    showArtist(w, QStringLiteral("Abba"));
    QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {}, emptySpace(w.ListView1));
    EXPECT_TRUE(boxes.empty()) << "an empty list asks nothing";

    showArtist(w, QStringLiteral("Cher"));
    QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {}, rowCentre(w.ListView1, 0));
    ASSERT_EQ(w.ListView2->topLevelItemCount(), 1);
    boxes.answer(vb::vbOK);
    QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {}, emptySpace(w.ListView1));
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, "Please select a record.");
    EXPECT_EQ(boxes.calls()[0].style, vb::vbCritical);
    EXPECT_EQ(boxes.calls()[0].title, "User Error.");
    EXPECT_TRUE(w.ListView1->selectedItems().isEmpty());
    EXPECT_EQ(w.ListView2->topLevelItemCount(), 0) << "the song list is cleared";
}

TEST_F(ListsTest, AMissingOrDamagedDatabaseShowsTheErrorBoxAndLeavesTheListsEmpty)
{
    catalog.addArtist(QStringLiteral("Cher"));
    catalog.addRecord(QStringLiteral("Cher"), QStringLiteral("Believe"));
    ListProbe& w = load();
    showArtist(w, QStringLiteral("Cher"));
    ASSERT_EQ(w.ListView1->topLevelItemCount(), 1);

    const QString crlf = QStringLiteral("\r\n");
    const QString folder = vb::App::Path();
    const QString head = QStringLiteral("The Program encountered an error while accessing the database.") + crlf;
    const QString tail = crlf + "Make sure that the database files exist in " + folder + "." + crlf
                         + "Also make sure that you have permissions to read, write, and modify the directory "
                         + folder + "." + crlf;
    struct Case {
        const char* what;
        bool damaged;
    };
    for (const Case c : {Case{"missing", false}, Case{"damaged", true}}) {
        SCOPED_TRACE(c.what);
        QFile::remove(catalog.databasePath());
        if (c.damaged) {
            QFile f(catalog.databasePath());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(4096, 'x'));
        }
        testenv::ScriptedMsgBox local;
        local.answer(vb::vbOK);
        local.answer(vb::vbOK);
        showArtist(w, QStringLiteral("Cher"));
        CatalogEntry record;
        record.Artist = QStringLiteral("Cher");
        record.Record_Name = QStringLiteral("Believe");
        EXPECT_FALSE(w.LoadSongTitles(record));
        ASSERT_EQ(local.calls().size(), 2u);
        for (const vb::MsgBoxCall& call : local.calls()) {
            EXPECT_TRUE(call.prompt.startsWith(head)) << call.prompt.toStdString();
            EXPECT_TRUE(call.prompt.endsWith(tail)) << call.prompt.toStdString();
            EXPECT_GT(call.prompt.size(), head.size() + tail.size()) << "the error's description is shown";
            EXPECT_EQ(call.style, vb::vbCritical);
            EXPECT_EQ(call.title, vb::App::Title());
        }
        EXPECT_EQ(w.ListView1->topLevelItemCount(), 0);
        EXPECT_EQ(w.ListView2->topLevelItemCount(), 0);
        EXPECT_EQ(w.StatusBarListViewTop->Panels(1).Text(), "");
        EXPECT_EQ(w.StatusBar1->Panels(1).Text(), "Fetching the song titles for record Believe. Please wait...");
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ListsTest, ShownTextsFollowTheLocaleAndTheRowKeepsItsTypedValues)
{
    catalog.addArtist(QStringLiteral("Cher"));
    catalog.addRecord(QStringLiteral("Cher"), QStringLiteral("Full"), QStringLiteral("01/02/1990"),
                      QStringLiteral("1234.5678"), -7);
    catalog.exec(QStringLiteral("Insert into records ([Artist], [Record_Name]) Values ('Cher', 'Nulls')"));

    struct Case {
        QLocale locale;
        QStringList shown; // date, book value, quantity
    };
    const std::vector<Case> cases = {
        {QLocale(QLocale::English, QLocale::UnitedStates), {"01/02/1990", "1234.5678", "-7"}},
        {QLocale(QLocale::German, QLocale::Germany), {"01.02.1990", "1234,5678", "-7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        QLocale::setDefault(c.locale);
        ListProbe& w = load();
        showArtist(w, QStringLiteral("Cher"));
        ASSERT_EQ(w.ListView1->topLevelItemCount(), 2);
        const QTreeWidgetItem* full = w.ListView1->topLevelItem(0);
        EXPECT_EQ((QStringList{full->text(7), full->text(8), full->text(9)}), c.shown);

        CatalogEntry entry;
        entry.Artist = QStringLiteral("Cher");
        ReadRecordRow(full, entry);
        CatalogEntry expected;
        expected.Artist = QStringLiteral("Cher");
        expected.Record_Name = QStringLiteral("Full");
        expected.Record_Type = QStringLiteral("33-LP");
        expected.Record_Category = QStringLiteral("Jazz");
        expected.Label_Name = QStringLiteral("Label");
        expected.Label_Number = QStringLiteral("L-1");
        expected.Record_Condition = QStringLiteral("Mint");
        expected.Sleeve_Condition = QStringLiteral("Good");
        expected.Record_Date = vb::dateFromQDate(QDate(1990, 1, 2));
        expected.Book_Value = 12345678;
        expected.Quantity = -7;
        EXPECT_EQ(entry, expected);

        CatalogEntry empty;
        ReadRecordRow(w.ListView1->topLevelItem(1), empty);
        EXPECT_EQ(empty.Record_Date, std::nullopt);
        EXPECT_EQ(empty.Book_Value, std::nullopt);
        EXPECT_EQ(empty.Quantity, std::nullopt);
        EXPECT_EQ(empty.NullTexts, (QStringList{"Record_Type", "Record_Category", "Label_Name", "Label_Number",
                                                "Record_Condition", "Sleeve_Condition"}));
        // A later row read into the same entry leaves none of these behind.
        ReadRecordRow(full, empty);
        EXPECT_TRUE(empty.NullTexts.isEmpty());
        delete window.data();
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ListsTest, KeysDoubleClicksAndRightPressesStartTheirCommands)
{
    catalog.addArtist(QStringLiteral("Cher"));
    catalog.addRecord(QStringLiteral("Cher"), QStringLiteral("Believe"));
    catalog.addSong(QStringLiteral("Cher"), QStringLiteral("Believe"), QStringLiteral("Strong Enough"));
    ListProbe& w = load();
    showArtist(w, QStringLiteral("Cher"));

    struct Case {
        QTreeWidget* list;
        QMenu* popup;
        QAction* modify;
        QString deleteCommand, modifyCommand;
    };
    const std::vector<Case> cases = {
        {w.ListView1, w.mnuPopup, w.mnuPopupRename, "mnuDelete_Click", "mnuRename_Click"},
        {w.ListView2, w.mnuPopupSong, w.mnuPopupSongRename, "mnuPopupSongDelete_Click", "mnuPopupSongRename_Click"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list->objectName().toStdString());
        if (c.list == w.ListView2)
            QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {}, rowCentre(w.ListView1, 0));
        ASSERT_EQ(c.list->topLevelItemCount(), 1);
        c.list->clearSelection();
        QTest::mousePress(c.list->viewport(), Qt::RightButton, {}, rowCentre(c.list, 0));
        QTest::mouseRelease(c.list->viewport(), Qt::RightButton, {}, rowCentre(c.list, 0));
        EXPECT_FALSE(c.popup->isVisible()) << "no popup without a selected row";
        EXPECT_TRUE(c.list->selectedItems().isEmpty()) << "a right press selects nothing";

        c.list->topLevelItem(0)->setSelected(true);
        c.modify->setText(QStringLiteral("Rename"));
        QTest::mousePress(c.list->viewport(), Qt::RightButton, {}, rowCentre(c.list, 0));
        EXPECT_TRUE(c.popup->isVisible());
        EXPECT_EQ(c.modify->text(), "Modify");
        c.popup->close();

        w.ran.clear();
        QTest::keyClick(c.list, Qt::Key_Delete);
        QTest::keyClick(c.list, Qt::Key_A);
        QTest::mouseDClick(c.list->viewport(), Qt::LeftButton, {}, rowCentre(c.list, 0));
        EXPECT_EQ(w.ran, (QStringList{c.deleteCommand, c.modifyCommand}));
    }
    EXPECT_TRUE(boxes.empty());
}

// The window's own delete commands run: a stray key must show no box and
// delete nothing, while Delete still asks first.
TEST_F(ListsTest, OnlyTheDeleteKeyAsksToDeleteInTheTreeAndBothLists)
{
    catalog.addArtist(QStringLiteral("Cher"));
    catalog.addRecord(QStringLiteral("Cher"), QStringLiteral("Believe"));
    catalog.addSong(QStringLiteral("Cher"), QStringLiteral("Believe"), QStringLiteral("Strong Enough"));
    const std::unique_ptr<frmDatabaseExplorer> w = std::make_unique<frmDatabaseExplorer>();
    w->Load();
    w->TimerPopulateTree.stop();
    w->PopulateTree();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    // The delete command works on the view that has the focus.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    // Home, letters and digits move the selection of the view; each Delete
    // comes after choosing the artist, its record and its song again.
    auto choose = [&] {
        QTreeWidgetItem* node = testenv::treeNode(w->tv1, QStringLiteral("Cher"));
        ASSERT_TRUE(node);
        w->tv1->setCurrentItem(node);
        QTest::mouseClick(w->tv1->viewport(), Qt::LeftButton, {}, w->tv1->visualItemRect(node).center());
        ASSERT_EQ(w->ListView1->topLevelItemCount(), 1);
        QTest::mouseClick(w->ListView1->viewport(), Qt::LeftButton, {}, rowCentre(w->ListView1, 0));
        ASSERT_EQ(w->ListView2->topLevelItemCount(), 1);
        w->ListView2->topLevelItem(0)->setSelected(true);
    };
    choose();

    struct View {
        QTreeWidget* view;
        QString question;
    };
    const std::vector<View> views = {
        {w->tv1, "Are you sure you want to delete the folder, Cher, with all its related contents?"},
        {w->ListView1, "Are you sure you want to delete the selected record(s)?"},
        {w->ListView2, "Are you sure you want to delete the selected song title(s)?"},
    };
    for (const View& v : views) {
        SCOPED_TRACE(v.view->objectName().toStdString());
        v.view->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), v.view);
        for (const testenv::StrayKey& k : testenv::strayKeys()) {
            SCOPED_TRACE(k.name);
            const std::size_t before = boxes.calls().size();
            QTest::keyClick(v.view, k.key, k.modifiers);
            EXPECT_EQ(boxes.calls().size(), before);
        }
        EXPECT_EQ(catalog.count(QStringLiteral("select * from songs")), 1);
        EXPECT_EQ(catalog.count(QStringLiteral("select * from records")), 2);

        choose();
        v.view->setFocus();
        const std::size_t before = boxes.calls().size();
        boxes.answer(vb::vbNo);
        QTest::keyClick(v.view, Qt::Key_Delete);
        ASSERT_EQ(boxes.calls().size(), before + 1);
        EXPECT_EQ(boxes.calls().back().prompt, v.question);
        EXPECT_EQ(boxes.calls().back().style, vb::vbYesNo);
        EXPECT_EQ(catalog.count(QStringLiteral("select * from songs")), 1);
        EXPECT_EQ(catalog.count(QStringLiteral("select * from records")), 2);
    }
}

TEST_F(ListsTest, RowsKeepOneHeightWhateverColumnIsInView)
{
    catalog.addArtist(QStringLiteral("Cher"));
    for (const char* record : {"Believe", "Heart", "Love"})
        catalog.addRecord(QStringLiteral("Cher"), QLatin1String(record));
    ListProbe& w = load();
    w.resize(500, 600);
    // A font lower than the icons, so a row without its icon in view would shrink.
    QFont small = w.ListView1->font();
    small.setPixelSize(8);
    w.ListView1->setFont(small);
    showArtist(w, QStringLiteral("Cher"));
    ASSERT_EQ(w.ListView1->topLevelItemCount(), 3);
    QApplication::processEvents();

    auto heights = [&w] {
        QList<int> h;
        for (int i = 0; i < w.ListView1->topLevelItemCount(); ++i)
            h << w.ListView1->visualItemRect(w.ListView1->topLevelItem(i)).height();
        return h;
    };
    const QList<int> atStart = heights();
    ASSERT_GE(atStart.first(), w.ListView1->iconSize().height());
    EXPECT_EQ(atStart, QList<int>(3, atStart.first()));

    // The icon column scrolled out of view.
    QScrollBar* bar = w.ListView1->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    QApplication::processEvents();
    ASSERT_TRUE(w.ListView1->visualRect(w.ListView1->model()->index(0, 0)).right() < 0);
    EXPECT_EQ(heights(), atStart);
    // ... and the rows loaded again while it is out of view.
    showArtist(w, QStringLiteral("Cher"));
    QApplication::processEvents();
    ASSERT_TRUE(w.ListView1->visualRect(w.ListView1->model()->index(0, 0)).right() < 0);
    EXPECT_EQ(heights(), atStart);
    EXPECT_TRUE(boxes.empty());
}

} // namespace
