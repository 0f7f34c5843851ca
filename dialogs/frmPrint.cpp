#include "dialogs/frmPrint.h"

#include "catalog/DataAccess.h"
#include "catalog/ProgramState.h"
#include "catalog/ScreenLayout.h"
#include "catalog/ValueText.h"
#include "help/Help.h"
#include "reports/ReportDocument.h"
#include "vb/App.h"
#include "vb/Control.h"
#include "vb/MousePointer.h"
#include "vb/MsgBox.h"
#include "vb/Runtime.h"
#include "vb/Twips.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <cmath>

QString PrintReportKind = QStringLiteral("Artist");

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A factor that is zero or not a number leaves the layout as it is.
float usableFactor(double factor)
{
    return (std::isfinite(factor) && factor > 0) ? static_cast<float>(factor) : 1.0f;
}

const QString kColumns = QStringLiteral(", [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]  ");
const QString kOrder = QStringLiteral(" Order by [Artist] ") + QStringLiteral(", [Record_Name], [Record_Type], [Record_Name] ");

} // namespace

QString frmPrint::ReportQuery(const QString& kind)
{
    if (kind == QLatin1String("Artist"))
        return QStringLiteral(" Select [Artist] ") + QStringLiteral(", [Record_Name], [Label_Name] ")
               + QStringLiteral(", [Record_Type] ") + kColumns + QStringLiteral(" from records ")
               + QStringLiteral(" where IsNull([Record_Name])") + QStringLiteral(" and [Artist] Not In ")
               + QStringLiteral("( Select [Artist] ") + QStringLiteral(" from records ")
               + QStringLiteral(" where Not IsNull([Record_Name])") + QStringLiteral(")") + QStringLiteral(" Union")
               + QStringLiteral(" Select [Artist] ") + QStringLiteral(", [Record_Name], [Label_Name] ")
               + QStringLiteral(", [Record_Type] ") + kColumns + QStringLiteral(" from records ")
               + QStringLiteral(" where Not IsNull([Record_Name])") + QStringLiteral(" group by ")
               + QStringLiteral(" [Artist] ") + QStringLiteral(", [Record_Name], [Label_Name] ")
               + QStringLiteral(", [Record_Type] ") + kColumns + kOrder;
    const QString rest = QStringLiteral(" [Record_Type], [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]  ")
                         + QStringLiteral(" from records ") + QStringLiteral(" where Not IsNull([Record_Name])") + kOrder;
    if (kind == QLatin1String("Record Name"))
        return QStringLiteral(" Select Distinct [Artist], [Record_Name], [Label_Name], ") + rest;
    if (kind == QLatin1String("Record Type"))
        return QStringLiteral(" Select Distinct [Artist], [Record_Name],[Label_Name], ") + rest;
    if (kind == QLatin1String("Song Titles"))
        return QStringLiteral(" Select Distinctrow [Artist], [Record_Name], [Song_Title] ") + QStringLiteral(" from songs ");
    return QString();
}

frmPrint::frmPrint(QWidget* parent) : vb::Form(parent)
{
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral(" - Print"));
    const auto place = [](QWidget* w, int left, int top, int width, int height) {
        vb::ctlMove(w, left, top, width, height);
    };

    TabStrip1 = new QTabWidget(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->addTab(new QWidget, QStringLiteral("Reports"));
    place(TabStrip1, 120, 120, 5415, 3240);

    fraReports = new QGroupBox(QStringLiteral("Print"), this);
    fraReports->setObjectName(QStringLiteral("fraReports"));
    place(fraReports, 360, 600, 4935, 2040);
    const QString captions[4] = {QStringLiteral("Artist Index Report"), QStringLiteral("Record Index Report"),
                                 QStringLiteral("Record Type Index Report"), QStringLiteral("Song Title Index Report")};
    for (int i = 0; i < 4; ++i) {
        optIndexRpt[i] = new QRadioButton(captions[i], fraReports);
        optIndexRpt[i]->setObjectName(QStringLiteral("optIndexRpt%1").arg(i));
        place(optIndexRpt[i], 360, 360 + i * 390, 4335, 315);
        connect(optIndexRpt[i], &QRadioButton::clicked, this, [this, i] { optIndexRpt_Click(i); });
    }
    optIndexRpt[0]->setChecked(true);

    lblMsg[1] = new QLabel(this);
    lblMsg[1]->setObjectName(QStringLiteral("lblMsg1"));
    lblMsg[1]->setWordWrap(true);
    place(lblMsg[1], 360, 2700, 4935, 540);

    const auto button = [this, &place](QPushButton*& b, const QString& name, const QString& text, int left) {
        b = new QPushButton(text, this);
        b->setObjectName(name);
        place(b, left, 3525, 1455, 375);
    };
    button(cmdPrint, QStringLiteral("cmdPrint"), QStringLiteral("Print Pre&view"), 1020);
    button(cmdCancel, QStringLiteral("cmdCancel"), QStringLiteral("Can&cel"), 2580);
    button(cmdHelp, QStringLiteral("cmdHelp"), QStringLiteral("&Help"), 4080);
    cmdPrint->setDefault(true);
    connect(cmdPrint, &QPushButton::clicked, this, &frmPrint::cmdPrint_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPrint::cmdCancel_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmPrint::cmdHelp_Click);

    registerControl(TabStrip1, vb::ControlKind::Other);
    registerControl(fraReports, vb::ControlKind::Other);
    for (QRadioButton* o : optIndexRpt)
        registerControl(o, vb::ControlKind::Other);
    registerControl(lblMsg[1], vb::ControlKind::Other);
    registerControl(cmdPrint, vb::ControlKind::CommandButton);
    registerControl(cmdCancel, vb::ControlKind::CommandButton);
    registerControl(cmdHelp, vb::ControlKind::CommandButton);

    resize(vb::twipsToPixelsX(5655), vb::twipsToPixelsY(4140));
}

frmPrint::~frmPrint()
{
    repWindow.Close();
}

void frmPrint::Form_Load()
{
    setMousePointer(vb::vbHourglass);
    setCaption(vb::App::Title() + Caption());
    HelpContextID = 24;
    ConnectText = ConnectString;
    PrintReportKind = QStringLiteral("Artist");
    lblMsg[1]->setText(QStringLiteral("Before printing, make sure your printer is loaded with plain paper."));
    reports::setCellRendering({[](double d) { return RecordDateText(d); },
                               [](std::int64_t c) { return BookValueText(c); },
                               [](std::int32_t q) { return QuantityText(q); }});

    GetScreenSize(ScreenWidthPx, ScreenHeightPx);
    FirstLayout = true;
    FirstResizeDone = false;
    const double twipsX = std::round(static_cast<double>(vb::TwipsPerPixelX()));
    const double twipsY = std::round(static_cast<double>(vb::TwipsPerPixelY()));
    const double widthPx = std::round(vb::ScreenWidth() / twipsX);
    const double heightPx = std::round(vb::ScreenHeight() / twipsY);
    const float scaleX = usableFactor(static_cast<float>(widthPx) / static_cast<float>(ScreenWidthPx));
    const float scaleY = usableFactor(static_cast<float>(heightPx) / static_cast<float>(ScreenHeightPx));
    ScaleFormControls(scaleX, scaleY, *this);

    LastFormHeight = Height();
    LastFormWidth = Width();
    recordLayout();
    vb::DoEvents();
    setMousePointer(vb::vbDefault);
}

void frmPrint::recordLayout()
{
    loadLayout_.clear();
    for (const vb::FormControl& c : Controls())
        if (auto* w = qobject_cast<QWidget*>(c.object.data()))
            loadLayout_.push_back({w, vb::ctlLeft(w), vb::ctlTop(w), vb::ctlWidth(w), vb::ctlHeight(w)});
    loadClientWidth_ = ScaleWidth();
    loadClientHeight_ = ScaleHeight();
}

void frmPrint::restoreLayout()
{
    for (const Place& p : loadLayout_)
        vb::ctlMove(p.control, p.left, p.top, p.width, p.height);
}

void frmPrint::Form_Resize()
{
    setMousePointer(vb::vbHourglass);
    centreOnScreen();
    if (FirstResizeDone) {
        if (WindowState() != vb::vbMinimized && loadClientWidth_ > 0 && loadClientHeight_ > 0) {
            FirstLayout = false;
            restoreLayout();
            ScaleFormControls(usableFactor(static_cast<double>(ScaleWidth()) / loadClientWidth_),
                              usableFactor(static_cast<double>(ScaleHeight()) / loadClientHeight_), *this);
            LastFormWidth = Width();
            LastFormHeight = Height();
        }
    } else {
        FirstResizeDone = true;
    }
    setMousePointer(vb::vbDefault);
}

void frmPrint::Form_Unload(int& cancel)
{
    (void)cancel;
    cmdCancel_Click();
}

void frmPrint::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        cmdHelp_Click();
        return;
    }
    vb::Form::keyPressEvent(event);
}

void frmPrint::optIndexRpt_Click(int index)
{
    switch (index) {
    case 0:
        PrintReportKind = QStringLiteral("Artist");
        break;
    case 1:
        PrintReportKind = QStringLiteral("Record Name");
        break;
    case 2:
        PrintReportKind = QStringLiteral("Record Type");
        break;
    case 3:
        PrintReportKind = QStringLiteral("Song Titles");
        break;
    default:
        break;
    }
}

void frmPrint::closeData()
{
    try {
        if (rs.isOpen())
            rs.Close();
    } catch (const jet::Error&) {
    }
    rs = jet::Recordset();
    try {
        db.Close();
    } catch (const jet::Error&) {
    }
    db = jet::Database();
}

void frmPrint::releaseReport()
{
    repWindow.Close();
    repWindow = reports::PreviewWindowHandle();
    crView.reset();
    crTable.reset();
    crTables.reset();
    crDatabase.reset();
    crystalReport.reset();
    crpeApp.reset();
}

void frmPrint::cmdPrint_Click()
{
    setMousePointer(vb::vbHourglass);
    closeData();
    releaseReport();
    ReportPath.clear();

    static const struct {
        const char* kind;
        const char* file;
    } kinds[] = {{"Artist", "ArtistIdxRpt.rpt"},
                 {"Record Name", "RecordIdxRpt.rpt"},
                 {"Record Type", "TypeIdxRpt.rpt"},
                 {"Song Titles", "SongsIdxRpt.rpt"}};
    for (const auto& k : kinds) {
        if (PrintReportKind == QLatin1String(k.kind)) {
            ReportPath = vb::App::file(QLatin1String(k.file));
            TopMargin = 360;
            LeftMargin = 360;
            SQLText = ReportQuery(PrintReportKind);
        }
    }

    // The engine, the report and its table.
    try {
        crpeApp = reports::CreateObject(reports::kProgId);
        crystalReport = crpeApp->OpenReport(ReportPath);
        crDatabase = crystalReport->Database();
        crTables = crDatabase->Tables();
        crTable = crTables->Item(1);
    } catch (const reports::Error& e) {
        setMousePointer(vb::vbDefault);
        vb::MsgBox(e.Description(), vb::vbCritical, QStringLiteral("Printing Error!"));
        releaseReport();
        return;
    }

    // The rows.
    try {
        db = jet::DBEngine::Workspaces()(0).OpenDatabase(vb::App::file(QStringLiteral("records.mdb")), false, false,
                                                        ConnectText);
        rs = db.OpenRecordset(SQLText, jet::dbOpenSnapshot);
    } catch (const jet::Error& e) {
        setMousePointer(vb::vbDefault);
        ShowDatabaseAccessErrorBox(e.Description(), QStringLiteral("Printing Error!"), false);
        closeData();
        setMousePointer(vb::vbDefault);
        return;
    }
    if (rs.RecordCount() == 0) {
        vb::MsgBox(QStringLiteral("No records found to print."), vb::vbInformation, QStringLiteral("Printing..."));
        setMousePointer(vb::vbDefault);
        return;
    }

    const auto reportFailed = [this]() {
        if (crystalReport->ErrorNumber() == 0)
            return false;
        setMousePointer(vb::vbDefault);
        const int number = crystalReport->ErrorNumber();
        const QString numberText = (number >= 0 ? QStringLiteral(" ") : QString()) + QString::number(number);
        vb::MsgBox(QStringLiteral("Unexpected report error: ") + numberText + QStringLiteral(" ")
                       + crystalReport->ErrorText(),
                   vb::vbCritical, QStringLiteral("Printing Error!"));
        crystalReport->DiscardJob();
        return true;
    };

    // Hand the rows over and set the page and the preview's buttons; a failing
    // step is left out and reported below.
    const auto step = [](const std::function<void()>& body) {
        try {
            body();
        } catch (const reports::Error&) {
        }
    };
    step([this] { crTable->SetDataSource(reports::kRecordsetDataTag, rs); });
    // The report has taken the rows: the snapshot's memory goes now, before
    // the report lays them out.
    try {
        if (rs.isOpen())
            rs.Close();
    } catch (const jet::Error&) {
    }
    step([this] {
        crTable->LogOnServer(QString(), vb::App::file(QStringLiteral("records.mdb")), QStringLiteral("brevlin"),
                             QStringLiteral("mossgravel"));
    });
    step([this] {
        crystalReport->Margins().setTopMargin(TopMargin);
        crystalReport->Margins().setLeftMargin(LeftMargin);
    });
    step([this] {
        crystalReport->PrintWindowOptions().setHasPrintButton(true);
        crystalReport->PrintWindowOptions().setHasPrintSetupButton(false);
        crystalReport->PrintWindowOptions().setHasSearchButton(false);
        crystalReport->PrintWindowOptions().setHasRefreshButton(false);
        crystalReport->PrintWindowOptions().setHasCancelButton(true);
        crystalReport->PrintWindowOptions().setHasCloseButton(true);
        crystalReport->PrintWindowOptions().setHasExportButton(false);
        crystalReport->PrintWindowOptions().setHasNavigationControls(true);
        crystalReport->PrintWindowOptions().setHasProgressControls(true);
    });
    if (reportFailed())
        return;
    setMousePointer(vb::vbDefault);
    MsgText = QStringLiteral("You can print the records from the Print Preview Window by clicking the Printer Icon.")
              + kCrLf
              + QStringLiteral("When you are ready to print, make sure the printer is ready and loaded with the proper labels or paper.");
    vb::MsgBox(MsgText, vb::vbInformation, vb::App::Title());
    setMousePointer(vb::vbHourglass);
    step([this] { crView = crystalReport->Preview(vb::App::Title() + QStringLiteral(" - Print Preview"), this); });

    if (reportFailed())
        return;
    if (crView) {
        repWindow = crView->Window();
        repWindow.setActive(true);
    }
    vb::DoEvents();
    setMousePointer(vb::vbDefault);
}

void frmPrint::cmdCancel_Click()
{
    if (cancelling_)
        return;
    cancelling_ = true;
    setMousePointer(vb::vbHourglass);
    closeData();
    releaseReport();
    bool ok = false;
    ExecuteSql(QStringLiteral("Update Records Set [Record_Marked] = ") + QStringLiteral("False")
                   + QStringLiteral(" where ") + QStringLiteral(" [Record_Marked] = ") + QStringLiteral("True"),
               ok);
    Hide();
    frmPrintInstance().release();
    vb::Unload(this);
    setMousePointer(vb::vbDefault);
}

void frmPrint::cmdHelp_Click()
{
    WinHelpA(this, vb::App::HelpFile(), HELP_CONTEXT, static_cast<quintptr>(HelpContextID));
}

vb::DefaultInstance<frmPrint>& frmPrintInstance()
{
    static vb::DefaultInstance<frmPrint> instance;
    return instance;
}
