#include "app/CatalogFunctions.h"
#include "app/frmDatabaseExplorer.h"
#include "catalog/ArtistAccounts.h"
#include "catalog/ProgramState.h"
#include "support/CatalogFixture.h"
#include "support/ExplorerTesting.h"
#include "support/TestEnv.h"
#include "vb/App.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// The main window with the exit and the delete command recorded instead of run.
class TreeProbe : public frmDatabaseExplorer {
public:
    QStringList ran;
    void mnuExit_Click() override { ran << "mnuExit_Click"; }
    void mnuDelete_Click() override { ran << "mnuDelete_Click"; }
};

using testenv::treeNode;

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramState();
        AppRunning = true;
    }

    void TearDown() override
    {
        delete window.data();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ResetProgramState();
    }

    TreeProbe& load()
    {
        window = new TreeProbe;
        window->Load();
        window->TimerPopulateTree.stop();
        return *window;
    }

    // Texts of the root's children, in order.
    static QStringList artistNodes(const QTreeWidget* tree)
    {
        QStringList names;
        const QTreeWidgetItem* root = tree->topLevelItem(0);
        for (int i = 0; root && i < root->childCount(); ++i)
            names << root->child(i)->text(0);
        return names;
    }

    testenv::CatalogFixture catalog;
    testenv::ScriptedMsgBox boxes;
    QPointer<TreeProbe> window;
};

TEST_F(TreeTest, TheTreeHoldsTheRootAndOneNodePerArtistInOrder)
{
    struct Case {
        const char* name;
        QStringList seed;
        QStringList nodes;
    };
    const std::vector<Case> cases = {
        {"empty table", {}, {}},
        {"Null artist gives no node",
         {"Insert into records ([Record_Name]) Values ('Lost')", "Insert into records ([Artist]) Values ('Cher')"},
         {"Cher"}},
        {"artist-only row and records give one node",
         {"Insert into records ([Artist]) Values ('Cher')",
          "Insert into records ([Artist], [Record_Name]) Values ('Cher', 'Believe')",
          "Insert into records ([Artist], [Record_Name]) Values ('Cher', 'Heart')"},
         {"Cher"}},
        {"sorted without regard to case",
         {"Insert into records ([Artist]) Values ('björk')", "Insert into records ([Artist]) Values ('ABBA')",
          "Insert into records ([Artist]) Values ('Cher')", "Insert into records ([Artist]) Values ('Beck')"},
         {"ABBA", "Beck", "björk", "Cher"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        catalog.exec(QStringLiteral("delete * from records"));
        catalog.exec(c.seed);
        TreeProbe& w = load();
        w.PopulateTree();
        ASSERT_EQ(w.tv1->topLevelItemCount(), 1);
        const QTreeWidgetItem* root = w.tv1->topLevelItem(0);
        EXPECT_EQ(root->text(0), "Database");
        EXPECT_EQ(NodeKey(root), "db");
        EXPECT_TRUE(root->isExpanded());
        EXPECT_EQ(artistNodes(w.tv1), c.nodes);
        EXPECT_EQ(root->icon(0).cacheKey(), w.imlSmallIcons.Image(QStringLiteral("Database")).cacheKey());
        for (int i = 0; i < root->childCount(); ++i) {
            const QTreeWidgetItem* node = root->child(i);
            EXPECT_EQ(NodeKey(node), "Artist: " + node->text(0));
            EXPECT_EQ(node->icon(0).cacheKey(), w.imlSmallIcons.Image(QStringLiteral("Artist")).cacheKey());
            EXPECT_TRUE(node->flags() & Qt::ItemIsEditable);
            EXPECT_EQ(node->childCount(), 0);
        }
        delete window.data();
    }
    EXPECT_TRUE(boxes.empty());
}

TEST(CatalogFunctionsTest, NodesAndThePasteRule)
{
    QTreeWidgetItem root;
    root.setData(0, NodeKeyRole, QStringLiteral("db"));
    root.setText(0, QStringLiteral("Database"));
    QTreeWidgetItem artist;
    artist.setData(0, NodeKeyRole, QStringLiteral("Artist: Cher"));
    artist.setText(0, QStringLiteral("Cher"));

    CatalogEntry entry;
    entry.Record_Name = QStringLiteral("Believe");
    entry.Label_Name = QStringLiteral("WEA");
    GetNodeItem(&artist, entry);
    EXPECT_EQ(entry.Level, Level::Artist);
    EXPECT_EQ(entry.Artist, "Cher");
    EXPECT_EQ(entry.Record_Name, "");
    EXPECT_EQ(entry.Label_Name, "WEA") << "other fields keep their values";
    GetNodeItem(&root, entry);
    EXPECT_EQ(entry.Level, Level::Database);
    EXPECT_EQ(entry.Artist, "");

    struct Case {
        QString sourceLevel, sourceArtist, targetLevel, targetArtist;
        bool ok;
    };
    const std::vector<Case> cases = {
        {Level::Record_Name, "Cher", Level::Artist, "ABBA", true},
        {Level::Record_Name, "Cher", Level::Artist, "Cher", false},
        {Level::Record_Name, "cher", Level::Artist, "Cher", true},
        {Level::Song_Titles, "Cher", Level::Artist, "ABBA", false},
        {Level::Record_Name, "Cher", Level::Database, "", false},
        {"", "", Level::Artist, "Cher", false},
    };
    for (const Case& c : cases) {
        CatalogEntry source;
        source.Level = c.sourceLevel;
        source.Artist = c.sourceArtist;
        CatalogEntry target;
        target.Level = c.targetLevel;
        target.Artist = c.targetArtist;
        bool ok = !c.ok;
        CanMoveRecord(source, target, ok);
        EXPECT_EQ(ok, c.ok) << c.sourceLevel.toStdString() << " " << c.sourceArtist.toStdString() << " -> "
                            << c.targetArtist.toStdString();
    }
}

TEST_F(TreeTest, RefusedNamesKeepTheOldNameWithTheirMessage)
{
    catalog.addArtist(QStringLiteral("Cher"));
    TreeProbe& w = load();
    w.PopulateTree();
    treeNode(w.tv1, QStringLiteral("Cher"))->setSelected(true);

    const QString badEntry =
        QStringLiteral("Incorrect Entry!.  Please enter a value with no spaces or special characters.");
    struct Case {
        QString typed;
        QString message;
    };
    const std::vector<Case> cases = {
        {"", badEntry},
        {"   ", badEntry},
        {"AC/DC", badEntry},
        {"  Sixteen lettersX", "Incorrect Entry!.  The entry must be less or equal to: 15. Please try again."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        const size_t before = boxes.calls().size();
        boxes.answer(vb::vbOK);
        int cancel = 0;
        QString text = c.typed;
        w.tv1_AfterLabelEdit(cancel, text);
        EXPECT_NE(cancel, 0);
        ASSERT_EQ(boxes.calls().size(), before + 1);
        EXPECT_EQ(boxes.calls().back().prompt, c.message);
        EXPECT_EQ(boxes.calls().back().title, "User Error!");
        EXPECT_EQ(boxes.calls().back().style, vb::vbCritical);
    }
    EXPECT_EQ(artistNodes(w.tv1), QStringList{"Cher"});

    // The root is refused silently; an artist may be edited.
    int cancel = 0;
    w.tv1->clearSelection();
    w.tv1->topLevelItem(0)->setSelected(true);
    w.tv1_BeforeLabelEdit(cancel);
    EXPECT_NE(cancel, 0);
    cancel = 0;
    w.tv1->clearSelection();
    treeNode(w.tv1, QStringLiteral("Cher"))->setSelected(true);
    w.tv1_BeforeLabelEdit(cancel);
    EXPECT_EQ(cancel, 0);

    // With no selected node the edit is refused too.
    w.tv1->clearSelection();
    QString text = QStringLiteral("Sonny");
    const size_t before = boxes.calls().size();
    boxes.answer(vb::vbOK);
    w.tv1_AfterLabelEdit(cancel, text);
    EXPECT_NE(cancel, 0);
    ASSERT_EQ(boxes.calls().size(), before + 1);
    EXPECT_EQ(boxes.calls().back().prompt, "You must select an entry to rename it.");
    EXPECT_EQ(boxes.calls().back().style, vb::vbInformation);
}

TEST_F(TreeTest, AnUnreadableDatabaseOffersTheRepairAndEveryAnswerExits)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString title = QStringLiteral("Discavo 3 - Repairing the database.");
    // A sound file lacking its table, which a repair rebuilds; a file of
    // text; a folder in the database's place, which no repair can mend.
    enum Damage { NoTable, Text, Folder };
    struct Case {
        const char* name;
        Damage damage;
        int answer;
        QString lastMessage;
    };
    const std::vector<Case> cases = {
        {"Yes, repaired", NoTable, vb::vbYes,
         QStringLiteral("Database successfully repaired and compacted.") + crlf + crlf
             + QStringLiteral("You need to restart the application.") + crlf + crlf
             + QStringLiteral("Program exiting....")},
        {"No", Text, vb::vbNo, QStringLiteral("Program exiting....")},
        {"Yes, nothing could be read", Text, vb::vbYes,
         QStringLiteral(", and a new, empty catalogue is in its place.") + crlf + crlf
             + QStringLiteral("You need to restart the application.") + crlf + crlf
             + QStringLiteral("Program exiting....")},
        {"Yes, repair fails", Folder, vb::vbYes, crlf + crlf + QStringLiteral("Program exiting....")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.damage == Text) {
            QFile f(catalog.databasePath());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QByteArray(4096, 'x'));
        } else if (c.damage == Folder) {
            ASSERT_TRUE(QFile::remove(catalog.databasePath()));
            ASSERT_TRUE(QDir(vb::App::Path()).mkdir(QStringLiteral("records.mdb")));
        } else {
            catalog.exec(QStringLiteral("Drop Table records"));
        }
        const size_t before = boxes.calls().size();
        boxes.answer(c.answer);
        boxes.answer(vb::vbOK);
        TreeProbe& w = load();
        w.PopulateTree();
        ASSERT_EQ(boxes.calls().size(), before + 2);
        const vb::MsgBoxCall& offer = boxes.calls()[before];
        EXPECT_TRUE(offer.prompt.startsWith("The Program encountered an error while accessing the database ("));
        EXPECT_TRUE(offer.prompt.endsWith(").\r\n\r\nMake sure that the database files exist in " + vb::App::Path()
                                          + ". Also make sure that you have permissions to read, write, and modify "
                                            "the directory "
                                          + vb::App::Path()
                                          + ".\r\n\r\nThe program will make an attempt to repair the database."
                                            "\r\n\r\nContinue?"));
        EXPECT_EQ(offer.style, 36);
        EXPECT_EQ(offer.title, title);
        const vb::MsgBoxCall& last = boxes.calls()[before + 1];
        if (c.damage != NoTable && c.answer == vb::vbYes)
            EXPECT_TRUE(last.prompt.endsWith(c.lastMessage)) << last.prompt.toStdString();
        else
            EXPECT_EQ(last.prompt, c.lastMessage);
        EXPECT_EQ(last.style, vb::vbCritical);
        EXPECT_EQ(last.title, title);
        EXPECT_EQ(w.ran, QStringList{"mnuExit_Click"});
        EXPECT_EQ(artistNodes(w.tv1), QStringList{});
        delete window.data();
    }
}

TEST_F(TreeTest, ClicksKeysAndThePopupWorkOnTheSelection)
{
    catalog.addArtist(QStringLiteral("ABBA"));
    catalog.addArtist(QStringLiteral("Cher"));
    TreeProbe& w = load();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.PopulateTree();
    QTreeWidgetItem* cher = treeNode(w.tv1, QStringLiteral("Cher"));
    ASSERT_TRUE(cher);

    // A left click selects the artist and sets the artist's menu state.
    QTest::mouseClick(w.tv1->viewport(), Qt::LeftButton, {}, w.tv1->visualItemRect(cher).center());
    EXPECT_TRUE(cher->isSelected());
    EXPECT_FALSE(frmDatabaseExplorer::Enabled(w.mnuCopy));
    EXPECT_FALSE(frmDatabaseExplorer::Enabled(w.mnuPaste));
    QTest::mouseClick(w.tv1->viewport(), Qt::LeftButton, {},
                      w.tv1->visualItemRect(w.tv1->topLevelItem(0)).center());
    EXPECT_TRUE(w.tv1->topLevelItem(0)->isSelected());

    // A right press shows the popup with "Rename" and leaves the selection alone.
    QTest::mousePress(w.tv1->viewport(), Qt::RightButton, {}, w.tv1->visualItemRect(cher).center());
    EXPECT_TRUE(w.tv1->topLevelItem(0)->isSelected());
    EXPECT_TRUE(w.mnuPopup->isVisible());
    EXPECT_EQ(w.mnuPopupRename->text(), "Rename");
    w.mnuPopup->hide();

    w.tv1->setFocus();
    QTest::keyClick(w.tv1, Qt::Key_Delete);
    QTest::keyClick(w.tv1, Qt::Key_A);
    EXPECT_EQ(w.ran, QStringList{"mnuDelete_Click"});
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TreeTest, ALeftClickBesideTheNodesChangesNothing)
{
    catalog.addArtist(QStringLiteral("ABBA"));
    catalog.addArtist(QStringLiteral("Cher"));
    catalog.addRecord(QStringLiteral("ABBA"), QStringLiteral("Arrival"));
    catalog.addRecord(QStringLiteral("Cher"), QStringLiteral("Believe"));
    catalog.addSong(QStringLiteral("Cher"), QStringLiteral("Believe"), QStringLiteral("Strong Enough"));
    TreeProbe& w = load();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.PopulateTree();
    QTreeWidgetItem* abba = treeNode(w.tv1, QStringLiteral("ABBA"));
    QTreeWidgetItem* cher = treeNode(w.tv1, QStringLiteral("Cher"));
    ASSERT_TRUE(abba && cher);
    QTest::mouseClick(w.tv1->viewport(), Qt::LeftButton, {}, w.tv1->visualItemRect(abba).center());
    QTest::mouseClick(w.tv1->viewport(), Qt::LeftButton, {}, w.tv1->visualItemRect(cher).center());
    ASSERT_TRUE(cher->isSelected());

    const QPoint beside(w.tv1->viewport()->width() / 2, w.tv1->viewport()->height() - 4);
    ASSERT_EQ(w.tv1->itemAt(beside), nullptr);
    QTest::mouseClick(w.tv1->viewport(), Qt::LeftButton, {}, beside);
    QTest::mouseDClick(w.tv1->viewport(), Qt::LeftButton, {}, beside);
    EXPECT_TRUE(cher->isSelected());
    EXPECT_EQ(w.SelectedNode(), cher);
    ASSERT_EQ(w.ListView1->topLevelItemCount(), 1);
    EXPECT_EQ(w.ListView1->topLevelItem(0)->text(0), "Believe");
    EXPECT_EQ(w.StatusBarListViewTop->Panels(1).Text(), "Records for: Cher");
    EXPECT_TRUE(frmDatabaseExplorer::Enabled(w.mnuNewRecordName));
    EXPECT_FALSE(frmDatabaseExplorer::Enabled(w.mnuNewArtist));

    // A record click afterwards still loads its songs.
    const QRect row = w.ListView1->visualItemRect(w.ListView1->topLevelItem(0));
    QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 30, row.center().y()));
    ASSERT_EQ(w.ListView2->topLevelItemCount(), 1);
    EXPECT_EQ(w.ListView2->topLevelItem(0)->text(0), "Strong Enough");
    EXPECT_TRUE(boxes.empty());
}

} // namespace

namespace {

TEST_F(TreeTest, AnInPlaceEditRenamesTheArtistAndRebuildsTheTree)
{
    for (const QString& artist : {QStringLiteral("Cher"), QStringLiteral("ABBA")}) {
        bool added = false;
        AddUser(artist, ArtistAccount::Password, added);
        ASSERT_TRUE(added);
        catalog.addArtist(artist);
    }
    catalog.addRecord(QStringLiteral("Cher"), QStringLiteral("Believe"));
    TreeProbe& w = load();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.PopulateTree();
    QTreeWidgetItem* cher = treeNode(w.tv1, QStringLiteral("Cher"));
    ASSERT_TRUE(cher);
    w.tv1->setCurrentItem(cher);
    cher->setSelected(true);

    w.tv1_StartLabelEdit();
    auto* editor = w.tv1->viewport()->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("  Zappa "));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return artistNodes(w.tv1) == QStringList{"ABBA", "Zappa"}; }, 3000))
        << artistNodes(w.tv1).join(',').toStdString();
    EXPECT_EQ(catalog.rows(QStringLiteral("Select [Record_Name] from records where [Artist] = 'Zappa' and "
                                          "[Record_Name] Is Not Null")),
              QStringList{"Believe"});
    EXPECT_EQ(catalog.count(QStringLiteral("Select * from records where [Artist] = 'Cher'")), 0);
    bool found = false;
    UserExists(QStringLiteral("Zappa"), found);
    EXPECT_TRUE(found);
    UserExists(QStringLiteral("Cher"), found);
    EXPECT_FALSE(found);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TreeTest, AnInPlaceEditRenamesTheNodeItWasOpenedOnWhereverTheSelectionMoved)
{
    for (const QString& artist : {QStringLiteral("ABBA"), QStringLiteral("Cher")}) {
        bool added = false;
        AddUser(artist, ArtistAccount::Password, added);
        ASSERT_TRUE(added);
        catalog.addArtist(artist);
    }
    TreeProbe& w = load();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.PopulateTree();
    w.tv1->setCurrentItem(treeNode(w.tv1, QStringLiteral("ABBA")));
    w.tv1_StartLabelEdit();
    auto* editor = w.tv1->viewport()->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Zappa"));
    // The arrow key reaches the tree and moves its selection while the editor stays open.
    QTest::keyClick(editor, Qt::Key_Down);
    if (QLineEdit* open = w.tv1->viewport()->findChild<QLineEdit*>())
        QTest::keyClick(open, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return artistNodes(w.tv1) == QStringList{"Cher", "Zappa"}; }, 3000))
        << artistNodes(w.tv1).join(',').toStdString();
    EXPECT_TRUE(boxes.empty());
}

} // namespace
