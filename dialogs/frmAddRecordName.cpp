#include "dialogs/frmAddRecordName.h"

#include "catalog/ValueParse.h"
#include "vb/App.h"
#include "vb/MousePointer.h"
#include "vb/TextBox.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

const QStringList kRecordTypes = {
    QStringLiteral("78-12"),  QStringLiteral("78-10"),  QStringLiteral("78-BS"),  QStringLiteral("78-ALB"),
    QStringLiteral("78-PD"),  QStringLiteral("78-MA"),  QStringLiteral("78-DUO"), QStringLiteral("78-ALM"),
    QStringLiteral("00-ET"),  QStringLiteral("45"),     QStringLiteral("45-EP"),  QStringLiteral("45-BS"),
    QStringLiteral("45-PS"),  QStringLiteral("45-MA"),  QStringLiteral("45-DUO"), QStringLiteral("00-CD"),
    QStringLiteral("00-CS"),  QStringLiteral("00-RR"),  QStringLiteral("33-12"),  QStringLiteral("33-12M"),
    QStringLiteral("33-10"),  QStringLiteral("33- 7"),  QStringLiteral("33-PD"),  QStringLiteral("33-BS"),
    QStringLiteral("33-DUO"),
};

const QStringList kConditions = {
    QStringLiteral("Mint"),
    QStringLiteral("Good"),
    QStringLiteral("Fair"),
    QStringLiteral("Bad"),
};

const QStringList kCategories = {
    QStringLiteral("Soundtrack"), QStringLiteral("Alternative"), QStringLiteral("Jazz"),
    QStringLiteral("Blues"),      QStringLiteral("Children Music"), QStringLiteral("Punk"),
    QStringLiteral("Reggae"),     QStringLiteral("Ska"),         QStringLiteral("New Age"),
    QStringLiteral("Opera"),      QStringLiteral("Vocalist"),    QStringLiteral("Broadway"),
    QStringLiteral("Pop"),        QStringLiteral("Rock"),        QStringLiteral("Rap"),
    QStringLiteral("Hip-Hop"),    QStringLiteral("RB-Soul"),     QStringLiteral("Country"),
    QStringLiteral("Classical"),  QStringLiteral("Gospel"),      QStringLiteral("Dance"),
    QStringLiteral("Folk"),
};

const QString kDateMessage = QStringLiteral("Invalid entry. Please enter a valid date.");
const QString kValueMessage = QStringLiteral("Invalid entry. Please enter a valid value.");

// A sorted combo box's list: alphabetical without regard to case, the same
// under every locale.
void fillSorted(QComboBox* combo, QStringList items)
{
    std::stable_sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
        const int blind = QString::compare(a, b, Qt::CaseInsensitive);
        return blind != 0 ? blind < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
    });
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(0);
}

} // namespace

frmAddRecordName::frmAddRecordName(QWidget* parent)
    : EntryForm([] { frmAddRecordNameInstance().release(); }, parent)
{
    setObjectName(QStringLiteral("frmAddRecordName"));
    setClientSize(8355, 6315);

    auto label = [this](const char* name, const QString& text, int left, int top, int width = 1320) {
        return addLabel(name, text, left, top, width, 315);
    };
    auto textBox = [this](const char* name, int left, int top, int width) {
        return addTextBox(name, left, top, width, 315);
    };
    auto comboBox = [this](const char* name, int top) { return addComboBox(name, 2040, top, 4815, 315); };
    auto button = [this](const char* name, const QString& caption, int left) {
        return addButton(name, caption, left, 5760);
    };

    LblFolder_Owner = label("LblFolder_Owner", QStringLiteral("Artist Name:"), 600, 120);
    Label5 = label("Label5", QStringLiteral("Record Name:"), 600, 720);
    Label1 = label("Label1", QStringLiteral("Record Type:"), 600, 1320);
    Label10 = label("Label10", QStringLiteral("Record Category:"), 600, 1800);
    Label2 = label("Label2", QStringLiteral("Label Name:"), 600, 2280);
    Label3 = label("Label3", QStringLiteral("Label Number:"), 600, 2880);
    Label4 = label("Label4", QStringLiteral("Record Condition:"), 600, 3480);
    Label9 = label("Label9", QStringLiteral("Sleeve Condition:"), 600, 3960);
    Label8 = label("Label8", QStringLiteral("Record Date:"), 600, 4560);
    Label7 = label("Label7", QStringLiteral("Book Value:"), 600, 5160);
    Label6 = label("Label6", QStringLiteral("Quantity on hand:"), 3840, 4800, 1395);

    mArtist = textBox("mArtist", 2040, 120, 4815);
    mArtist->setMaxLength(15);
    mRecordName = textBox("mRecordName", 2040, 720, 4815);
    mRecordName->setMaxLength(25);
    cmbRecordType = comboBox("cmbRecordType", 1320);
    cmbRecordCategory = comboBox("cmbRecordCategory", 1800);
    mLabelName = textBox("mLabelName", 2040, 2280, 4815);
    mLabelName->setMaxLength(25);
    mLabelNumber = textBox("mLabelNumber", 2040, 2880, 4815);
    mLabelNumber->setMaxLength(25);
    cmbRecordCondition = comboBox("cmbRecordCondition", 3480);
    cmbSleeveCondition = comboBox("cmbSleeveCondition", 3960);
    mRecordDate = textBox("mRecordDate", 2040, 4560, 1575);
    mRecordDate->setInputMask(QStringLiteral("99/99/9999;_"));
    mBookValue = textBox("mBookValue", 2040, 5160, 1575);
    mBookValue->setMaxLength(9);
    mQuantity = textBox("mQuantity", 5280, 4800, 1575);
    mQuantity->setMaxLength(9);
    paintWhite(mLabelName);
    paintWhite(mLabelNumber);
    // Screen readers name each field after its label.
    LblFolder_Owner->setBuddy(mArtist);
    Label5->setBuddy(mRecordName);
    Label1->setBuddy(cmbRecordType);
    Label10->setBuddy(cmbRecordCategory);
    Label2->setBuddy(mLabelName);
    Label3->setBuddy(mLabelNumber);
    Label4->setBuddy(cmbRecordCondition);
    Label9->setBuddy(cmbSleeveCondition);
    Label8->setBuddy(mRecordDate);
    Label7->setBuddy(mBookValue);
    Label6->setBuddy(mQuantity);

    cmdSave = button("cmdSave", QStringLiteral("Sa&ve"), 600);
    cmdHelp = button("cmdHelp", QStringLiteral("&Help"), 5160);
    cmdCancel = button("cmdCancel", QStringLiteral("Can&cel"), 6600);
    setDefaultButton(cmdSave);

    setTabChain({mArtist, mRecordName, cmbRecordType, cmbRecordCategory, mLabelName, mLabelNumber, cmbRecordCondition,
                 cmbSleeveCondition, mRecordDate, mBookValue, mQuantity, cmdSave, cmdHelp, cmdCancel});

    connect(cmdSave, &QPushButton::clicked, this, &frmAddRecordName::cmdSave_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmAddRecordName::cmdHelp_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddRecordName::cmdCancel_Click);

    onGotFocus(mArtist, [this] { mArtist_GotFocus(); });
    onGotFocus(mRecordName, [this] { mRecordName_GotFocus(); });
    onGotFocus(cmbRecordType, [this] { cmbRecordType_GotFocus(); });
    onGotFocus(cmbRecordCategory, [this] { cmbRecordCategory_GotFocus(); });
    onGotFocus(mLabelName, [this] { mLabelName_GotFocus(); });
    onGotFocus(mLabelNumber, [this] { mLabelNumber_GotFocus(); });
    onGotFocus(cmbRecordCondition, [this] { cmbRecordCondition_GotFocus(); });
    onGotFocus(cmbSleeveCondition, [this] { cmbSleeveCondition_GotFocus(); });
    onGotFocus(mRecordDate, [this] { mRecordDate_GotFocus(); });
    onGotFocus(mBookValue, [this] { mBookValue_GotFocus(); });
    onGotFocus(mQuantity, [this] { mQuantity_GotFocus(); });
    fitFont();
    watchControls();
}

void frmAddRecordName::Form_Load()
{
    mArtist->setMaxLength(15);
    mRecordName->setMaxLength(60);
    mLabelName->setMaxLength(60);
    mLabelNumber->setMaxLength(60);
    setCaption(vb::App::Title() + QStringLiteral("- Record Data Entry"));
    HelpContextID = 9;
    fillSorted(cmbRecordType, kRecordTypes);
    fillSorted(cmbRecordCondition, kConditions);
    fillSorted(cmbSleeveCondition, kConditions);
    fillSorted(cmbRecordCategory, kCategories);
    setMousePointer(vb::vbDefault);
}

void frmAddRecordName::FillFields(const CatalogEntry& entry)
{
    mArtist->setText(entry.Artist);
    mRecordName->setText(entry.Record_Name);
    mLabelName->setText(entry.Label_Name);
    mLabelNumber->setText(entry.Label_Number);
    cmbRecordType->setEditText(entry.Record_Type);
    cmbRecordCategory->setEditText(entry.Record_Category);
    cmbRecordCondition->setEditText(entry.Record_Condition);
    cmbSleeveCondition->setEditText(entry.Sleeve_Condition);
    mRecordDate->setText(RecordDateField(entry.Record_Date));
    mBookValue->setText(BookValueField(entry.Book_Value));
    mQuantity->setText(QuantityField(entry.Quantity));
}

void frmAddRecordName::cmdSave_Click()
{
    // Each field is trimmed and tested in tab order; the first that fails is reported.
    const QList<QWidget*> names = {mArtist,      mRecordName,  cmbRecordType,      cmbRecordCategory,
                                   mLabelName,   mLabelNumber, cmbRecordCondition, cmbSleeveCondition};
    for (QWidget* field : names) {
        if (!acceptName(field, field == mArtist ? artistMessage() : nameMessage()))
            return;
    }
    // The mask leaves no blank to trim; its shown text holds the unfilled positions.
    const std::optional<vb::Date> date = ParseRecordDate(mRecordDate->Text());
    if (!date) {
        refuseField(mRecordDate, kDateMessage);
        return;
    }
    const std::optional<vb::Currency> bookValue = ParseBookValue(trimField(mBookValue));
    if (!bookValue) {
        refuseField(mBookValue, kValueMessage);
        return;
    }
    const std::optional<std::int32_t> quantity = ParseQuantity(trimField(mQuantity));
    if (!quantity) {
        refuseField(mQuantity, kValueMessage);
        return;
    }

    setMousePointer(vb::vbHourglass);
    CatalogEntry entry;
    entry.Artist = mArtist->Text();
    entry.Record_Name = mRecordName->Text();
    entry.Record_Type = cmbRecordType->currentText();
    entry.Record_Category = cmbRecordCategory->currentText();
    entry.Label_Name = mLabelName->Text();
    entry.Label_Number = mLabelNumber->Text();
    entry.Record_Condition = cmbRecordCondition->currentText();
    entry.Sleeve_Condition = cmbSleeveCondition->currentText();
    entry.Record_Date = *date;
    entry.Book_Value = *bookValue;
    entry.Quantity = *quantity;
    entry.Level = Level::Record_Name;

    saveEntry(entry, mRecordName, QStringLiteral("Do you want to enter another record?"));
}

void frmAddRecordName::mArtist_GotFocus() { mArtist->selectWhole(); }
void frmAddRecordName::mRecordName_GotFocus() { mRecordName->selectWhole(); }
void frmAddRecordName::cmbRecordType_GotFocus() { selectWhole(cmbRecordType); }
void frmAddRecordName::cmbRecordCategory_GotFocus() { selectWhole(cmbRecordCategory); }
void frmAddRecordName::mLabelName_GotFocus() { mLabelName->selectWhole(); }
void frmAddRecordName::mLabelNumber_GotFocus() { mLabelNumber->selectWhole(); }
void frmAddRecordName::cmbRecordCondition_GotFocus() { selectWhole(cmbRecordCondition); }
void frmAddRecordName::cmbSleeveCondition_GotFocus() { selectWhole(cmbSleeveCondition); }
void frmAddRecordName::mRecordDate_GotFocus() { mRecordDate->selectWhole(); }
void frmAddRecordName::mBookValue_GotFocus() { mBookValue->selectWhole(); }
void frmAddRecordName::mQuantity_GotFocus() { mQuantity->selectWhole(); }

vb::DefaultInstance<frmAddRecordName>& frmAddRecordNameInstance()
{
    static vb::DefaultInstance<frmAddRecordName> instance;
    return instance;
}
