#include "dialogs/frmPrint.h"

#include "catalog/ProgramState.h"
#include "jet/Engine.h"
#include "reports/PreviewWindow.h"
#include "support/CatalogFixture.h"
#include "vb/App.h"
#include "vb/Control.h"
#include "help/Help.h"

#include <QTest>

#include <QGroupBox>
#include <QRegularExpression>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace {

const QString kInfo = QStringLiteral("You can print the records from the Print Preview Window by clicking the Printer Icon.\r\n"
                                     "When you are ready to print, make sure the printer is ready and loaded with the "
                                     "proper labels or paper.");

void copyTemplates(const QString& folder)
{
    for (const char* name : {"ArtistIdxRpt.rpt", "RecordIdxRpt.rpt", "TypeIdxRpt.rpt", "SongsIdxRpt.rpt"})
        QFile::copy(QDir(QStringLiteral(REPORT_TEMPLATES)).filePath(QLatin1String(name)),
                    QDir(folder).filePath(QLatin1String(name)));
}

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Words of each non-empty line, blanks collapsed, without the page header's date.
QStringList pdfLines(const QString& pdf)
{
    QStringList lines;
    for (const QString& line : pdfText(pdf).split(QLatin1Char('\n'))) {
        const QString simple = line.simplified();
        if (!simple.isEmpty())
            lines << simple;
    }
    return lines;
}

class PrintDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        ResetProgramState();
        copyTemplates(db.folder());
    }
    void TearDown() override
    {
        if (frmPrint* f = frmPrintInstance().peek()) {
            vb::Unload(f);
        }
        frmPrintInstance().release();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Loads the dialog, picks the report and clicks Print Preview, answering the information box.
    reports::PreviewWindow* preview(int option)
    {
        frmPrint& f = frmPrintInstance()();
        f.optIndexRpt[option]->click();
        boxes.answer(vb::vbOK);
        f.cmdPrint_Click();
        return f.previewWindow().window();
    }

    QStringList reportLines(int option)
    {
        reports::PreviewWindow* w = preview(option);
        if (!w) {
            ADD_FAILURE() << "no preview";
            return {};
        }
        const QString pdf = QDir(db.folder()).filePath(QStringLiteral("report.pdf"));
        EXPECT_TRUE(w->exportPdf(pdf));
        return pdfLines(pdf);
    }

    void fillSmallCatalogue()
    {
        db.addRecord(QStringLiteral("Zoe Ray"), QStringLiteral("Night Train"), QStringLiteral("03/04/1961"),
                     QStringLiteral("12.5"), 2);
        db.addRecord(QStringLiteral("Zoe Ray"), QStringLiteral("Blue Hour"));
        db.addRecord(QStringLiteral("émile Sax"), QStringLiteral("Apex"));
        db.addArtist(QStringLiteral("Ann Only"));
        db.exec(QStringLiteral("Update records Set [Record_Type] = '45-EP' where [Record_Name] = 'Blue Hour'"));
        db.addSong(QStringLiteral("Zoe Ray"), QStringLiteral("Night Train"), QStringLiteral("walking"));
        db.addSong(QStringLiteral("Zoe Ray"), QStringLiteral("Night Train"), QStringLiteral("Autumn"));
        db.addSong(QStringLiteral("émile Sax"), QStringLiteral("Apex"), QStringLiteral("Ébène"));
    }

    testenv::CatalogFixture db;
    testenv::ScriptedMsgBox boxes;
};

} // namespace

TEST_F(PrintDialog, LoadsAsTheDialogIsDrawn)
{
    PrintReportKind = QStringLiteral("Song Titles");
    frmPrint& f = frmPrintInstance()();
    EXPECT_EQ(f.Caption(), QStringLiteral("Discavo 3 - Print"));
    EXPECT_EQ(f.HelpContextID, 24);
    EXPECT_EQ(PrintReportKind, QStringLiteral("Artist"));
    EXPECT_EQ(f.TabStrip1->count(), 1);
    EXPECT_EQ(f.TabStrip1->tabText(0), QStringLiteral("Reports"));
    EXPECT_EQ(f.lblMsg[1]->text(), QStringLiteral("Before printing, make sure your printer is loaded with plain paper."));
    const QStringList captions{QStringLiteral("Artist Index Report"), QStringLiteral("Record Index Report"),
                               QStringLiteral("Record Type Index Report"), QStringLiteral("Song Title Index Report")};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(f.optIndexRpt[i]->text(), captions[i]);
    EXPECT_TRUE(f.optIndexRpt[0]->isChecked());
    EXPECT_EQ(f.cmdPrint->text(), QStringLiteral("Print Pre&view"));
    EXPECT_EQ(f.cmdCancel->text(), QStringLiteral("Can&cel"));
    EXPECT_EQ(f.cmdHelp->text(), QStringLiteral("&Help"));
    EXPECT_EQ(f.LastFormWidth, f.Width());
    EXPECT_EQ(f.LastFormHeight, f.Height());

    const QStringList kinds{QStringLiteral("Artist"), QStringLiteral("Record Name"), QStringLiteral("Record Type"),
                            QStringLiteral("Song Titles")};
    for (int i = 3; i >= 0; --i) {
        f.optIndexRpt_Click(i);
        EXPECT_EQ(PrintReportKind, kinds[i]);
    }
    f.optIndexRpt_Click(7);
    EXPECT_EQ(PrintReportKind, QStringLiteral("Artist"));
}

TEST_F(PrintDialog, QueriesAreThoseOfTheReportKinds)
{
    EXPECT_EQ(frmPrint::ReportQuery(QStringLiteral("Artist")).size(), 686);
    EXPECT_EQ(frmPrint::ReportQuery(QStringLiteral("Record Name")).size(), 264);
    EXPECT_EQ(frmPrint::ReportQuery(QStringLiteral("Record Type")).size(), 263);
    EXPECT_EQ(frmPrint::ReportQuery(QStringLiteral("Song Titles")),
              QStringLiteral(" Select Distinctrow [Artist], [Record_Name], [Song_Title]  from songs "));
    EXPECT_EQ(frmPrint::ReportQuery(QStringLiteral("Record Name")),
              QStringLiteral(" Select Distinct [Artist], [Record_Name], [Label_Name],  [Record_Type], [Record_Condition], "
                             "[Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]   from records  where Not "
                             "IsNull([Record_Name]) Order by [Artist] , [Record_Name], [Record_Type], [Record_Name] "));
}

TEST_F(PrintDialog, EachReportListsItsRowsInItsOrder)
{
    fillSmallCatalogue();
    const QString today = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    const struct {
        int option;
        QStringList lines;
    } cases[] = {
        {0,
         {QStringLiteral("Artist Index ") + today,
          QStringLiteral("Record Name Label Type Record Sleeve Date Book Value Quantity"), QStringLiteral("Ann Only"),
          QStringLiteral("émile Sax"), QStringLiteral("Apex Label 33-LP Mint Good 01/02/1990 1 1"),
          QStringLiteral("Zoe Ray"), QStringLiteral("Blue Hour Label 45-EP Mint Good 01/02/1990 1 1"),
          QStringLiteral("Night Train Label 33-LP Mint Good 03/04/1961 12.5 2"), QStringLiteral("Page 1 of 1")}},
        {1,
         {QStringLiteral("Record Index ") + today,
          QStringLiteral("Record Name Artist Label Type Record Sleeve Date Book Value Quantity"),
          QStringLiteral("Apex émile Sax Label 33-LP Mint Good 01/02/1990 1 1"),
          QStringLiteral("Blue Hour Zoe Ray Label 45-EP Mint Good 01/02/1990 1 1"),
          QStringLiteral("Night Train Zoe Ray Label 33-LP Mint Good 03/04/1961 12.5 2"), QStringLiteral("Page 1 of 1")}},
        {2,
         {QStringLiteral("Record Type Index ") + today,
          QStringLiteral("Artist Record Name Label Record Sleeve Date Book Value Quantity"), QStringLiteral("33-LP"),
          QStringLiteral("émile Sax Apex Label Mint Good 01/02/1990 1 1"),
          QStringLiteral("Zoe Ray Night Train Label Mint Good 03/04/1961 12.5 2"), QStringLiteral("45-EP"),
          QStringLiteral("Zoe Ray Blue Hour Label Mint Good 01/02/1990 1 1"), QStringLiteral("Page 1 of 1")}},
        {3,
         {QStringLiteral("Song Title Index ") + today, QStringLiteral("Song Title Artist Record Name"),
          QStringLiteral("Autumn Zoe Ray Night Train"), QStringLiteral("Ébène émile Sax Apex"),
          QStringLiteral("walking Zoe Ray Night Train"), QStringLiteral("Page 1 of 1")}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(reportLines(c.option), c.lines) << "option " << c.option;
        EXPECT_EQ(boxes.calls().back().prompt, kInfo);
        EXPECT_EQ(boxes.calls().back().style, vb::vbInformation);
        EXPECT_EQ(boxes.calls().back().title, QStringLiteral("Discavo 3"));
    }
}

TEST_F(PrintDialog, AnArtistWithoutRecordsIsListedOnceAndPagesAreCounted)
{
    db.addArtist(QStringLiteral("Solo"));
    db.addArtist(QStringLiteral("solo"));
    QStringList inserts;
    for (int i = 0; i < 70; ++i)
        inserts << QStringLiteral("Insert into records ([Artist], [Record_Name], [Record_Type]) Values ('Many', 'R%1', 'LP')")
                       .arg(i, 2, 10, QLatin1Char('0'));
    db.exec(inserts);
    const QStringList lines = reportLines(0);
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^solo$"), QRegularExpression::CaseInsensitiveOption)).size(), 1);
    EXPECT_EQ(lines.filter(QStringLiteral("Page ")), (QStringList{QStringLiteral("Page 1 of 2"), QStringLiteral("Page 2 of 2")}));
    // The second page starts inside the group of "Many" and says so.
    const auto second = lines.indexOf(QStringLiteral("Page 1 of 2")) + 3;
    ASSERT_LT(second, lines.size());
    EXPECT_EQ(lines[second], QStringLiteral("Many (continued)"));
}

TEST_F(PrintDialog, PreviewWindowOffersOnlyTheButtonsAskedFor)
{
    db.addRecord(QStringLiteral("A"), QStringLiteral("R"));
    reports::PreviewWindow* w = preview(1);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Discavo 3 - Print Preview"));
    EXPECT_TRUE(w->isVisible());
    EXPECT_NE(w->printButton(), nullptr);
    EXPECT_NE(w->cancelButton(), nullptr);
    EXPECT_NE(w->closeButton(), nullptr);
    EXPECT_NE(w->nextButton(), nullptr);
    EXPECT_NE(w->progressBar(), nullptr);
    QStringList texts;
    for (QPushButton* b : w->findChildren<QPushButton*>())
        texts << b->text();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&Print..."), QStringLiteral("|<"), QStringLiteral("<"),
                                  QStringLiteral(">"), QStringLiteral(">|"), QStringLiteral("Cancel"),
                                  QStringLiteral("&Close")}));
    EXPECT_EQ(w->pageText(), QStringLiteral("Page 1 of 1"));
}

TEST_F(PrintDialog, EmptyCatalogueHasNothingToPrint)
{
    frmPrint& f = frmPrintInstance()();
    boxes.answer(vb::vbOK);
    f.cmdPrint_Click();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, QStringLiteral("No records found to print."));
    EXPECT_EQ(boxes.calls()[0].style, vb::vbInformation);
    EXPECT_EQ(boxes.calls()[0].title, QStringLiteral("Printing..."));
    EXPECT_FALSE(f.previewWindow().isOpen());
}

TEST_F(PrintDialog, MissingTemplateIsAPrintingErrorNamingTheFile)
{
    db.addRecord(QStringLiteral("A"), QStringLiteral("R"));
    QFile::remove(QDir(db.folder()).filePath(QStringLiteral("RecordIdxRpt.rpt")));
    frmPrint& f = frmPrintInstance()();
    f.optIndexRpt[1]->click();
    boxes.answer(vb::vbOK);
    f.cmdPrint_Click();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt,
              QStringLiteral("The report template %1 cannot be opened.")
                  .arg(QDir::toNativeSeparators(QDir(db.folder()).filePath(QStringLiteral("RecordIdxRpt.rpt")))));
    EXPECT_EQ(boxes.calls()[0].style, vb::vbCritical);
    EXPECT_EQ(boxes.calls()[0].title, QStringLiteral("Printing Error!"));
    EXPECT_FALSE(f.previewWindow().isOpen());
}

TEST_F(PrintDialog, MissingDatabaseShowsTheDatabaseText)
{
    const QString mdb = QDir(db.folder()).filePath(QStringLiteral("records.mdb"));
    QFile::remove(mdb);
    QString description;
    try {
        jet::DBEngine::Workspaces()(0).OpenDatabase(mdb, false, false, QStringLiteral(";uid=brevlin;pwd=mossgravel"));
    } catch (const jet::Error& e) {
        description = e.Description();
    }
    ASSERT_FALSE(description.isEmpty());
    frmPrint& f = frmPrintInstance()();
    boxes.answer(vb::vbOK);
    f.cmdPrint_Click();
    ASSERT_EQ(boxes.calls().size(), 1u);
    const QString folder = vb::App::Path();
    EXPECT_EQ(boxes.calls()[0].prompt,
              QStringLiteral("The Program encountered an error while accessing the database.\r\n") + description
                  + QStringLiteral("\r\nMake sure that the database files exist in ") + folder
                  + QStringLiteral(".\r\nAlso make sure that you have permissions to read, write, and modify the directory ")
                  + folder + QStringLiteral(".\r\n"));
    EXPECT_EQ(boxes.calls()[0].style, vb::vbCritical);
    EXPECT_EQ(boxes.calls()[0].title, QStringLiteral("Printing Error!"));
    boxes.answer(vb::vbOK); // the mark reset on closing fails as well
}

TEST_F(PrintDialog, AReportFailureAfterHandOverIsShownAndTheJobDiscarded)
{
    db.addRecord(QStringLiteral("A"), QStringLiteral("R"));
    const QString path = QDir(db.folder()).filePath(QStringLiteral("ArtistIdxRpt.rpt"));
    QFile::remove(path);
    QFile bad(path);
    bad.open(QIODevice::WriteOnly);
    bad.write("title \"Broken\"\ncolumn Record_Label \"Label\" 2000 text\n");
    bad.close();
    frmPrint& f = frmPrintInstance()();
    boxes.answer(vb::vbOK);
    f.cmdPrint_Click();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt,
              QStringLiteral("Unexpected report error:  20506 The data handed to the report %1 has no field Record_Label.")
                  .arg(QDir::toNativeSeparators(path)));
    EXPECT_EQ(boxes.calls()[0].style, vb::vbCritical);
    EXPECT_EQ(boxes.calls()[0].title, QStringLiteral("Printing Error!"));
    EXPECT_FALSE(f.previewWindow().isOpen());
}

TEST_F(PrintDialog, ASecondClickClosesTheFirstPreviewFirst)
{
    db.addRecord(QStringLiteral("A"), QStringLiteral("R"));
    QPointer<reports::PreviewWindow> first = preview(0);
    ASSERT_TRUE(first);
    frmPrint& f = frmPrintInstance()();
    f.optIndexRpt[3]->click();
    db.addSong(QStringLiteral("A"), QStringLiteral("R"), QStringLiteral("S"));
    boxes.answer(vb::vbOK);
    // The first preview is closed by the time the information box of the second click shows.
    f.cmdPrint_Click();
    EXPECT_TRUE(!first || first->isClosed());
    ASSERT_TRUE(f.previewWindow().isOpen());
    EXPECT_NE(f.previewWindow().window(), first.data());
    EXPECT_EQ(f.previewWindow().window()->pageText(), QStringLiteral("Page 1 of 1"));
}

TEST_F(PrintDialog, CancelAfterTheUserClosedThePreviewResetsTheMarks)
{
    db.addRecord(QStringLiteral("A"), QStringLiteral("R"));
    db.addRecord(QStringLiteral("B"), QStringLiteral("S"));
    db.exec(QStringLiteral("Update records Set [Record_Marked] = True"));
    reports::PreviewWindow* w = preview(0);
    ASSERT_NE(w, nullptr);
    w->closeButton()->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    frmPrint& f = frmPrintInstance()();
    EXPECT_FALSE(f.previewWindow().isOpen());
    f.cmdCancel_Click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frmPrintInstance().peek(), nullptr);
    EXPECT_EQ(db.count(QStringLiteral("Select * from records where [Record_Marked] = True")), 0);
}

TEST_F(PrintDialog, TheCloseBoxCancelsOnceAndTheNextLoadStartsWithTheArtistReport)
{
    db.addRecord(QStringLiteral("A"), QStringLiteral("R"));
    db.exec(QStringLiteral("Update records Set [Record_Marked] = True"));
    bool closed = false;
    testenv::withWatchdog(10000, [&] {
        testenv::later(50, [&] {
            auto* f = qobject_cast<frmPrint*>(QApplication::activeModalWidget());
            ASSERT_NE(f, nullptr);
            f->optIndexRpt[2]->click();
            EXPECT_EQ(PrintReportKind, QStringLiteral("Record Type"));
            f->close();
            closed = true;
        });
        frmPrintInstance()().Show(vb::vbModal);
    });
    EXPECT_TRUE(closed);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frmPrintInstance().peek(), nullptr);
    EXPECT_EQ(db.count(QStringLiteral("Select * from records where [Record_Marked] = True")), 0);
    frmPrint& again = frmPrintInstance()();
    EXPECT_EQ(PrintReportKind, QStringLiteral("Artist"));
    EXPECT_TRUE(again.optIndexRpt[0]->isChecked());
}

TEST_F(PrintDialog, AFailingMarkResetShowsItsBoxAndTheDialogClosesAllTheSame)
{
    frmPrint& f = frmPrintInstance()();
    QFile::remove(QDir(db.folder()).filePath(QStringLiteral("records.mdb")));
    boxes.answer(vb::vbOK);
    f.cmdCancel_Click();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].title, QStringLiteral("Error!."));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frmPrintInstance().peek(), nullptr);
}

TEST_F(PrintDialog, ResizingScalesFromTheLoadLayoutWithoutDrift)
{
    frmPrint& f = frmPrintInstance()();
    f.show();
    QApplication::processEvents();
    const int left = vb::ctlLeft(f.cmdHelp);
    const int width = vb::ctlWidth(f.fraReports);
    const QSize size = f.size();
    for (int i = 0; i < 5; ++i) {
        f.resize(size.width() * 2, size.height() * 2);
        QApplication::processEvents();
        f.resize(size);
        QApplication::processEvents();
    }
    EXPECT_NEAR(vb::ctlLeft(f.cmdHelp), left, 15);
    EXPECT_NEAR(vb::ctlWidth(f.fraReports), width, 15);
    f.resize(size.width() * 2, size.height());
    QApplication::processEvents();
    EXPECT_NEAR(vb::ctlWidth(f.fraReports), width * 2, 30);
    f.resize(0, 0); // no zero-sized layout
    QApplication::processEvents();
    f.resize(size);
    QApplication::processEvents();
    EXPECT_NEAR(vb::ctlWidth(f.fraReports), width, 15);
}

TEST_F(PrintDialog, HelpShowsTopic24)
{
    std::vector<help::Request> requests;
    help::setRequestHandler([&requests](const help::Request& r) {
        requests.push_back(r);
        return true;
    });
    frmPrint& f = frmPrintInstance()();
    f.cmdHelp->click();
    QTest::keyClick(&f, Qt::Key_F1);
    help::setRequestHandler({});
    ASSERT_EQ(requests.size(), 2u);
    for (const help::Request& r : requests) {
        EXPECT_EQ(r.command, HELP_CONTEXT);
        EXPECT_EQ(r.context, 24u);
        EXPECT_EQ(r.file, vb::App::HelpFile());
    }
}
