#include "dialogs/frmPrint.h"

#include "catalog/ProgramState.h"
#include "jet/Engine.h"
#include "reports/PreviewWindow.h"
#include "support/CatalogFixture.h"
#include "support/QtPrint.h"
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
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <functional>

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

// The date as the rows show it: month, day and four-digit year, with the
// locale's separator.
QString rowDate(const QDate& d, QChar separator)
{
    const auto digits = [](int n, int width) { return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0')); };
    return digits(d.month(), 2) + separator + digits(d.day(), 2) + separator + digits(d.year(), 4);
}

// Words repeated up to exactly `length` characters, without a blank at either end.
QString textOfLength(const QString& words, int length)
{
    QString text;
    while (text.size() < length)
        text += words + QLatin1Char(' ');
    text.truncate(length);
    if (text.endsWith(QLatin1Char(' ')))
        text[length - 1] = QLatin1Char('s');
    return text;
}

// How a value shows in a PDF's text: the characters shown whole, or -1 when
// it is neither whole nor cut with an ellipsis.
int shownLength(const QString& pdfText, const QString& value)
{
    if (pdfText.contains(value))
        return static_cast<int>(value.size());
    for (qsizetype n = value.size() - 1; n > 0; --n)
        if (pdfText.contains(value.left(n) + QChar(0x2026)))
            return -static_cast<int>(n) - 2; // cut after n characters, with the sign
    return -1;
}

// The print dialog answered for one Print... click: a PDF file on the given
// paper and the given pages.
struct PrintChoice {
    QPageSize::PageSizeId paper = QPageSize::A4;
    QPrinter::PrintRange range = QPrinter::AllPages;
    int from = 0;
    int to = 0;
    bool accept = true;
};

// Clicks Print... in the preview with the dialog answered as chosen; returns
// the pages the dialog offered (its largest page number).
int printFromPreview(reports::PreviewWindow* w, const QString& pdf, const PrintChoice& choice)
{
    int offered = -1;
    reports::setPrintDialogRunner([&](QPrintDialog& dialog) {
        QPrinter& printer = *dialog.printer();
        offered = dialog.maxPage();
        // What the dialog offers is the printer's page count as it opens.
        EXPECT_EQ(offered, w->printedPageCount(printer));
        EXPECT_EQ(dialog.minPage(), 1);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(choice.paper));
        printer.setPrintRange(choice.range);
        if (choice.range == QPrinter::PageRange)
            printer.setFromTo(choice.from, choice.to);
        return static_cast<int>(choice.accept ? QDialog::Accepted : QDialog::Rejected);
    });
    w->printButton()->click();
    reports::setPrintDialogRunner({});
    return offered;
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
    const QString today = rowDate(QDate::currentDate(), QLatin1Char('/'));
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
        // Waits for the dialog to show modally (a busy machine may take a while).
        int looks = 0;
        std::function<void()> step = [&] {
            auto* f = qobject_cast<frmPrint*>(QApplication::activeModalWidget());
            if (!f) {
                if (++looks < 400)
                    testenv::later(20, step);
                else
                    ADD_FAILURE() << "the dialog did not show modally";
                return;
            }
            f->optIndexRpt[2]->click();
            EXPECT_EQ(PrintReportKind, QStringLiteral("Record Type"));
            f->close();
            closed = true;
        };
        testenv::later(50, step);
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

TEST_F(PrintDialog, ThePageHeaderDatesTheReportAsTheRowsShowDates)
{
    db.addRecord(QStringLiteral("Ann"), QStringLiteral("Night Train"), QStringLiteral("04/25/1958"));
    const QDate today = QDate::currentDate();
    const struct {
        QLocale locale;
        QChar separator;
    } cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), QLatin1Char('/')},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), QLatin1Char('/')},
        {QLocale(QLocale::German, QLocale::Germany), QLatin1Char('.')},
    };
    for (const auto& c : cases) {
        QLocale::setDefault(c.locale);
        const QStringList lines = reportLines(1);
        ASSERT_GE(lines.size(), 3) << c.locale.name().toStdString();
        EXPECT_EQ(lines[0], QStringLiteral("Record Index ") + rowDate(today, c.separator)) << c.locale.name().toStdString();
        EXPECT_TRUE(lines[2].contains(rowDate(QDate(1958, 4, 25), c.separator))) << lines[2].toStdString();
        frmPrintInstance()().cmdCancel_Click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(PrintDialog, PrintingLaysThePagesOutForThePrintersPaper)
{
    // 167 records: four pages on the preview's letter paper, five on A4.
    QStringList inserts;
    for (int i = 1; i <= 167; ++i)
        inserts << QStringLiteral("Insert into records ([Artist], [Record_Name], [Record_Type]) Values ('Ann', "
                                  "'Record %1', '45')")
                       .arg(i, 3, 10, QLatin1Char('0'));
    db.exec(inserts);
    reports::PreviewWindow* w = preview(1);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->pageText(), QStringLiteral("Page 1 of 4"));
    w->lastButton()->click(); // the current page is the preview's fourth
    const QString pdf = QDir(db.folder()).filePath(QStringLiteral("printed.pdf"));
    const struct {
        PrintChoice choice;
        QStringList footers;
        int firstRecord; // the records printed, in order
        int lastRecord;
    } cases[] = {
        {{QPageSize::A4, QPrinter::AllPages},
         {QStringLiteral("Page 1 of 5"), QStringLiteral("Page 2 of 5"), QStringLiteral("Page 3 of 5"),
          QStringLiteral("Page 4 of 5"), QStringLiteral("Page 5 of 5")},
         1,
         167},
        // A range counts the pages of the A4 layout, the fifth included.
        {{QPageSize::A4, QPrinter::PageRange, 4, 5}, {QStringLiteral("Page 4 of 5"), QStringLiteral("Page 5 of 5")}, 124, 167},
        // The current page prints the A4 page on which the preview's page begins.
        {{QPageSize::A4, QPrinter::CurrentPage}, {QStringLiteral("Page 4 of 5")}, 124, 164},
        {{QPageSize::Letter, QPrinter::AllPages},
         {QStringLiteral("Page 1 of 4"), QStringLiteral("Page 2 of 4"), QStringLiteral("Page 3 of 4"),
          QStringLiteral("Page 4 of 4")},
         1,
         167},
    };
    for (const auto& c : cases) {
        QFile::remove(pdf);
        printFromPreview(w, pdf, c.choice);
        const QStringList lines = pdfLines(pdf);
        EXPECT_EQ(lines.filter(QStringLiteral("Page ")), c.footers);
        const QStringList records = lines.filter(QRegularExpression(QStringLiteral("^Record \\d{3} ")));
        ASSERT_EQ(records.size(), c.lastRecord - c.firstRecord + 1) << c.footers.join(QLatin1Char(',')).toStdString();
        for (int i = 0; i < records.size(); ++i)
            EXPECT_TRUE(records[i].startsWith(QStringLiteral("Record %1 ").arg(c.firstRecord + i, 3, 10, QLatin1Char('0'))))
                << records[i].toStdString();
    }
    // Cancelled in the dialog: nothing is printed.
    QFile::remove(pdf);
    printFromPreview(w, pdf, {QPageSize::A4, QPrinter::AllPages, 0, 0, false});
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(w->pageText(), QStringLiteral("Page 4 of 4")); // the preview keeps its own layout
}

TEST_F(PrintDialog, LongValuesFitWhereThePageAllowsAndShowTheirCutOtherwise)
{
    // Every text at its limit: artist 15, record name and label 60, song title 100.
    const QString artist = textOfLength(QStringLiteral("Annabel Lee Ray"), 15);
    const QString record = textOfLength(QStringLiteral("Songs from the Harbour of the Northern Lights Live"), 60);
    const QString label = textOfLength(QStringLiteral("Deutsche Grammophon Archive Production Series"), 60);
    const QString song = textOfLength(QStringLiteral("When the Night Train Leaves the Station and the Rain Falls"), 100);
    db.addRecord(artist, record);
    db.exec(QStringLiteral("Update records Set [Label_Name] = '%1'").arg(label));
    db.addSong(artist, record, song);
    ASSERT_EQ(record.size(), 60);
    ASSERT_EQ(song.size(), 100);

    // Shown characters of each value on the preview's letter page, and on A3,
    // where every value fits whole.
    const int cut = 0; // shown cut, with the ellipsis
    const struct {
        int option;
        std::vector<std::pair<QString, int>> letter; // value, its length when whole, or cut
    } cases[] = {
        {0, {{artist, 15}, {record, cut}, {label, cut}}},
        {1, {{artist, 15}, {record, cut}, {label, cut}}},
        {2, {{artist, 15}, {record, cut}, {label, cut}}},
        {3, {{artist, 15}, {record, 60}, {song, cut}}},
    };
    for (const auto& c : cases) {
        reports::PreviewWindow* w = preview(c.option);
        ASSERT_NE(w, nullptr);
        const QString pdf = QDir(db.folder()).filePath(QStringLiteral("long.pdf"));
        ASSERT_TRUE(w->exportPdf(pdf));
        const QString letter = pdfText(pdf);
        for (const auto& [value, expected] : c.letter) {
            const int shown = shownLength(letter, value);
            if (expected == cut) {
                // Cut with its sign, and given the room that the page has: at
                // least half of a name or label, three fifths of a song title.
                ASSERT_LT(shown, -1) << "option " << c.option << " " << value.toStdString();
                EXPECT_GE(-shown - 2, value.size() == 100 ? 60 : 30) << "option " << c.option << " " << value.toStdString();
            } else {
                EXPECT_EQ(shown, expected) << "option " << c.option << " " << value.toStdString();
            }
        }
        printFromPreview(w, pdf, {QPageSize::A3});
        const QString a3 = pdfText(pdf);
        for (const auto& [value, expected] : c.letter)
            EXPECT_EQ(shownLength(a3, value), value.size()) << "A3, option " << c.option << " " << value.toStdString();
        frmPrintInstance()().cmdCancel_Click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
