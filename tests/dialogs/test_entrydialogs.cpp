#include "catalog/ArtistAccounts.h"
#include "catalog/ProgramState.h"
#include "dialogs/frmAddArtist.h"
#include "dialogs/frmAddRecordName.h"
#include "dialogs/frmAddSongs.h"
#include "help/Help.h"
#include "jet/Engine.h"
#include "jet/Testing.h"
#include "support/CatalogFixture.h"
#include "support/DarkTheme.h"
#include "support/QtPrint.h"
#include "support/TestEnv.h"
#include "vb/App.h"
#include "vb/TextBox.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QLabel>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

namespace {

using testenv::CatalogFixture;
using testenv::ScriptedMsgBox;

const QString kArtistMessage =
    QStringLiteral("Incorrect Entry!.  Please enter a value with no spaces or special characters.");
const QString kNameMessage = QStringLiteral("Incorrect Entry!.  Please enter a value with no special characters.");
const QString kDateMessage = QStringLiteral("Invalid entry. Please enter a valid date.");
const QString kValueMessage = QStringLiteral("Invalid entry. Please enter a valid value.");

class LocaleGuard {
public:
    explicit LocaleGuard(const char* name) { QLocale::setDefault(QLocale(QString::fromLatin1(name))); }
    ~LocaleGuard() { QLocale::setDefault(QLocale::c()); }
};

using Box = testenv::ExpectedBox;
using testenv::expectBoxes;

Box refusal(const QString& message) { return {message, 16, QStringLiteral("User Error!")}; }
Box moreData(const char* what) { return {QStringLiteral("Do you want to enter another %1?").arg(QLatin1String(what)), 4, QStringLiteral("More Data?")}; }
Box clash(const QString& name)
{
    return {QStringLiteral("Cannot add ") + name + QStringLiteral(". The name already exists. Please specify a different name."),
            16, QStringLiteral("User Entry Error!")};
}

// A record as the catalogue fixture writes it.
CatalogEntry seededRecord() { return testenv::addedRecord(QStringLiteral("Cher"), QStringLiteral("Believe")); }

const QString kRecordColumns = QStringLiteral(
    "select [Artist], [Record_Name], [Record_Type], [Record_Category], [Label_Name], [Label_Number], "
    "[Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity] from records "
    "where [Record_Name] Is Not Null");

class EntryDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramState();
        help::enableF1(); // as the program does at start
        help::setRequestHandler([this](const help::Request& r) {
            helpRequests.push_back(r);
            return true;
        });
    }

    void TearDown() override
    {
        unloadAll();
        help::setRequestHandler({});
        ResetProgramState();
    }

    static void unloadAll()
    {
        if (auto* f = frmAddRecordNameInstance().peek())
            vb::Unload(f);
        if (auto* f = frmAddSongsInstance().peek())
            vb::Unload(f);
        if (auto* f = frmAddArtistInstance().peek())
            vb::Unload(f);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The record dialog as an opener leaves it: loaded, then prefilled.
    static frmAddRecordName& recordDialog(const CatalogEntry& values)
    {
        frmAddRecordName& dlg = frmAddRecordNameInstance()();
        dlg.FillFields(values);
        return dlg;
    }

    static void showActive(QWidget& w)
    {
        w.show();
        QApplication::setActiveWindow(&w);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }

    CatalogFixture catalog;
    ScriptedMsgBox boxes;
    std::vector<help::Request> helpRequests;
};

TEST_F(EntryDialogTest, RecordDialogLoadsItsListsSortedAndItsLimits)
{
    frmAddRecordName& dlg = frmAddRecordNameInstance()();
    EXPECT_EQ(dlg.Caption(), "Discavo 3- Record Data Entry");
    EXPECT_EQ(dlg.HelpContextID, 9);
    auto items = [](const QComboBox* c) {
        QStringList list;
        for (int i = 0; i < c->count(); ++i)
            list << c->itemText(i);
        return list;
    };
    EXPECT_EQ(items(dlg.cmbRecordCondition), QStringList({"Bad", "Fair", "Good", "Mint"}));
    EXPECT_EQ(items(dlg.cmbSleeveCondition), items(dlg.cmbRecordCondition));
    EXPECT_EQ(items(dlg.cmbRecordType).mid(0, 6), QStringList({"00-CD", "00-CS", "00-ET", "00-RR", "33- 7", "33-10"}));
    EXPECT_EQ(dlg.cmbRecordType->count(), 25);
    EXPECT_EQ(items(dlg.cmbRecordCategory).mid(0, 4), QStringList({"Alternative", "Blues", "Broadway", "Children Music"}));
    EXPECT_EQ(dlg.cmbRecordCategory->count(), 22);
    for (const QComboBox* c : {dlg.cmbRecordType, dlg.cmbRecordCategory, dlg.cmbRecordCondition, dlg.cmbSleeveCondition}) {
        EXPECT_EQ(c->currentText(), c->itemText(0));
        EXPECT_EQ(c->insertPolicy(), QComboBox::NoInsert);
        EXPECT_EQ(c->completer(), nullptr);
    }
    EXPECT_EQ(dlg.mArtist->MaxLength(), 15);
    EXPECT_EQ(dlg.mRecordName->MaxLength(), 60);
    EXPECT_EQ(dlg.mLabelName->MaxLength(), 60);
    EXPECT_EQ(dlg.mLabelNumber->MaxLength(), 60);
    EXPECT_EQ(dlg.mBookValue->MaxLength(), 9);
    EXPECT_EQ(dlg.mRecordDate->Text(), "__/__/____");
}

struct ValidationCase {
    const char* name;
    const char* locale;
    std::function<void(frmAddRecordName&)> change;
    QString message; // empty: saved
    // Saved: the record's type, date, book value and quantity as stored.
    QString stored;
    std::function<void(frmAddRecordName&)> after;
};

TEST_F(EntryDialogTest, RecordSaveTestsEachFieldInTabOrderAndReportsTheFirstFailureOnly)
{
    auto set = [](vb::TextBox* frmAddRecordName::*field, const char* text) {
        return [field, text](frmAddRecordName& d) { (d.*field)->setText(QString::fromUtf8(text)); };
    };
    auto setCombo = [](QComboBox* frmAddRecordName::*field, const char* text) {
        return [field, text](frmAddRecordName& d) { (d.*field)->setEditText(QString::fromUtf8(text)); };
    };
    using R = frmAddRecordName;
    const QString unchanged = QStringLiteral("33-LP|01/02/1990|1|1");
    const std::vector<ValidationCase> cases = {
        {"unchanged", "en_US", [](R&) {}, {}, unchanged, {}},
        {"artist blanks only", "en_US", set(&R::mArtist, "   "), kArtistMessage, {}, {}},
        {"artist apostrophe", "en_US", set(&R::mArtist, "Ch'er"), kArtistMessage, {}, {}},
        {"disabled artist still reported", "en_US",
         [](R& d) {
             d.mArtist->setText(QStringLiteral("Ch'er"));
             d.mArtist->setEnabled(false);
         },
         kArtistMessage, {}, {}},
        {"record name blanks only, later fields untrimmed", "en_US",
         [](R& d) {
             d.mArtist->setText(QStringLiteral("  Cher  "));
             d.mRecordName->setText(QStringLiteral("   "));
             d.mLabelName->setText(QStringLiteral("  Label  "));
         },
         kNameMessage, {},
         [](R& d) {
             EXPECT_EQ(d.mArtist->text(), "Cher");
             EXPECT_EQ(d.mRecordName->text(), "");
             EXPECT_EQ(d.mLabelName->text(), "  Label  ");
         }},
        {"record name full stop", "en_US", set(&R::mRecordName, "Believe."), kNameMessage, {}, {}},
        {"record type blanks only", "en_US", setCombo(&R::cmbRecordType, "  "), kNameMessage, {}, {}},
        {"record type slash", "en_US", setCombo(&R::cmbRecordType, "33/7"), kNameMessage, {}, {}},
        {"category question mark", "en_US", setCombo(&R::cmbRecordCategory, "Rock?"), kNameMessage, {}, {}},
        {"label name ampersand", "en_US", set(&R::mLabelName, "A&M"), kNameMessage, {}, {}},
        {"label number hash", "en_US", set(&R::mLabelNumber, "#12"), kNameMessage, {}, {}},
        {"record condition bang", "en_US", setCombo(&R::cmbRecordCondition, "Mint!"), kNameMessage, {}, {}},
        {"sleeve condition brackets", "en_US", setCombo(&R::cmbSleeveCondition, "(Good)"), kNameMessage, {}, {}},
        {"untouched date", "en_US", set(&R::mRecordDate, ""), kDateMessage, {}, {}},
        {"half-filled date", "en_US",
         [](R& d) {
             d.mRecordDate->setText(QString());
             d.mRecordDate->setCursorPosition(0);
             QTest::keyClicks(d.mRecordDate, QStringLiteral("123"));
             d.mRecordDate->setCursorPosition(6);
             QTest::keyClicks(d.mRecordDate, QStringLiteral("2020"));
             ASSERT_EQ(d.mRecordDate->Text(), "12/3_/2020");
         },
         kDateMessage, {}, {}},
        {"February 30th", "en_US", set(&R::mRecordDate, "02/30/2021"), kDateMessage, {}, {}},
        {"month 13", "en_GB", set(&R::mRecordDate, "13/01/2020"), kDateMessage, {}, {}},
        {"month first under a day-first locale", "en_GB", set(&R::mRecordDate, "03/04/2005"), {},
         "33-LP|03/04/2005|1|1", {}},
        {"empty book value", "en_US", set(&R::mBookValue, ""), kValueMessage, {}, {}},
        {"book value with exponent", "en_US", set(&R::mBookValue, "1e3"), kValueMessage, {}, {}},
        {"comma under en-US", "en_US", set(&R::mBookValue, "1,5"), kValueMessage, {}, {}},
        {"point under en-US", "en_US", set(&R::mBookValue, "1.5"), {}, "33-LP|01/02/1990|1.5|1", {}},
        {"comma under de-DE", "de_DE", set(&R::mBookValue, "1,5"), {}, "33-LP|01/02/1990|1.5|1", {}},
        {"point under de-DE", "de_DE", set(&R::mBookValue, "1.5"), kValueMessage, {}, {}},
        {"book value beyond currency", "en_US", set(&R::mBookValue, "999999999999999"), kValueMessage, {}, {}},
        {"book value trimmed", "en_US", set(&R::mBookValue, "  12.34567  "), {}, "33-LP|01/02/1990|12.3457|1",
         [](R& d) { EXPECT_EQ(d.mBookValue->text(), "12.34567"); }},
        {"empty quantity", "en_US", set(&R::mQuantity, ""), kValueMessage, {}, {}},
        {"quantity 2.5", "en_US", set(&R::mQuantity, "2.5"), {}, "33-LP|01/02/1990|1|2", {}},
        {"quantity 3.5", "en_US", set(&R::mQuantity, "3.5"), {}, "33-LP|01/02/1990|1|4", {}},
        {"quantity beyond 32 bits", "en_US", set(&R::mQuantity, "2147483648"), kValueMessage, {}, {}},
        {"record type typed by hand", "en_US", setCombo(&R::cmbRecordType, "LP-12"), {}, "LP-12|01/02/1990|1|1", {}},
    };
    for (const ValidationCase& c : cases) {
        SCOPED_TRACE(c.name);
        const LocaleGuard locale(c.locale);
        catalog.exec(QStringLiteral("delete * from records"));
        frmAddRecordName& dlg = recordDialog(seededRecord());
        c.change(dlg);
        const std::size_t before = boxes.calls().size();
        if (c.message.isEmpty())
            boxes.answer(vb::vbNo);
        else
            boxes.answer(vb::vbOK);
        dlg.cmdSave_Click();
        ASSERT_EQ(boxes.calls().size(), before + 1);
        const vb::MsgBoxCall& box = boxes.calls().back();
        if (c.message.isEmpty()) {
            EXPECT_EQ(box.prompt, "Do you want to enter another record?");
            EXPECT_EQ(frmAddRecordNameInstance().peek(), nullptr);
            EXPECT_EQ(catalog.rows("select [Record_Type], [Record_Date], [Book_Value], [Quantity] from records"),
                      QStringList{c.stored});
        } else {
            EXPECT_EQ(box.prompt, c.message);
            EXPECT_EQ(box.style, 16);
            EXPECT_EQ(box.title, "User Error!");
            EXPECT_EQ(catalog.count("select * from records"), 0);
            ASSERT_NE(frmAddRecordNameInstance().peek(), nullptr);
            if (c.after)
                c.after(dlg);
        }
        unloadAll();
    }
}

TEST_F(EntryDialogTest, YesKeepsEveryValueAndTheSameSaveIsThenADuplicate)
{
    catalog.addArtist("Cher");
    frmAddRecordName& dlg = recordDialog(seededRecord());
    dlg.mArtist->setEnabled(false);
    auto values = [&dlg] {
        return QStringList{dlg.mArtist->text(),          dlg.mRecordName->text(),           dlg.cmbRecordType->currentText(),
                           dlg.cmbRecordCategory->currentText(), dlg.mLabelName->text(),    dlg.mLabelNumber->text(),
                           dlg.cmbRecordCondition->currentText(), dlg.cmbSleeveCondition->currentText(),
                           dlg.mRecordDate->Text(),      dlg.mBookValue->text(),            dlg.mQuantity->text()};
    };
    const QStringList before = values();
    boxes.answer(vb::vbYes);
    dlg.cmdSave_Click();
    EXPECT_EQ(values(), before);
    EXPECT_EQ(dlg.mRecordName->selectedText(), "Believe");
    boxes.answer(vb::vbOK);
    dlg.cmdSave_Click();
    expectBoxes(boxes, {moreData("record"), clash("Believe")});
    EXPECT_NE(frmAddRecordNameInstance().peek(), nullptr);
    EXPECT_EQ(catalog.count(kRecordColumns), 1);
}

// The opener's road: first access, prefill, modal show; Save closes without a question.
TEST_F(EntryDialogTest, AModifySavedWithOneChangeKeepsEveryOtherValueUnderEveryLocale)
{
    for (const char* name : {"de_DE", "en_GB", "en_US"}) {
        SCOPED_TRACE(name);
        const LocaleGuard locale(name);
        catalog.exec(QStringLiteral("delete * from records"));
        catalog.addRecord("Cher", "Believe", "03/04/2005", "1234.5678", 7);
        const QStringList seeded = catalog.rows(kRecordColumns);
        ModifyMode = true;
        CurrentEntry = seededRecord();
        CurrentEntry.Record_Date = vb::dateFromQDate(QDate(2005, 3, 4));
        CurrentEntry.Book_Value = 12345678;
        CurrentEntry.Quantity = 7;
        frmAddRecordName& dlg = recordDialog(CurrentEntry);
        dlg.mArtist->setEnabled(false);
        EXPECT_EQ(dlg.mRecordDate->Text(), "03/04/2005");
        testenv::withWatchdog(5000, [&] {
            testenv::later(0, [&dlg] {
                dlg.cmbSleeveCondition->setEditText(QStringLiteral("Fair"));
                dlg.cmdSave->click();
            });
            dlg.Show(vb::vbModal);
        });
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(frmAddRecordNameInstance().peek(), nullptr);
        EXPECT_EQ(catalog.rows(kRecordColumns),
                  QStringList{QString(seeded.value(0)).replace(QStringLiteral("|Good|"), QStringLiteral("|Fair|"))});
        EXPECT_EQ(catalog.rows(kRecordColumns).value(0), "Cher|Believe|33-LP|Jazz|Label|L-1|Mint|Fair|03/04/2005|1234.5678|7");
    }
}

TEST_F(EntryDialogTest, ARecordWithMissingValuesPrefillsThemEmptyAndIsFoundByTheUpdate)
{
    catalog.exec(QStringLiteral(
        "Insert into records ([Artist], [Record_Name], [Record_Type], [Record_Category], [Label_Number], "
        "[Record_Condition], [Sleeve_Condition]) Values ('Cher', 'Believe', '33-LP', 'Jazz', 'L-1', 'Mint', 'Good')"));
    ModifyMode = true;
    CurrentEntry = seededRecord();
    CurrentEntry.Label_Name = QString();
    CurrentEntry.NullTexts = QStringList{QStringLiteral("Label_Name")};
    CurrentEntry.Record_Date.reset();
    CurrentEntry.Book_Value.reset();
    CurrentEntry.Quantity.reset();
    const CatalogEntry old = CurrentEntry;
    frmAddRecordName& dlg = recordDialog(CurrentEntry);
    EXPECT_EQ(dlg.mLabelName->text(), "");
    EXPECT_EQ(dlg.mRecordDate->Text(), "__/__/____");
    EXPECT_EQ(dlg.mBookValue->text(), "");
    EXPECT_EQ(dlg.mQuantity->text(), "");
    // Save asks for each missing value as for any record.
    boxes.answer(vb::vbOK);
    dlg.cmdSave_Click();
    dlg.mLabelName->setText(QStringLiteral("Label"));
    boxes.answer(vb::vbOK);
    dlg.cmdSave_Click();
    expectBoxes(boxes, {refusal(kNameMessage), refusal(kDateMessage)});

    dlg.mRecordDate->setText(QStringLiteral("05/06/2007"));
    dlg.mBookValue->setText(QStringLiteral("2"));
    dlg.mQuantity->setText(QStringLiteral("3"));
    dlg.cmdSave_Click();
    EXPECT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(frmAddRecordNameInstance().peek(), nullptr);
    EXPECT_EQ(catalog.rows(kRecordColumns), QStringList{"Cher|Believe|33-LP|Jazz|Label|L-1|Mint|Good|05/06/2007|2|3"});
    // The old entry keeps its missing values.
    EXPECT_EQ(CurrentEntry, old);
}

TEST_F(EntryDialogTest, ALongerPrefilledNameIsSavedWhole)
{
    const QString longName = QString(70, QLatin1Char('x'));
    catalog.exec(QStringLiteral(
        "Insert into records ([Artist], [Record_Name], [Record_Type], [Record_Category], [Label_Name], [Label_Number], "
        "[Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]) Values ('Cher', '%1', "
        "'33-LP', 'Jazz', 'Label', 'L-1', 'Mint', 'Good', '01/02/1990', '1', 1)").arg(longName));
    ModifyMode = true;
    CurrentEntry = seededRecord();
    CurrentEntry.Record_Name = longName;
    frmAddRecordName& dlg = recordDialog(CurrentEntry);
    dlg.mQuantity->setText(QStringLiteral("5"));
    dlg.cmdSave_Click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(catalog.rows("select [Record_Name], [Quantity] from records where [Quantity] Is Not Null"),
              QStringList{longName + "|5"});
}

TEST_F(EntryDialogTest, RecordKeyboardTabOrderSelectOnFocusEnterAndEsc)
{
    frmAddRecordName& dlg = recordDialog(seededRecord());
    dlg.mRecordName->setText(QStringLiteral("   ")); // every Save is refused with one box
    showActive(dlg);

    dlg.mArtist->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 13; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, QStringList({"mArtist", "mRecordName", "cmbRecordType", "cmbRecordCategory", "mLabelName",
                                    "mLabelNumber", "cmbRecordCondition", "cmbSleeveCondition", "mRecordDate",
                                    "mBookValue", "mQuantity", "cmdSave", "cmdHelp", "cmdCancel"}));

    // Select-on-focus wins over the mask's own cursor placement and over a click.
    dlg.mLabelNumber->setFocus();
    QTest::keyClick(dlg.mLabelNumber, Qt::Key_Tab);
    QTest::keyClick(dlg.cmbRecordCondition, Qt::Key_Tab);
    QTest::keyClick(dlg.cmbSleeveCondition, Qt::Key_Tab);
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), dlg.mRecordDate);
    EXPECT_EQ(dlg.mRecordDate->selectedText(), "01/02/1990");
    QTest::mouseClick(dlg.mLabelName, Qt::LeftButton, {}, QPoint(5, 5));
    QApplication::processEvents();
    EXPECT_EQ(dlg.mLabelName->selectedText(), "Label");

    // No inline completion: "Ro" stays "Ro".
    dlg.cmbRecordCategory->setFocus();
    QApplication::processEvents();
    QTest::keyClicks(dlg.cmbRecordCategory, QStringLiteral("Ro"));
    QTest::keyClick(dlg.cmbRecordCategory, Qt::Key_Tab);
    EXPECT_EQ(dlg.cmbRecordCategory->currentText(), "Ro");
    EXPECT_EQ(dlg.cmbRecordCategory->count(), 22);

    // Enter runs Save once, from a text box and from inside a combo box.
    boxes.answer(vb::vbOK);
    QTest::keyClick(dlg.mLabelName, Qt::Key_Return);
    boxes.answer(vb::vbOK);
    dlg.cmbRecordType->setFocus();
    QTest::keyClick(dlg.cmbRecordType, Qt::Key_Enter, Qt::KeypadModifier);
    expectBoxes(boxes, {refusal(kNameMessage), refusal(kNameMessage)});
    EXPECT_EQ(dlg.cmbRecordType->count(), 25);

    // Enter in an open list picks the item and saves nothing.
    dlg.cmbRecordType->setFocus();
    dlg.cmbRecordType->showPopup();
    QAbstractItemView* list = dlg.cmbRecordType->view();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(boxes.calls().size(), 2u);

    // Enter on a focused button runs that button; Esc closes nothing.
    dlg.cmdHelp->setFocus();
    QTest::keyClick(dlg.cmdHelp, Qt::Key_Return);
    QTest::keyClick(dlg.cmdHelp, Qt::Key_Escape);
    EXPECT_EQ(boxes.calls().size(), 2u);
    ASSERT_EQ(helpRequests.size(), 1u);
    EXPECT_EQ(helpRequests[0].context, 9u);
    EXPECT_TRUE(dlg.isVisible());
    dlg.cmdCancel->setFocus();
    QTest::keyClick(dlg.cmdCancel, Qt::Key_Return);
    EXPECT_EQ(frmAddRecordNameInstance().peek(), nullptr);
    EXPECT_EQ(catalog.count("select * from records"), 0);
}

TEST_F(EntryDialogTest, SongDialogAddsModifiesAndRefuses)
{
    frmAddSongs& dlg = frmAddSongsInstance()();
    EXPECT_EQ(dlg.Caption(), "Discavo 3- Song Titles Data Entry");
    EXPECT_EQ(dlg.HelpContextID, 27);
    EXPECT_EQ(dlg.mSongTitle->MaxLength(), 100);
    dlg.mArtist->setText(QStringLiteral("Cher"));
    dlg.mRecordName->setText(QStringLiteral("Believe"));
    dlg.mArtist->setEnabled(false);
    dlg.mRecordName->setEnabled(false);

    dlg.mSongTitle->setText(QStringLiteral("   "));
    boxes.answer(vb::vbOK);
    dlg.cmdSave_Click();
    dlg.mSongTitle->setText(QStringLiteral("  Strong Enough  "));
    boxes.answer(vb::vbYes);
    dlg.cmdSave_Click();
    EXPECT_EQ(dlg.mSongTitle->text(), "Strong Enough");
    EXPECT_EQ(dlg.mArtist->text(), "Cher");
    boxes.answer(vb::vbOK);
    dlg.cmdSave_Click();
    expectBoxes(boxes, {refusal(kNameMessage), moreData("song title"), clash("Strong Enough")});
    dlg.mArtist->setText(QStringLiteral("Ch/er"));
    boxes.answer(vb::vbOK);
    dlg.cmdSave_Click();
    EXPECT_EQ(boxes.calls().back().prompt, kArtistMessage);
    EXPECT_EQ(catalog.rows("select * from songs"), QStringList{"Cher|Believe|Strong Enough"});
    unloadAll();

    ModifyMode = true;
    CurrentEntry = CatalogEntry{};
    CurrentEntry.Artist = QStringLiteral("Cher");
    CurrentEntry.Record_Name = QStringLiteral("Believe");
    CurrentEntry.Song_Title = QStringLiteral("Strong Enough");
    CurrentEntry.Level = Level::Song_Titles;
    frmAddSongs& modify = frmAddSongsInstance()();
    modify.mArtist->setText(CurrentEntry.Artist);
    modify.mRecordName->setText(CurrentEntry.Record_Name);
    modify.mSongTitle->setText(QStringLiteral("Believe"));
    modify.cmdSave_Click();
    EXPECT_EQ(boxes.calls().size(), 4u);
    EXPECT_EQ(frmAddSongsInstance().peek(), nullptr);
    EXPECT_EQ(catalog.rows("select * from songs"), QStringList{"Cher|Believe|Believe"});
}

TEST_F(EntryDialogTest, ArtistDialogCreatesTheAccountThenTheRowAndRefusesTakenNames)
{
    auto accountExists = [](const QString& name) {
        bool found = false;
        UserExists(name, found);
        return found;
    };
    frmAddArtist& dlg = frmAddArtistInstance()();
    EXPECT_EQ(dlg.Caption(), "Discavo 3- Artist Data Entry");
    EXPECT_EQ(dlg.HelpContextID, 8);
    EXPECT_EQ(dlg.mArtist->MaxLength(), 15);

    dlg.mArtist->setText(QStringLiteral("AC/DC"));
    boxes.answer(vb::vbOK);
    dlg.cmdSave_Click();
    dlg.mArtist->setText(QStringLiteral("  Cher "));
    boxes.answer(vb::vbYes);
    dlg.cmdSave_Click();
    EXPECT_EQ(dlg.mArtist->text(), "Cher");
    EXPECT_TRUE(accountExists("Cher"));
    EXPECT_EQ(catalog.rows("select [Artist] from records"), QStringList{"Cher"});
    // The accounts compare without regard to case.
    dlg.mArtist->setText(QStringLiteral("CHER"));
    boxes.answer(vb::vbOK);
    dlg.cmdSave_Click();
    expectBoxes(boxes, {refusal(kArtistMessage), moreData("artist"), clash("CHER")});
    EXPECT_EQ(dlg.mArtist->selectedText(), "CHER");
    EXPECT_EQ(catalog.count("select * from records"), 1);
    unloadAll();

    // A rename to the unchanged name is refused as taken; another name renames and closes.
    ModifyMode = true;
    CurrentEntry = CatalogEntry{};
    CurrentEntry.Artist = QStringLiteral("Cher");
    CurrentEntry.Level = Level::Artist;
    frmAddArtist& rename = frmAddArtistInstance()();
    rename.mArtist->setText(QStringLiteral("Cher"));
    boxes.answer(vb::vbOK);
    rename.cmdSave_Click();
    EXPECT_EQ(boxes.calls().back().prompt, clash("Cher").prompt);
    rename.mArtist->setText(QStringLiteral("Sonny"));
    rename.cmdSave_Click();
    EXPECT_EQ(boxes.calls().size(), 4u);
    EXPECT_EQ(frmAddArtistInstance().peek(), nullptr);
    EXPECT_TRUE(accountExists("Sonny"));
    EXPECT_FALSE(accountExists("Cher"));
    EXPECT_EQ(catalog.rows("select Distinct [Artist] from records"), QStringList{"Sonny"});
}

// At each field's limit a character of two UTF-16 units that does not fit is
// left out whole, typed or pasted; what Save writes (the row, and for an
// artist the account) holds it whole or not at all, never half of it.
TEST_F(EntryDialogTest, FieldLimitsLeaveOutACharacterThatDoesNotFitWholeAndSaveNoHalf)
{
    const QString guitar = QString::fromUtf8("\xF0\x9F\x8E\xB8");
    auto type = [](vb::TextBox* box, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(box, &press);
    };
    auto paste = [](vb::TextBox* box, const QString& text) {
        QApplication::clipboard()->setText(text);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    };
    auto fill = [&](vb::TextBox* box, const QString& head, const QString& last) {
        box->clear();
        QTest::keyClicks(box, head);
        type(box, last);
    };
    auto accountNames = [] {
        QStringList names;
        const jet::Users users = jet::DBEngine::Workspaces()(0).Users();
        for (int i = 0; i < users.Count(); ++i)
            names << users.Item(i).Name();
        return names;
    };

    frmAddArtist& artist = frmAddArtistInstance()();
    fill(artist.mArtist, QStringLiteral("Abcdefghijklmn"), guitar);
    EXPECT_EQ(artist.mArtist->text(), "Abcdefghijklmn");
    boxes.answer(vb::vbNo);
    artist.cmdSave_Click();
    EXPECT_EQ(catalog.rows("select [Artist] from records"), QStringList{"Abcdefghijklmn"});
    EXPECT_TRUE(accountNames().contains(QStringLiteral("Abcdefghijklmn"))) << accountNames().join(u',').toStdString();
    unloadAll();

    catalog.addArtist("Cher");
    frmAddRecordName& record = recordDialog(seededRecord());
    record.mRecordName->clear();
    paste(record.mRecordName, QString(59, u'P') + guitar + QString(20000, u'Q'));
    EXPECT_EQ(record.mRecordName->text(), QString(59, u'P'));
    fill(record.mLabelName, QString(59, u'L'), guitar);
    EXPECT_EQ(record.mLabelName->text(), QString(59, u'L'));
    fill(record.mLabelNumber, QString(58, u'7'), guitar); // fits whole
    EXPECT_EQ(record.mLabelNumber->text(), QString(58, u'7') + guitar);
    boxes.answer(vb::vbNo);
    record.cmdSave_Click();
    EXPECT_EQ(catalog.rows("select [Record_Name], [Label_Name], [Label_Number] from records where [Record_Name] "
                           "Like 'P*'"),
              QStringList{QString(59, u'P') + u'|' + QString(59, u'L') + u'|' + QString(58, u'7') + guitar});
    unloadAll();

    frmAddSongs& song = frmAddSongsInstance()();
    song.mArtist->setText(QStringLiteral("Cher"));
    song.mRecordName->setText(QStringLiteral("Believe"));
    fill(song.mSongTitle, QString(99, u'S'), guitar);
    EXPECT_EQ(song.mSongTitle->text(), QString(99, u'S'));
    boxes.answer(vb::vbNo);
    song.cmdSave_Click();
    EXPECT_EQ(catalog.rows("select [Song_Title] from songs"), QStringList{QString(99, u'S')});
    expectBoxes(boxes, {moreData("artist"), moreData("record"), moreData("song title")});
}

// The fields on white keep dark text under a dark desktop theme, enabled or
// not; the others follow the theme.
TEST_F(EntryDialogTest, WhiteFieldsKeepDarkTextUnderADarkTheme)
{
    const testenv::DarkTheme dark;
    frmAddRecordName& record = frmAddRecordNameInstance()();
    frmAddSongs& song = frmAddSongsInstance()();
    const QList<QWidget*> white = {record.mLabelName, record.mLabelNumber, song.mSongTitle};
    for (QWidget* field : white) {
        SCOPED_TRACE(field->objectName().toStdString());
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            SCOPED_TRACE(int(group));
            EXPECT_EQ(field->palette().color(group, QPalette::Base), QColor(Qt::white));
            EXPECT_GE(testenv::contrastRatio(field->palette().color(group, QPalette::Text), Qt::white), 4.5);
        }
    }
    EXPECT_EQ(record.mRecordName->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(record.mRecordName->palette().color(QPalette::Text), QApplication::palette().color(QPalette::Text));
}

// Each label is its field's buddy, so that screen readers name the field by
// it; the captions stay as they are.
TEST_F(EntryDialogTest, EachFieldIsNamedByItsLabel)
{
    frmAddRecordName& record = frmAddRecordNameInstance()();
    frmAddSongs& song = frmAddSongsInstance()();
    frmAddArtist& artist = frmAddArtistInstance()();
    struct Pair {
        QLabel* label;
        QWidget* field;
        const char* caption;
    };
    const std::vector<Pair> pairs = {
        {record.LblFolder_Owner, record.mArtist, "Artist Name:"},
        {record.Label5, record.mRecordName, "Record Name:"},
        {record.Label1, record.cmbRecordType, "Record Type:"},
        {record.Label10, record.cmbRecordCategory, "Record Category:"},
        {record.Label2, record.mLabelName, "Label Name:"},
        {record.Label3, record.mLabelNumber, "Label Number:"},
        {record.Label4, record.cmbRecordCondition, "Record Condition:"},
        {record.Label9, record.cmbSleeveCondition, "Sleeve Condition:"},
        {record.Label8, record.mRecordDate, "Record Date:"},
        {record.Label7, record.mBookValue, "Book Value:"},
        {record.Label6, record.mQuantity, "Quantity on hand:"},
        {song.LblFolder_Owner, song.mArtist, "Artist Name:"},
        {song.Label5, song.mRecordName, "Record Name:"},
        {song.Label2, song.mSongTitle, "Song Title:"},
        {artist.LblFolder_Owner, artist.mArtist, "Artist Name:"},
    };
    for (const Pair& p : pairs) {
        SCOPED_TRACE(p.caption);
        EXPECT_EQ(p.label->text(), QString::fromLatin1(p.caption));
        EXPECT_EQ(p.label->buddy(), p.field);
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(p.field);
        ASSERT_TRUE(field);
        // A combo box's name is its text on this platform; the label relation names it.
        QList<QObject*> labels;
        for (const auto& [other, relation] : field->relations(QAccessible::Label))
            labels << other->object();
        EXPECT_EQ(labels, QList<QObject*>{p.label});
        if (!qobject_cast<QComboBox*>(p.field))
            EXPECT_EQ(field->text(QAccessible::Name), QString::fromLatin1(p.caption));
    }
}

TEST_F(EntryDialogTest, ArtistDialogStaysOpenWhenTheAccountFailsAndClosesWhenTheRowFails)
{
    frmAddArtist& dlg = frmAddArtistInstance()();
    dlg.mArtist->setText(QStringLiteral("Cher"));
    jet::testing::failNext(jet::Operation::UsersAppend, 3043, QStringLiteral("Disk or network error."));
    boxes.answer(vb::vbOK);
    boxes.answer(vb::vbOK);
    dlg.cmdSave_Click();
    expectBoxes(boxes, {{"Error: 3043-Disk or network error.", 16, "Error Adding User System Information"},
                        {"Cannot add Cher.", 16, "User Entry Error!"}});
    ASSERT_NE(frmAddArtistInstance().peek(), nullptr);
    EXPECT_EQ(catalog.count("select * from records"), 0);

    jet::testing::failNext(jet::Operation::Execute, 3043, QStringLiteral("Disk or network error."));
    boxes.answer(vb::vbOK);
    dlg.cmdSave_Click();
    ASSERT_EQ(boxes.calls().size(), 3u);
    EXPECT_EQ(boxes.calls().back().title, "Error!.");
    EXPECT_EQ(frmAddArtistInstance().peek(), nullptr);
    EXPECT_EQ(catalog.count("select * from records"), 0);
    // The account went again with the row: the name stays free.
    bool found = true;
    UserExists(QStringLiteral("Cher"), found);
    EXPECT_FALSE(found);
}

// The Help button sends F1 to the control that has the focus; the window
// answers it with its help topic.
TEST_F(EntryDialogTest, HelpShowsTheTopicOfTheWindowsHelpContext)
{
    const QString previousHelpFile = vb::App::HelpFile();
    vb::App::setHelpFile(vb::App::file(QStringLiteral("record.hlp")));
    frmAddRecordName& record = frmAddRecordNameInstance()();
    record.cmdHelp_Click();
    showActive(record);
    for (QWidget* focus : {static_cast<QWidget*>(record.cmbRecordType), static_cast<QWidget*>(record.mRecordDate),
                           static_cast<QWidget*>(record.cmdHelp)}) {
        focus->setFocus();
        record.cmdHelp->click();
    }
    QTest::keyClick(record.mArtist, Qt::Key_F1);
    frmAddSongsInstance()().cmdHelp_Click();
    frmAddArtistInstance()().cmdHelp_Click();
    std::vector<quint32> contexts;
    for (const help::Request& r : helpRequests) {
        EXPECT_EQ(r.file, vb::App::HelpFile());
        EXPECT_EQ(r.command, HELP_CONTEXT);
        contexts.push_back(r.context);
    }
    EXPECT_EQ(contexts, (std::vector<quint32>{9, 9, 9, 9, 9, 27, 8}));
    EXPECT_TRUE(boxes.empty());
    vb::App::setHelpFile(previousHelpFile);
}

TEST_F(EntryDialogTest, TheCloseBoxAndCancelUnloadWithoutSaving)
{
    frmAddArtist& artist = frmAddArtistInstance()();
    artist.mArtist->setText(QStringLiteral("Cher"));
    artist.show();
    EXPECT_TRUE(artist.close());
    EXPECT_EQ(frmAddArtistInstance().peek(), nullptr);
    frmAddSongs& songs = frmAddSongsInstance()();
    songs.cmdCancel->click();
    EXPECT_EQ(frmAddSongsInstance().peek(), nullptr);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(catalog.count("select * from records"), 0);
    // The next opening starts again from Form_Load.
    EXPECT_EQ(frmAddArtistInstance()().mArtist->text(), "");
}

} // namespace
