#pragma once

#include "catalog/CatalogEntry.h"
#include "dialogs/EntryForm.h"
#include "vb/DefaultInstance.h"

class QComboBox;
class QLabel;
class QPushButton;
namespace vb {
class TextBox;
}

// The record dialog: adds a record to an artist, or saves the changes to the
// record in CurrentEntry when ModifyMode is set.
//
// How an opener uses it:
//   ModifyMode = false or true (true: CurrentEntry holds the record's old values);
//   frmAddRecordName& dlg = frmAddRecordNameInstance()();  // creates it, runs Form_Load
//   dlg.mArtist->setText(artist); dlg.mArtist->setEnabled(false);
//   dlg.mRecordName->setText(...);  or, for a modify, dlg.FillFields(CurrentEntry);
//   dlg.Show(vb::vbModal);  // returns once the dialog has closed and unloaded itself
// Combo boxes are prefilled by setEditText (a value absent from the list stays
// as it is); the date, book value and quantity fields take the texts of
// RecordDateField, BookValueField and QuantityField (catalog/ValueParse.h),
// empty for a missing value.
class frmAddRecordName : public EntryForm {
    Q_OBJECT
public:
    explicit frmAddRecordName(QWidget* parent = nullptr);

    QLabel* LblFolder_Owner = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label6 = nullptr;

    // In tab order.
    vb::TextBox* mArtist = nullptr;
    vb::TextBox* mRecordName = nullptr;
    QComboBox* cmbRecordType = nullptr;
    QComboBox* cmbRecordCategory = nullptr;
    vb::TextBox* mLabelName = nullptr;
    vb::TextBox* mLabelNumber = nullptr;
    QComboBox* cmbRecordCondition = nullptr;
    QComboBox* cmbSleeveCondition = nullptr;
    vb::TextBox* mRecordDate = nullptr;
    vb::TextBox* mBookValue = nullptr;
    vb::TextBox* mQuantity = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Writes the entry's eleven record fields into the controls, in tab order.
    void FillFields(const CatalogEntry& entry);

    void cmdSave_Click();

    void mArtist_GotFocus();
    void mRecordName_GotFocus();
    void cmbRecordType_GotFocus();
    void cmbRecordCategory_GotFocus();
    void mLabelName_GotFocus();
    void mLabelNumber_GotFocus();
    void cmbRecordCondition_GotFocus();
    void cmbSleeveCondition_GotFocus();
    void mRecordDate_GotFocus();
    void mBookValue_GotFocus();
    void mQuantity_GotFocus();

protected:
    void Form_Load() override;
};

vb::DefaultInstance<frmAddRecordName>& frmAddRecordNameInstance();
