#pragma once

#include "reports/Engine.h"
#include "jet/Engine.h"
#include "vb/DefaultInstance.h"
#include "vb/Form.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The report the Print dialog previews: "Artist", "Record Name", "Record Type"
// or "Song Titles"; "Artist" after every load of the dialog.
extern QString PrintReportKind;

// The Print dialog: pick one of the four index reports and preview it; the
// preview window prints. Closing the dialog closes the preview and clears the
// record marks.
class frmPrint : public vb::Form {
    Q_OBJECT
public:
    explicit frmPrint(QWidget* parent = nullptr);
    ~frmPrint() override;

    QTabWidget* TabStrip1 = nullptr;
    QGroupBox* fraReports = nullptr;
    std::array<QRadioButton*, 4> optIndexRpt {};
    std::array<QLabel*, 2> lblMsg {}; // element 1 is the one shown
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdHelp = nullptr;

    void optIndexRpt_Click(int index);
    void cmdPrint_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();

    // The preview of the last Print click (closed or not).
    const reports::PreviewWindowHandle& previewWindow() const { return repWindow; }
    QString reportPath() const { return ReportPath; }
    QString queryText() const { return SQLText; }

    // The query of each report kind.
    static QString ReportQuery(const QString& kind);

    std::int32_t LastFormWidth = 0;
    std::int32_t LastFormHeight = 0;

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload(int& cancel) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void closeData();
    void releaseReport();
    void recordLayout();
    void restoreLayout();

    QString ConnectText;
    QString ReportPath;
    QString SQLText;
    QString MsgText;
    double TopMargin = 360;
    std::int16_t LeftMargin = 360;

    jet::Database db;
    jet::Recordset rs;

    std::shared_ptr<reports::Application> crpeApp;
    std::shared_ptr<reports::Report> crystalReport;
    std::optional<reports::ReportDatabase> crDatabase;
    std::optional<reports::ReportTables> crTables;
    std::optional<reports::ReportTable> crTable;
    std::optional<reports::PreviewView> crView;
    reports::PreviewWindowHandle repWindow;

    // The controls' places and the client size as laid out at load: every
    // later rescale starts from them, so repeated resizing does not drift.
    struct Place {
        QWidget* control;
        std::int32_t left, top, width, height;
    };
    std::vector<Place> loadLayout_;
    std::int32_t loadClientWidth_ = 0;
    std::int32_t loadClientHeight_ = 0;
    bool cancelling_ = false;
};

vb::DefaultInstance<frmPrint>& frmPrintInstance();
