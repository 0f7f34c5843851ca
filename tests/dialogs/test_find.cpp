#include "catalog/ArtistAccounts.h"
#include "catalog/ProgramState.h"
#include "dialogs/FindResultModel.h"
#include "dialogs/frmAddArtist.h"
#include "dialogs/frmAddRecordName.h"
#include "dialogs/frmAddSongs.h"
#include "dialogs/frmFind.h"
#include "support/CatalogFixture.h"
#include "support/StrayKeys.h"
#include "support/QtPrint.h"
#include "support/TestEnv.h"
#include "help/Help.h"
#include "vb/App.h"
#include "vb/MsgBox.h"
#include "vb/TextBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kBadPattern = QStringLiteral(
    "Incorrect entry or invalid pattern string.  Please enter a value with no special characters.");

class FindTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramState();
        previousLocale_ = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void TearDown() override
    {
        if (frmFind* open = frmFindInstance().peek())
            open->cmdReturn_Click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QLocale::setDefault(previousLocale_);
        ResetProgramState();
    }

    frmFind& dialog() { return frmFindInstance()(); }

    // Picks the kind, types the text and presses "&Find Now".
    void find(const QString& kind, const QString& text)
    {
        frmFind& f = dialog();
        f.cmbFolderType->setCurrentText(kind);
        f.mlocate->setText(text);
        QTest::mouseClick(f.cmdRun, Qt::LeftButton);
    }

    QStringList column(int c)
    {
        QStringList texts;
        for (int r = 0; r < dialog().ListView1Rows->rows(); ++r)
            texts << dialog().ListView1Rows->cellText(r, c);
        return texts;
    }

    QStringList row(int r)
    {
        QStringList texts;
        for (int c = 0; c < dialog().ListView1Rows->columnCountShown(); ++c)
            texts << dialog().ListView1Rows->cellText(r, c);
        return texts;
    }

    QStringList headers()
    {
        QStringList texts;
        const FindResultModel* m = dialog().ListView1Rows;
        for (int c = 0; c < m->columnCountShown(); ++c)
            texts << m->headerData(c, Qt::Horizontal).toString();
        return texts;
    }

    QString count() { return dialog().StatusBar1Panel1->text(); }

    void select(std::initializer_list<int> rows)
    {
        QItemSelectionModel* s = dialog().ListView1->selectionModel();
        s->clearSelection();
        for (int r : rows)
            s->select(dialog().ListView1Rows->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QLocale previousLocale_;
};

TEST(FindStatementTest, TheThreeStatementsWholeAndNoneForAnotherKind)
{
    EXPECT_EQ(FindStatement("Artist", "ab"),
              " Select [Artist] , [Record_Name], [Label_Name], [Label_Number] , [Record_Type], [Record_Category] , "
              "[Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]   from records where "
              "[Artist]  Like '*ab*' and IsNull([Record_Name]) and [Artist] Not In ( Select [Artist]  from records "
              "where [Artist]  Like '*ab*' and Not IsNull([Record_Name])) Union Select [Artist] , [Record_Name], "
              "[Label_Name], [Label_Number] , [Record_Type], [Record_Category] , [Record_Condition], "
              "[Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]   from records where [Artist]  Like '*ab*' "
              "and Not IsNull([Record_Name]) group by  [Artist] , [Record_Name], [Label_Name], [Label_Number] , "
              "[Record_Type], [Record_Category] , [Record_Condition], [Sleeve_Condition], [Record_Date], "
              "[Book_Value], [Quantity]   Order by [Artist] , [Record_Name], [Record_Type], [Record_Name] ");
    EXPECT_EQ(FindStatement("Record Name", "ab"),
              " Select Distinct [Artist], [Record_Name], [Label_Name], [Label_Number],  [Record_Type], "
              "[Record_Category], [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]   "
              "from records  where [Record_Name]  Like '*ab*' Order by [Artist] , [Record_Name], [Record_Type], "
              "[Record_Name] ");
    EXPECT_EQ(FindStatement("Song Title", "ab"),
              " Select Distinctrow [Artist], [Record_Name], [Song_Title]  from songs  where [Song_Title]  Like '*ab*'");
    EXPECT_EQ(FindStatement("song title", "ab"), QString());
}

TEST_F(FindTest, OpensWithArtistStarAndAnEmptyList)
{
    testenv::CatalogFixture db;
    frmFind& f = dialog();
    EXPECT_EQ(f.Caption(), QStringLiteral("Discavo 3 - Find"));
    EXPECT_EQ(f.HelpContextID, 22);
    QStringList kinds;
    for (int i = 0; i < f.cmbFolderType->count(); ++i)
        kinds << f.cmbFolderType->itemText(i);
    EXPECT_EQ(kinds, (QStringList{"Artist", "Record Name", "Song Title"}));
    EXPECT_EQ(f.cmbFolderType->currentText(), QStringLiteral("Artist"));
    EXPECT_FALSE(f.cmbFolderType->isEditable());
    EXPECT_EQ(f.mlocate->text(), QStringLiteral("*"));
    EXPECT_EQ(f.mlocate->MaxLength(), 25);
    EXPECT_EQ(f.ListView1Rows->columnCountShown(), 0);
    EXPECT_EQ(f.ListView1Rows->rows(), 0);
    EXPECT_EQ(count(), QString());
    EXPECT_EQ(f.ListView1->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(f.ListView1->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(f.ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(f.fraFindResults->title(), QStringLiteral("Find Results"));
    EXPECT_EQ(f.cmdRun->text(), QStringLiteral("&Find Now"));
    EXPECT_EQ(f.cmdReturn->text(), QStringLiteral("Can&cel"));
    EXPECT_EQ(f.cmdHelp->text(), QStringLiteral("&Help"));
    // Tab order: kind, text, the three buttons, the list.
    auto next = [](QWidget* w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    EXPECT_EQ(next(f.cmbFolderType), f.mlocate);
    EXPECT_EQ(next(f.mlocate), f.cmdRun);
    EXPECT_EQ(next(f.cmdRun), f.cmdReturn);
    EXPECT_EQ(next(f.cmdReturn), f.cmdHelp);
    EXPECT_EQ(next(f.cmdHelp), f.ListView1);
}

TEST_F(FindTest, StarListsArtistsWithoutRecordsAndEveryRecordRow)
{
    testenv::CatalogFixture db;
    db.addArtist("Abba");
    db.addRecord("Abba", "Waterloo", "04/06/1974", "12.5", 3);
    db.addRecord("Abba", "Arrival", "10/11/1976", "7", 1);
    db.addArtist("Bowie"); // no records
    db.exec("Insert into records ([Artist], [Record_Name]) Values ('Cher', 'Believe')"); // Null date, value, quantity
    testenv::ScriptedMsgBox boxes;
    find("Artist", "*");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(headers(), (QStringList{"Artist", "Record Name", "Record Type", "Record Category", "Label Name",
                                      "Label Number", "Record Condition", "Sleeve Condition", "Record Date",
                                      "Book Value ", "Quantity "}));
    ASSERT_EQ(dialog().ListView1Rows->rows(), 4);
    EXPECT_EQ(column(0), (QStringList{"Abba", "Abba", "Bowie", "Cher"}));
    EXPECT_EQ(row(0), (QStringList{"Abba", "Arrival", "33-LP", "Jazz", "Label", "L-1", "Mint", "Good", "10/11/1976",
                                   "7", "1"}));
    EXPECT_EQ(row(1).mid(8), (QStringList{"04/06/1974", "12.5", "3"}));
    EXPECT_EQ(row(2), (QStringList{"Bowie", "", "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(row(3), (QStringList{"Cher", "Believe", "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(count(), QStringLiteral(" 4 objects found."));

    // The typed values come back whole, Nulls as missing.
    const CatalogEntry waterloo = dialog().ListView1Rows->entryAt(1);
    EXPECT_EQ(waterloo.Level, Level::Artist);
    EXPECT_EQ(waterloo.Book_Value, std::optional<vb::Currency>(125000));
    EXPECT_EQ(waterloo.Quantity, std::optional<std::int32_t>(3));
    EXPECT_EQ(waterloo.Record_Date, vb::dateFromQDate(QDate(1974, 4, 6)));
    const CatalogEntry believe = dialog().ListView1Rows->entryAt(3);
    EXPECT_FALSE(believe.Record_Date || believe.Book_Value || believe.Quantity);

    // Picking a kind empties the rows and the count, keeping the columns.
    dialog().cmbFolderType->setCurrentIndex(1);
    emit dialog().cmbFolderType->activated(1);
    EXPECT_EQ(dialog().ListView1Rows->rows(), 0);
    EXPECT_EQ(dialog().ListView1Rows->columnCountShown(), 11);
    EXPECT_EQ(count(), QString());
}

TEST_F(FindTest, KindsListTheirColumnsAndRows)
{
    testenv::CatalogFixture db;
    db.addArtist("Abba");
    db.addRecord("Abba", "Moonriver");
    db.addArtist("Doors");
    db.addRecord("Doors", "Moonlight Drive");
    db.addSong("Abba", "Moonriver", "Moonlight");
    db.addSong("Abba", "Moonriver", "Blue Moon");
    db.addSong("Doors", "Moonlight Drive", "The moonwalk");
    db.addSong("Doors", "Moonlight Drive", "Sunrise");
    testenv::ScriptedMsgBox boxes;

    find("Song Title", "moon");
    EXPECT_EQ(headers(), (QStringList{"Song Title", "Record Name", "Artist"}));
    EXPECT_EQ(column(0), (QStringList{"Blue Moon", "Moonlight", "The moonwalk"}));
    EXPECT_EQ(row(2), (QStringList{"The moonwalk", "Moonlight Drive", "Doors"}));
    EXPECT_EQ(count(), QStringLiteral(" 3 objects found."));
    EXPECT_EQ(dialog().ListView1Rows->entryAt(2).Level, Level::Song_Titles);

    find("Record Name", "light");
    EXPECT_EQ(headers().mid(0, 2), (QStringList{"Record Name", "Artist"}));
    EXPECT_EQ(headers().mid(9), (QStringList{"Book Value", "Quantity"}));
    EXPECT_EQ(row(0).mid(0, 2), (QStringList{"Moonlight Drive", "Doors"}));
    EXPECT_EQ(count(), QStringLiteral(" 1 object found."));

    find("Record Name", "nothing");
    EXPECT_EQ(count(), QStringLiteral(" 0 object found."));
    find("Record Name", "moon");
    EXPECT_EQ(count(), QStringLiteral(" 2 objects found."));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FindTest, ANewSearchHoldsNoRoomOfTheListBefore)
{
    testenv::CatalogFixture db;
    for (int a = 0; a < 2; ++a) {
        const QString artist = QStringLiteral("Artist %1").arg(a);
        db.addArtist(artist);
        for (int r = 0; r < 30; ++r)
            db.addRecord(artist, QStringLiteral("A record name of some length, number %1").arg(r));
    }
    db.addArtist("Solo");
    db.addRecord("Solo", "One");
    testenv::ScriptedMsgBox boxes;
    const FindResultModel& rows = *dialog().ListView1Rows;

    find("Artist", "*");
    ASSERT_EQ(rows.rows(), 61);
    const std::size_t full = rows.storageBytes();
    // The texts take no more room than they need once the rows are in.
    EXPECT_LT(full, std::size_t{61} * 200);

    // A list of one row after it, of each kind.
    for (const char* kind : {"Artist", "Record Name"}) {
        SCOPED_TRACE(kind);
        find("Artist", "*");
        find(kind, kind == QLatin1String("Artist") ? "Solo" : "One");
        ASSERT_EQ(rows.rows(), 1);
        EXPECT_EQ(rows.cellText(0, 0), kind == QLatin1String("Artist") ? "Solo" : "One");
        EXPECT_LT(rows.storageBytes(), std::size_t{256}) << "of " << full;
    }
    // Picking a kind empties the list and frees its room.
    find("Artist", "*");
    emit dialog().cmbFolderType->activated(1);
    EXPECT_EQ(rows.rows(), 0);
    EXPECT_LT(rows.storageBytes(), std::size_t{64});
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FindTest, PatternCharactersActAsTheEngineReadsThem)
{
    testenv::CatalogFixture db;
    db.addArtist("A");
    db.addRecord("A", "R");
    for (const char* title : {"Box", "Xeno", "100% Pure", "snake_case", "Dune"})
        db.addSong("A", "R", title);
    testenv::ScriptedMsgBox boxes;
    const struct {
        const char* text;
        QStringList titles;
    } cases[] = {
        {"[a-c]", {"Box", "snake_case"}},
        {"?x", {"Box"}},
        {"%", {"100% Pure"}},
        {"_", {"snake_case"}},
        {"*", {"100% Pure", "Box", "Dune", "snake_case", "Xeno"}},
    };
    for (const auto& c : cases) {
        find("Song Title", c.text);
        EXPECT_EQ(column(0), c.titles) << c.text;
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FindTest, RefusesBadSearchTextsAndKeepsTheList)
{
    testenv::CatalogFixture db;
    db.addArtist("Abba");
    testenv::ScriptedMsgBox boxes;
    find("Artist", "*");
    ASSERT_EQ(dialog().ListView1Rows->rows(), 1);
    for (const QString& text : {QStringLiteral("   "), QStringLiteral("it's"), QStringLiteral("a\"b"),
                                QStringLiteral("[ab"), QStringLiteral("ab]c[")}) {
        boxes.answer(vb::vbOK);
        find("Artist", text);
        ASSERT_FALSE(boxes.calls().empty()) << text.toStdString();
        EXPECT_EQ(boxes.calls().back().prompt, kBadPattern);
        EXPECT_EQ(boxes.calls().back().title, QStringLiteral("User Entry Error!"));
        EXPECT_EQ(boxes.calls().back().style, vb::vbCritical);
        EXPECT_EQ(dialog().mlocate->selectedText(), vb::Trim(text));
        EXPECT_EQ(dialog().ListView1Rows->rows(), 1);
        EXPECT_EQ(count(), QStringLiteral(" 1 object found."));
    }
    EXPECT_EQ(boxes.calls().size(), 5u);
}

TEST_F(FindTest, MissingCatalogueShowsTheErrorBoxAndAnEmptyList)
{
    testenv::CatalogFixture db;
    db.addArtist("Abba");
    testenv::ScriptedMsgBox boxes;
    find("Artist", "*");
    ASSERT_TRUE(QFile::remove(db.databasePath()));
    boxes.answer(vb::vbOK);
    find("Song Title", "*");
    ASSERT_EQ(boxes.calls().size(), 1u);
    const vb::MsgBoxCall& box = boxes.calls()[0];
    EXPECT_EQ(box.title, QStringLiteral("Discavo 3"));
    EXPECT_EQ(box.style, vb::vbCritical);
    const QString folder = vb::App::Path();
    EXPECT_TRUE(box.prompt.startsWith(
        QStringLiteral("The Program encountered an error while accessing the database.\r\n")));
    EXPECT_TRUE(box.prompt.endsWith(QStringLiteral("\r\nMake sure that the database files exist in ") + folder
                                    + QStringLiteral(".\r\nAlso make sure that you have permissions to read, write, "
                                                     "and modify the directory ")
                                    + folder + QStringLiteral(".\r\n")));
    EXPECT_EQ(headers(), (QStringList{"Song Title", "Record Name", "Artist"}));
    EXPECT_EQ(dialog().ListView1Rows->rows(), 0);
    EXPECT_EQ(count(), QStringLiteral(" 1 object found."));
}

TEST_F(FindTest, HeaderClicksFlipTheOrderWithoutRegardToCase)
{
    testenv::CatalogFixture db;
    db.addArtist("A");
    db.addRecord("A", "R1");
    db.addRecord("A", "R2");
    db.addSong("A", "R1", "beta");
    db.addSong("A", "R2", "Alpha");
    db.addSong("A", "R1", "gamma");
    testenv::ScriptedMsgBox boxes;
    find("Song Title", "*");
    EXPECT_EQ(column(0), (QStringList{"Alpha", "beta", "gamma"}));
    QHeaderView* header = dialog().ListView1->header();
    dialog().resize(600, 400);
    dialog().show();
    auto clickHeader = [&](int section) {
        const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    clickHeader(1);
    EXPECT_EQ(column(1), (QStringList{"R2", "R1", "R1"}));
    EXPECT_EQ(column(0).first(), QStringLiteral("Alpha"));
    clickHeader(0);
    EXPECT_EQ(column(0), (QStringList{"Alpha", "beta", "gamma"}));
    clickHeader(0);
    EXPECT_EQ(column(0), (QStringList{"gamma", "beta", "Alpha"}));
    // A new search sorts ascending by the column last clicked.
    find("Song Title", "a");
    EXPECT_EQ(column(0), (QStringList{"Alpha", "beta", "gamma"}));
}

TEST_F(FindTest, ListsSortByLettersBeforeAccentsAndCase)
{
    testenv::CatalogFixture db;
    db.addArtist("A");
    db.addRecord("A", "R");
    for (const char* title : {"Zoe", "\xc3\x89lan", "apple", "Ezra", "elan"})
        db.addSong("A", "R", QString::fromUtf8(title));
    testenv::ScriptedMsgBox boxes;
    find("Song Title", "*");
    EXPECT_EQ(column(0), (QStringList{"apple", "elan", QString::fromUtf8("\xc3\x89lan"), "Ezra", "Zoe"}));
}

TEST_F(FindTest, SelectionFollowsItsRowsThroughASort)
{
    testenv::CatalogFixture db;
    db.addArtist("A");
    db.addRecord("A", "R");
    for (const char* title : {"c", "a", "b", "d"})
        db.addSong("A", "R", title);
    testenv::ScriptedMsgBox boxes;
    find("Song Title", "*");
    select({0, 3}); // a, d
    dialog().ListView1_ColumnClick(1);
    EXPECT_EQ(column(0), (QStringList{"d", "c", "b", "a"}));
    EXPECT_EQ(dialog().SelectedRows(), (std::vector<int>{0, 3}));
    EXPECT_EQ(dialog().ListView1Rows->entryAt(3).Song_Title, QStringLiteral("a"));
}

TEST_F(FindTest, RightPressLeavesTheSelectionAndAsksForOneWhenNone)
{
    testenv::CatalogFixture db;
    db.addArtist("A");
    db.addRecord("A", "R");
    db.addSong("A", "R", "one");
    db.addSong("A", "R", "two");
    testenv::ScriptedMsgBox boxes;
    frmFind& f = dialog();
    f.resize(600, 400);
    f.show();
    // An empty list: nothing.
    QTest::mousePress(f.ListView1->viewport(), Qt::RightButton, {}, QPoint(20, 5));
    EXPECT_TRUE(boxes.empty());
    find("Song Title", "*");
    const QPoint onSecond = f.ListView1->visualRect(f.ListView1Rows->index(1, 0)).center();
    boxes.answer(vb::vbOK);
    QTest::mousePress(f.ListView1->viewport(), Qt::RightButton, {}, onSecond);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, QStringLiteral("Please select a record."));
    EXPECT_EQ(boxes.calls()[0].title, QStringLiteral("User Error."));
    EXPECT_EQ(boxes.calls()[0].style, vb::vbCritical);
    EXPECT_TRUE(f.SelectedRows().empty());
    select({0});
    QTest::mousePress(f.ListView1->viewport(), Qt::RightButton, {}, onSecond);
    EXPECT_TRUE(f.mnuPopup->isVisible());
    f.mnuPopup->hide();
    EXPECT_EQ(f.SelectedRows(), (std::vector<int>{0}));
    QStringList items;
    for (QAction* a : f.mnuPopup->actions())
        items << a->text();
    EXPECT_EQ(items, (QStringList{"&Modify", "&Delete"}));
}

TEST_F(FindTest, DeleteKeyAsksOnceForSeveralSongs)
{
    testenv::CatalogFixture db;
    db.addArtist("A");
    db.addRecord("A", "R1");
    db.addRecord("A", "R2");
    for (const char* title : {"s1", "s2", "s3", "s4"})
        db.addSong("A", "R1", title);
    db.addSong("A", "R2", "s1"); // the same title on another record stays
    testenv::ScriptedMsgBox boxes;
    find("Song Title", "s");
    ASSERT_EQ(column(1), (QStringList{"R1", "R2", "R1", "R1", "R1"}));
    select({0, 2, 3});

    boxes.answer(vb::vbNo);
    QTest::keyClick(dialog().ListView1, Qt::Key_Delete);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(db.count("select * from songs"), 5);
    EXPECT_EQ(dialog().ListView1Rows->rows(), 5);

    select({0, 2, 3});
    boxes.answer(vb::vbYes);
    QTest::keyClick(dialog().ListView1, Qt::Key_Delete);
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[1].prompt, QStringLiteral("Are you sure you want to delete the selected song title(s)?"));
    EXPECT_EQ(boxes.calls()[1].title, QStringLiteral("Confirm Record Delete"));
    EXPECT_EQ(db.rows("select [Record_Name], [Song_Title] from songs order by [Record_Name], [Song_Title]"),
              (QStringList{"R1|s4", "R2|s1"}));
    EXPECT_EQ(column(0), (QStringList{"s1", "s4"}));
    EXPECT_EQ(count(), QStringLiteral(" 2 objects found."));
}

// The search text's limit stops the typing before a character that does not
// fit whole; a search never carries half of one.
TEST_F(FindTest, TheSearchTextLimitLeavesOutACharacterThatDoesNotFitWhole)
{
    const QString guitar = QString::fromUtf8("\xF0\x9F\x8E\xB8");
    frmFind& f = dialog();
    f.mlocate->clear();
    QTest::keyClicks(f.mlocate, QString(24, u'a'));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, guitar);
    QApplication::sendEvent(f.mlocate, &press);
    EXPECT_EQ(f.mlocate->text(), QString(24, u'a'));
    f.mlocate->setText(QString(23, u'a'));
    f.mlocate->end(false);
    QApplication::sendEvent(f.mlocate, &press);
    EXPECT_EQ(f.mlocate->text(), QString(23, u'a') + guitar);
}

TEST_F(FindTest, OnlyTheDeleteKeyAsksToDeleteTheHits)
{
    testenv::CatalogFixture db;
    db.addArtist("A");
    db.addRecord("A", "R1");
    db.addSong("A", "R1", "s1");
    testenv::ScriptedMsgBox boxes;
    for (const char* kind : {"Artist", "Record Name", "Song Title"}) {
        SCOPED_TRACE(kind);
        find(kind, "*");
        ASSERT_GE(dialog().ListView1Rows->rows(), 1);
        select({0});
        dialog().ListView1->setFocus();
        for (const testenv::StrayKey& k : testenv::strayKeys()) {
            SCOPED_TRACE(k.name);
            QTest::keyClick(dialog().ListView1, k.key, k.modifiers);
            EXPECT_TRUE(boxes.empty());
        }
        EXPECT_EQ(db.count("select * from records"), 2);
        EXPECT_EQ(db.count("select * from songs"), 1);
    }
    boxes.answer(vb::vbNo);
    QTest::keyClick(dialog().ListView1, Qt::Key_Delete);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, QStringLiteral("Are you sure you want to delete the selected song title(s)?"));
    EXPECT_EQ(db.count("select * from songs"), 1);
}

TEST_F(FindTest, DeleteFindsItsRecordUnderAnotherLocaleAndRerunsTheListedSearch)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    testenv::CatalogFixture db;
    db.addArtist("A");
    db.addRecord("A", "Night One", "12/31/1999", "12.5", 7);
    db.addRecord("A", "Night Two", "01/02/2000", "0.25", 1);
    db.addSong("A", "Night One", "Song");
    db.exec("Insert into records ([Artist], [Record_Name]) Values ('A', 'Night Null')"); // Null cells
    testenv::ScriptedMsgBox boxes;
    find("Record Name", "night");
    ASSERT_EQ(dialog().ListView1Rows->rows(), 3);
    EXPECT_EQ(row(1).mid(8), (QStringList{"12.31.1999", "12,5", "7"}));
    dialog().mlocate->setText("nothing at all");
    select({0, 1});
    boxes.answer(vb::vbYes);
    dialog().mnuPopupDelete_Click();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, QStringLiteral("Are you sure you want to delete the selected record(s)?"));
    EXPECT_EQ(db.rows("select [Record_Name] from records where Not IsNull([Record_Name])"), QStringList{"Night Two"});
    EXPECT_EQ(db.count("select * from songs"), 0);
    // The search that listed the rows ran again, not the text typed since.
    EXPECT_EQ(column(0), QStringList{"Night Two"});
    EXPECT_EQ(count(), QStringLiteral(" 1 object found."));
}

TEST_F(FindTest, ArtistDeleteTakesItsAccountSoTheNameIsFreeAgain)
{
    testenv::CatalogFixture db;
    testenv::ScriptedMsgBox boxes;
    for (const char* name : {"Zed", "Yak", "Keep"}) {
        bool ok = false;
        AddUser(name, ArtistAccount::Password, ok);
        ASSERT_TRUE(ok);
        db.addArtist(name);
    }
    db.addRecord("Zed", "Z1");
    db.addRecord("Zed", "Z2");
    db.addSong("Zed", "Z1", "zz");
    find("Artist", "*");
    ASSERT_EQ(column(0), (QStringList{"Keep", "Yak", "Zed", "Zed"}));
    select({1, 2, 3});
    boxes.answer(vb::vbYes);
    boxes.answer(vb::vbYes);
    dialog().mnuPopupDelete_Click();
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[0].prompt, QStringLiteral("Are you sure you want to delete Yak, with all its contents?"));
    EXPECT_EQ(boxes.calls()[1].prompt, QStringLiteral("Are you sure you want to delete Zed, with all its contents?"));
    EXPECT_EQ(db.rows("select [Artist] from records"), QStringList{"Keep"});
    EXPECT_EQ(db.count("select * from songs"), 0);
    for (const char* name : {"Zed", "Yak"}) {
        bool found = true;
        UserExists(name, found);
        EXPECT_FALSE(found) << name;
    }
    bool kept = false;
    UserExists("Keep", kept);
    EXPECT_TRUE(kept);
    EXPECT_EQ(column(0), QStringList{"Keep"});
}

TEST_F(FindTest, ArtistDeleteAnsweredNoKeepsThatArtist)
{
    testenv::CatalogFixture db;
    testenv::ScriptedMsgBox boxes;
    bool ok = false;
    AddUser("Zed", ArtistAccount::Password, ok);
    db.addArtist("Zed");
    find("Artist", "*");
    select({0});
    boxes.answer(vb::vbNo);
    dialog().mnuPopupDelete_Click();
    EXPECT_EQ(db.count("select * from records"), 1);
    bool found = false;
    UserExists("Zed", found);
    EXPECT_TRUE(found);
}

// Double-clicks a row and runs `inDialog` once the entry dialog it opens is up.
void doubleClickRow(frmFind& f, int row, const std::function<void(QWidget*)>& inDialog)
{
    f.resize(700, 400);
    f.show();
    QApplication::processEvents();
    const QPoint at = f.ListView1->visualRect(f.ListView1Rows->index(row, 0)).center();
    QTest::mouseClick(f.ListView1->viewport(), Qt::LeftButton, {}, at);
    testenv::withWatchdog(5000, [&] {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                poll.stop();
                inDialog(modal);
            }
        });
        poll.start(10);
        QTest::mouseDClick(f.ListView1->viewport(), Qt::LeftButton, {}, at);
    });
}

TEST_F(FindTest, DoubleClickOpensTheKindsDialogPrefilled)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    testenv::CatalogFixture db;
    db.addArtist("Cher");
    db.addRecord("Cher", "Believe", "03/04/2005", "1234.5678", 7);
    db.addSong("Cher", "Believe", "Strong Enough");
    db.addSong("Cher", "Believe", "Believe");
    testenv::ScriptedMsgBox boxes;

    find("Record Name", "*");
    doubleClickRow(dialog(), 0, [](QWidget* w) {
        auto* dlg = qobject_cast<frmAddRecordName*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->mArtist->Text(), QStringLiteral("Cher"));
        EXPECT_FALSE(dlg->mArtist->isEnabled());
        EXPECT_EQ(dlg->mRecordName->Text(), QStringLiteral("Believe"));
        EXPECT_EQ(dlg->mRecordDate->Text(), QStringLiteral("03/04/2005"));
        EXPECT_EQ(dlg->mBookValue->Text(), QStringLiteral("1234.5678"));
        EXPECT_EQ(dlg->mQuantity->Text(), QStringLiteral("7"));
        dlg->cmdCancel->click();
    });
    EXPECT_TRUE(ModifyMode);
    EXPECT_EQ(frmAddRecordNameInstance().peek(), nullptr);
    EXPECT_EQ(count(), QStringLiteral(" 1 object found."));

    // A song saved under a new title shows in the list run again.
    find("Song Title", "Strong");
    dialog().mlocate->setText(QStringLiteral("typed since"));
    doubleClickRow(dialog(), 0, [](QWidget* w) {
        auto* dlg = qobject_cast<frmAddSongs*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_FALSE(dlg->mArtist->isEnabled());
        EXPECT_FALSE(dlg->mRecordName->isEnabled());
        EXPECT_TRUE(dlg->mSongTitle->isEnabled());
        EXPECT_EQ(dlg->mSongTitle->Text(), QStringLiteral("Strong Enough"));
        dlg->mSongTitle->setText(QStringLiteral("Strong Enough Remix"));
        dlg->cmdSave->click();
    });
    EXPECT_EQ(column(0), QStringList{"Strong Enough Remix"});
    EXPECT_EQ(db.rows("select [Song_Title] from songs order by [Song_Title]"),
              (QStringList{"Believe", "Strong Enough Remix"}));

    find("Artist", "*");
    doubleClickRow(dialog(), 0, [](QWidget* w) {
        auto* dlg = qobject_cast<frmAddArtist*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->mArtist->Text(), QStringLiteral("Cher"));
        dlg->cmdCancel->click();
    });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FindTest, GrowingAndShrinkingBackPutsEveryControlWhereItWas)
{
    testenv::CatalogFixture db;
    testenv::ScriptedMsgBox boxes;
    frmFind& f = dialog();
    f.show();
    QApplication::processEvents();
    find("Song Title", "*");
    const QSize start = f.size();
    const QList<QWidget*> controls = f.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)
                                     + f.Frame1->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)
                                     + QList<QWidget*>{f.ListView1};
    std::vector<QRect> before;
    for (QWidget* w : controls)
        before.push_back(w->geometry());
    const int mlocateHeight = f.mlocate->height();

    for (const QSize& other : {QSize(start.width() * 3 / 2 + 7, start.height() * 2 + 3), QSize(401, 313)}) {
        f.resize(other);
        QApplication::processEvents();
        EXPECT_EQ(f.mlocate->height(), mlocateHeight);
        EXPECT_EQ(f.StatusBar1->geometry().bottom(), f.height() - 1);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(f.ListView1->columnWidth(c), f.ListView1->width() / 3);
        f.resize(start);
        QApplication::processEvents();
        for (int i = 0; i < controls.size(); ++i)
            EXPECT_EQ(controls[i]->geometry(), before[static_cast<std::size_t>(i)]) << controls[i]->objectName().toStdString();
    }
    EXPECT_EQ(count(), QStringLiteral(" 0 object found."));
}

TEST_F(FindTest, HelpAsksForTopic22OfTheHelpFile)
{
    testenv::CatalogFixture db;
    std::vector<help::Request> requests;
    help::setRequestHandler([&](const help::Request& r) {
        requests.push_back(r);
        return true;
    });
    vb::App::setHelpFile(vb::App::file(QStringLiteral("record.hlp")));
    QTest::mouseClick(dialog().cmdHelp, Qt::LeftButton);
    help::setRequestHandler({});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].file, vb::App::file(QStringLiteral("record.hlp")));
    EXPECT_EQ(requests[0].command, HELP_CONTEXT);
    EXPECT_EQ(requests[0].context, 22u);
}

TEST_F(FindTest, CancelAndTheCloseBoxCloseOnce)
{
    testenv::CatalogFixture db;
    frmFind* first = &dialog();
    first->show();
    QTest::keyClick(first, Qt::Key_Escape);
    EXPECT_TRUE(first->isVisible());
    first->close();
    EXPECT_EQ(frmFindInstance().peek(), nullptr);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    frmFind& second = dialog();
    EXPECT_EQ(second.mlocate->text(), QStringLiteral("*"));
    QTest::mouseClick(second.cmdReturn, Qt::LeftButton);
    EXPECT_EQ(frmFindInstance().peek(), nullptr);
}

} // namespace
