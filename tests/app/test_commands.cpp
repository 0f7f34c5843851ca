#include "app/CatalogFunctions.h"
#include "app/frmDatabaseExplorer.h"
#include "catalog/ArtistAccounts.h"
#include "catalog/ProgramState.h"
#include "dialogs/frmAddArtist.h"
#include "dialogs/frmAddRecordName.h"
#include "dialogs/frmAddSongs.h"
#include "jet/Testing.h"
#include "support/CatalogFixture.h"
#include "support/ExplorerTesting.h"
#include "support/QtPrint.h"
#include "support/TestEnv.h"
#include "vb/MsgBox.h"
#include "vb/TextBox.h"
#include "widgets/ListRow.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// The main window with the exit recorded instead of run.
class CommandProbe : public frmDatabaseExplorer {
public:
    void mnuExit_Click() override {}
};

const QString kRecordQuestion = QStringLiteral("Are you sure you want to delete the selected record(s)?");
const QString kSongQuestion = QStringLiteral("Are you sure you want to delete the selected song title(s)?");
const QString kTwoLines =
    QStringLiteral("You must select an entry to delete it.\r\nThe entry cannot be the database.");

using testenv::columnTexts;
using testenv::showArtist;
using testenv::treeNode;

class CommandsTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ResetProgramState();
        AppRunning = true;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void TearDown() override
    {
        jet::testing::clearFailures();
        delete window.data();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QLocale::setDefault(previousLocale_);
        ResetProgramState();
    }

    // A shown, active window with the tree filled.
    CommandProbe& load()
    {
        window = new CommandProbe;
        window->Load();
        window->TimerPopulateTree.stop();
        window->PopulateTree();
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.data()));
        return *window;
    }

    static void focus(QWidget* widget)
    {
        widget->setFocus(Qt::OtherFocusReason);
        EXPECT_TRUE(QTest::qWaitFor([widget] { return QApplication::focusWidget() == widget; }, 2000));
    }

    static void selectRows(QTreeWidget* list, const QList<int>& rows)
    {
        list->clearSelection();
        for (int row : rows)
            list->topLevelItem(row)->setSelected(true);
    }


    // The prompts of the boxes shown since the first `from` ones.
    QStringList prompts(std::size_t from = 0) const
    {
        QStringList texts;
        for (std::size_t i = from; i < boxes.calls().size(); ++i)
            texts << boxes.calls()[i].prompt;
        return texts;
    }

    void seedThreeRecords()
    {
        catalog.addArtist(QStringLiteral("ABBA"));
        catalog.addArtist(QStringLiteral("Cher"));
        catalog.addRecord(QStringLiteral("ABBA"), QStringLiteral("Arrival"));
        for (const char* record : {"Believe", "Heart", "Love"}) {
            catalog.addRecord(QStringLiteral("Cher"), QLatin1String(record));
            catalog.addSong(QStringLiteral("Cher"), QLatin1String(record), QStringLiteral("Song of ") + record);
        }
    }

    QStringList cherRecords() const
    {
        return catalog.rows(QStringLiteral("Select [Record_Name] from records where [Artist] = 'Cher' and "
                                           "[Record_Name] Is Not Null Order by [Record_Name]"));
    }

    testenv::CatalogFixture catalog;
    testenv::ScriptedMsgBox boxes;
    QPointer<CommandProbe> window;

private:
    QLocale previousLocale_;
};

TEST_F(CommandsTest, DeleteOfSeveralRecordsAsksOnceAndNeverTheArtistQuestion)
{
    for (const int answer : {vb::vbNo, vb::vbYes}) {
        SCOPED_TRACE(answer == vb::vbYes ? "Yes" : "No");
        seedThreeRecords();
        CommandProbe& w = load();
        showArtist(w, QStringLiteral("Cher"));
        selectRows(w.ListView1, {0, 1, 2});
        w.ListView2->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("stale")}));
        focus(w.ListView1);
        const std::size_t start = boxes.calls().size();
        boxes.answer(answer);
        w.mnuDelete_Click();

        ASSERT_EQ(boxes.calls().size(), start + 1);
        EXPECT_EQ(boxes.calls()[start].prompt, kRecordQuestion);
        EXPECT_EQ(boxes.calls()[start].title, "Confirm Record Delete");
        const QStringList left = answer == vb::vbYes ? QStringList{} : QStringList{"Believe", "Heart", "Love"};
        EXPECT_EQ(cherRecords(), left);
        EXPECT_EQ(catalog.count(QStringLiteral("Select * from songs")), answer == vb::vbYes ? 0 : 3);
        // The artist stays, its list reloaded; ABBA untouched.
        EXPECT_EQ(columnTexts(w.ListView1), left);
        EXPECT_EQ(w.ListView2->topLevelItemCount(), 0);
        EXPECT_EQ(catalog.count(QStringLiteral("Select * from records where [Artist] = 'ABBA'")), 2);
        EXPECT_EQ(catalog.count(QStringLiteral("Select * from records where [Artist] = 'Cher'")), 1 + left.size());
        EXPECT_TRUE(frmDatabaseExplorer::Enabled(w.mnuNewRecordName));

        delete window.data();
        catalog.exec(QStringList{QStringLiteral("delete * from records"), QStringLiteral("delete * from songs")});
    }
}

TEST_F(CommandsTest, TheToolbarDeleteFollowsTheFocusedControl)
{
    seedThreeRecords();
    CommandProbe& w = load();
    showArtist(w, QStringLiteral("Cher"));
    CatalogEntry artist;
    artist.Level = Level::Artist;
    w.SetMenuState(artist);
    auto* button = w.Toolbar1->findChild<QWidget*>(QStringLiteral("Button5"));
    ASSERT_TRUE(button);

    // The record list keeps the focus through the click: the record road.
    selectRows(w.ListView1, {1});
    focus(w.ListView1);
    boxes.answer(vb::vbYes);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), w.ListView1);
    EXPECT_EQ(prompts(), QStringList{kRecordQuestion});
    EXPECT_EQ(cherRecords(), (QStringList{"Believe", "Love"}));

    // The tree focused: the artist road, and the artist goes with its account.
    bool added = false;
    AddUser(QStringLiteral("Cher"), ArtistAccount::Password, added);
    ASSERT_TRUE(added);
    focus(w.tv1);
    boxes.answer(vb::vbYes);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(prompts(1), QStringList{"Are you sure you want to delete the folder, Cher, with all its related contents?"});
    EXPECT_EQ(cherRecords(), QStringList{});
    EXPECT_EQ(w.tv1->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(w.ListView2->topLevelItemCount(), 0);
    EXPECT_TRUE(frmDatabaseExplorer::Enabled(w.mnuNewArtist));
    bool found = true;
    UserExists(QStringLiteral("Cher"), found);
    EXPECT_FALSE(found);
}

TEST_F(CommandsTest, EachPreconditionShowsItsMessageAndChangesNothing)
{
    struct Case {
        const char* name;
        std::function<void(CommandsTest&, CommandProbe&)> arrange;
        void (frmDatabaseExplorer::*command)();
        QString message;
    };
    auto onRoot = [](CommandsTest&, CommandProbe& w) { w.tv1->setCurrentItem(w.tv1->topLevelItem(0)); };
    auto artistOnly = [](CommandsTest&, CommandProbe& w) { showArtist(w, QStringLiteral("Cher")); };
    // The list was loaded for Cher, then the tree selection moved to ABBA by the keyboard.
    auto movedAway = [](CommandsTest&, CommandProbe& w) {
        showArtist(w, QStringLiteral("Cher"));
        selectRows(w.ListView1, {0});
        w.tv1->setCurrentItem(treeNode(w.tv1, QStringLiteral("ABBA")));
    };
    const std::vector<Case> cases = {
        {"new record, root selected", onRoot, &frmDatabaseExplorer::mnuNewRecordName_Click,
         "You must selected a corresponding Artist in order to add a new Record."},
        {"new song, no record row", artistOnly, &frmDatabaseExplorer::mnuNewSong_Click,
         "You must selected a corresponding Record in order to add a new song titles."},
        {"new song, list of another artist", movedAway, &frmDatabaseExplorer::mnuNewSong_Click,
         "You must selected a corresponding Record in order to add a new song titles."},
        {"rename, record list without a row",
         [](CommandsTest&, CommandProbe& w) {
             showArtist(w, QStringLiteral("Cher"));
             focus(w.ListView1);
         },
         &frmDatabaseExplorer::mnuRename_Click, "You must selected an entry to rename it."},
        {"rename, record list of another artist",
         [&](CommandsTest& t, CommandProbe& w) {
             movedAway(t, w);
             focus(w.ListView1);
         },
         &frmDatabaseExplorer::mnuRename_Click, "You must selected an entry to rename it."},
        {"song modify without a song", artistOnly, &frmDatabaseExplorer::mnuPopupSongRename_Click,
         "You must select an entry to rename it."},
        {"delete, song list without a song",
         [](CommandsTest&, CommandProbe& w) {
             showArtist(w, QStringLiteral("Cher"));
             focus(w.ListView2);
         },
         &frmDatabaseExplorer::mnuDelete_Click, "You must select an entry to delete it."},
        {"delete, root in the focused tree",
         [&](CommandsTest& t, CommandProbe& w) {
             onRoot(t, w);
             focus(w.tv1);
         },
         &frmDatabaseExplorer::mnuDelete_Click, kTwoLines},
        {"delete, record list without a row",
         [](CommandsTest&, CommandProbe& w) {
             showArtist(w, QStringLiteral("Cher"));
             focus(w.ListView1);
         },
         &frmDatabaseExplorer::mnuDelete_Click, kTwoLines},
        {"delete, record list of another artist",
         [&](CommandsTest& t, CommandProbe& w) {
             movedAway(t, w);
             focus(w.ListView1);
         },
         &frmDatabaseExplorer::mnuDelete_Click, kTwoLines},
    };
    seedThreeRecords();
    const QStringList records = catalog.rows(QStringLiteral("Select * from records"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommandProbe& w = load();
        c.arrange(*this, w);
        const QStringList listed = columnTexts(w.ListView1);
        const std::size_t start = boxes.calls().size();
        boxes.answer(vb::vbOK);
        testenv::withWatchdog(5000, [&] { (w.*c.command)(); });
        ASSERT_EQ(boxes.calls().size(), start + 1);
        EXPECT_EQ(boxes.calls()[start].prompt, c.message);
        EXPECT_EQ(boxes.calls()[start].style, vb::vbInformation);
        EXPECT_EQ(boxes.calls()[start].title, "User Error.");
        EXPECT_EQ(frmAddRecordNameInstance().peek(), nullptr);
        EXPECT_EQ(frmAddSongsInstance().peek(), nullptr);
        EXPECT_EQ(catalog.rows(QStringLiteral("Select * from records")), records);
        EXPECT_EQ(catalog.count(QStringLiteral("Select * from songs")), 3);
        EXPECT_EQ(columnTexts(w.ListView1), listed);
        delete window.data();
    }
}

TEST_F(CommandsTest, RenameOnTheFocusedTreeStartsTheInPlaceEdit)
{
    catalog.addArtist(QStringLiteral("Cher"));
    CommandProbe& w = load();
    focus(w.tv1);

    // The root refuses the edit without a message.
    w.tv1->setCurrentItem(w.tv1->topLevelItem(0));
    w.mnuRename_Click();
    EXPECT_EQ(w.tv1->viewport()->findChild<QLineEdit*>(), nullptr);

    w.tv1->setCurrentItem(treeNode(w.tv1, QStringLiteral("Cher")));
    focus(w.tv1);
    w.mnuRename_Click();
    auto* editor = w.tv1->viewport()->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), "Cher");
    EXPECT_TRUE(ModifyMode);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CommandsTest, ModifyOpensTheFirstSelectedRecordAndARecordWithNullCellsIsFoundAgain)
{
    catalog.addArtist(QStringLiteral("Cher"));
    catalog.addRecord(QStringLiteral("Cher"), QStringLiteral("Believe"), QStringLiteral("03/04/2005"),
                      QStringLiteral("12.5"), 2);
    catalog.exec(QStringLiteral("Insert into records ([Artist], [Record_Name], [Record_Type], [Record_Category], "
                                "[Record_Condition], [Sleeve_Condition]) Values ('Cher', 'Closer', '33-LP', 'Pop', "
                                "'Mint', 'Good')"));
    catalog.addSong(QStringLiteral("Cher"), QStringLiteral("Closer"), QStringLiteral("Song"));
    CommandProbe& w = load();
    showArtist(w, QStringLiteral("Cher"));
    selectRows(w.ListView1, {0, 1});
    focus(w.ListView1);

    // Two rows selected: the dialog opens once, for the first; Cancel changes nothing.
    int opened = 0;
    testenv::withWatchdog(5000, [&] {
        testenv::later(0, [&] {
            frmAddRecordName* dlg = frmAddRecordNameInstance().peek();
            ASSERT_TRUE(dlg);
            ++opened;
            EXPECT_EQ(dlg->mRecordName->Text(), "Believe");
            EXPECT_EQ(dlg->mRecordDate->Text(), "03/04/2005");
            EXPECT_FALSE(dlg->mArtist->isEnabled());
            dlg->cmdCancel->click();
        });
        w.mnuRename_Click();
    });
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(CurrentEntry.Level, Level::Record_Name);

    // The record with Null label cells and missing values: prefilled empty, saved, found by the update.
    selectRows(w.ListView1, {1});
    focus(w.ListView1);
    testenv::withWatchdog(5000, [&] {
        testenv::later(0, [&] {
            frmAddRecordName* dlg = frmAddRecordNameInstance().peek();
            ASSERT_TRUE(dlg);
            EXPECT_EQ(dlg->mRecordName->Text(), "Closer");
            EXPECT_EQ(dlg->mLabelName->Text(), "");
            EXPECT_EQ(dlg->mBookValue->Text(), "");
            EXPECT_EQ(dlg->mQuantity->Text(), "");
            dlg->mLabelName->setText(QStringLiteral("Verve"));
            dlg->mLabelNumber->setText(QStringLiteral("V-1"));
            dlg->mRecordDate->setText(QStringLiteral("01/02/2003"));
            dlg->mBookValue->setText(QStringLiteral("7"));
            dlg->mQuantity->setText(QStringLiteral("1"));
            dlg->cmdSave->click();
        });
        w.mnuRename_Click();
    });
    EXPECT_EQ(frmAddRecordNameInstance().peek(), nullptr);
    EXPECT_EQ(catalog.rows(QStringLiteral("Select [Label_Name], [Label_Number], [Quantity] from records where "
                                          "[Record_Name] = 'Closer'")),
              QStringList{"Verve|V-1|1"});
    EXPECT_EQ(columnTexts(w.ListView1, 3), (QStringList{"Label", "Verve"}));
    EXPECT_EQ(w.ListView2->topLevelItemCount(), 0);

    // ... and a row whose cells are Null is deleted too.
    catalog.exec(QStringLiteral("Insert into records ([Artist], [Record_Name]) Values ('Cher', 'Dove')"));
    showArtist(w, QStringLiteral("Cher"));
    selectRows(w.ListView1, {2});
    focus(w.ListView1);
    const std::size_t start = boxes.calls().size();
    boxes.answer(vb::vbYes);
    w.mnuDelete_Click();
    EXPECT_EQ(prompts(start), QStringList{kRecordQuestion});
    EXPECT_EQ(catalog.count(QStringLiteral("Select * from records where [Record_Name] = 'Dove'")), 0);
    EXPECT_EQ(columnTexts(w.ListView1), (QStringList{"Believe", "Closer"}));
}

TEST_F(CommandsTest, ADoubleClickedRowOpensItsDialogAndTheReloadedListsSelectNothing)
{
    seedThreeRecords();
    CommandProbe& w = load();
    showArtist(w, QStringLiteral("Cher"));
    const QRect row = w.ListView1->visualItemRect(w.ListView1->topLevelItem(1));
    const QPoint at(row.left() + 30, row.center().y());
    QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(w.ListView2->topLevelItemCount(), 1);

    QString opened;
    testenv::withWatchdog(5000, [&] {
        testenv::later(0, [&] {
            frmAddRecordName* dlg = frmAddRecordNameInstance().peek();
            ASSERT_TRUE(dlg);
            opened = dlg->mRecordName->Text();
            // Another command while this one waits for its dialog does nothing.
            w.mnuDelete_Click();
            w.mnuNewArtist_Click();
            EXPECT_EQ(frmAddArtistInstance().peek(), nullptr);
            dlg->cmdCancel->click();
        });
        QTest::mouseDClick(w.ListView1->viewport(), Qt::LeftButton, {}, at);
    });
    EXPECT_EQ(opened, "Heart");
    EXPECT_EQ(SelectedRow(w.ListView1), nullptr);
    EXPECT_EQ(w.ListView2->topLevelItemCount(), 0);

    // A song row: the song dialog, its list reloaded with nothing selected.
    QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {}, at);
    const QRect song = w.ListView2->visualItemRect(w.ListView2->topLevelItem(0));
    QTest::mouseClick(w.ListView2->viewport(), Qt::LeftButton, {}, QPoint(song.left() + 30, song.center().y()));
    testenv::withWatchdog(5000, [&] {
        testenv::later(0, [&] {
            frmAddSongs* dlg = frmAddSongsInstance().peek();
            ASSERT_TRUE(dlg);
            opened = dlg->mSongTitle->Text();
            EXPECT_FALSE(dlg->mArtist->isEnabled());
            EXPECT_FALSE(dlg->mRecordName->isEnabled());
            dlg->cmdCancel->click();
        });
        QTest::mouseDClick(w.ListView2->viewport(), Qt::LeftButton, {}, QPoint(song.left() + 30, song.center().y()));
    });
    EXPECT_EQ(opened, "Song of Heart");
    EXPECT_EQ(w.ListView2->topLevelItemCount(), 1);
    EXPECT_EQ(SelectedRow(w.ListView2), nullptr);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CommandsTest, SongDeleteReloadsTheSongsOfTheDeletedRowsRecord)
{
    seedThreeRecords();
    catalog.addSong(QStringLiteral("Cher"), QStringLiteral("Heart"), QStringLiteral("Another"));
    catalog.addSong(QStringLiteral("Cher"), QStringLiteral("Heart"), QStringLiteral("Third"));
    CommandProbe& w = load();
    showArtist(w, QStringLiteral("Cher"));
    CatalogEntry heart;
    heart.Artist = QStringLiteral("Cher");
    heart.Record_Name = QStringLiteral("Heart");
    w.LoadSongTitles(heart);
    ASSERT_EQ(columnTexts(w.ListView2), (QStringList{"Another", "Song of Heart", "Third"}));
    // Find may have left another entry behind.
    CurrentEntry.Artist = QStringLiteral("ABBA");
    CurrentEntry.Record_Name = QStringLiteral("Arrival");
    selectRows(w.ListView2, {0, 2});
    focus(w.ListView2);
    boxes.answer(vb::vbYes);
    w.mnuPopupSongDelete_Click();
    EXPECT_EQ(prompts(), QStringList{kSongQuestion});
    EXPECT_EQ(columnTexts(w.ListView2), QStringList{"Song of Heart"});
    EXPECT_EQ(catalog.count(QStringLiteral("Select * from songs")), 3);
}

TEST_F(CommandsTest, NewArtistWhoseRowFailsLeavesNoAccount)
{
    CommandProbe& w = load();
    auto addArtist = [&](const QString& name, bool failRow) {
        testenv::withWatchdog(5000, [&] {
            testenv::later(0, [&] {
                frmAddArtist* dlg = frmAddArtistInstance().peek();
                ASSERT_TRUE(dlg);
                EXPECT_EQ(dlg->mArtist->Text(), "");
                dlg->mArtist->setText(name);
                if (failRow)
                    jet::testing::failNext(jet::Operation::Execute, 3043, QStringLiteral("Disk or network error."));
                dlg->cmdSave->click();
            });
            w.mnuNewArtist_Click();
        });
    };
    boxes.answer(vb::vbOK); // the statement error box
    addArtist(QStringLiteral("Cher"), true);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].title, "Error!.");
    bool found = true;
    UserExists(QStringLiteral("Cher"), found);
    EXPECT_FALSE(found);
    EXPECT_EQ(w.tv1->topLevelItem(0)->childCount(), 0);

    // The name can be added afterwards.
    boxes.answer(vb::vbNo); // "More Data?"
    addArtist(QStringLiteral("Cher"), false);
    EXPECT_EQ(prompts(1), QStringList{"Do you want to enter another artist?"});
    UserExists(QStringLiteral("Cher"), found);
    EXPECT_TRUE(found);
    ASSERT_EQ(w.tv1->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(w.tv1->topLevelItem(0)->child(0)->text(0), "Cher");
}

} // namespace
