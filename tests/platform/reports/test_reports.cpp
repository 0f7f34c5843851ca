#include "reports/Engine.h"
#include "reports/PreviewWindow.h"
#include "reports/ReportDocument.h"
#include "reports/RowStore.h"
#include "reports/Template.h"

#include "jet/Engine.h"
#include "support/CatalogFixture.h"
#include "vb/App.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <numeric>
#include <string>

namespace {

const QString kConnect = QStringLiteral(";uid=brevlin;pwd=mossgravel");

QString writeTemplate(const QString& folder, const QString& name, const QString& text)
{
    const QString path = QDir(folder).filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toUtf8());
    return path;
}

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct Opened {
    std::shared_ptr<reports::Report> report;
    jet::Database db;
    jet::Recordset rs;
};

Opened openWithRows(const QString& templatePath, const QString& sql)
{
    Opened o;
    o.report = reports::CreateObject(reports::kProgId)->OpenReport(templatePath);
    o.db = jet::DBEngine::OpenDatabase(QDir(vb::App::Path()).filePath(QStringLiteral("records.mdb")), false, false,
                                       kConnect);
    o.rs = o.db.OpenRecordset(sql, jet::dbOpenSnapshot);
    return o;
}

} // namespace

TEST(ReportTemplate, MissingOrMalformedTemplatesAreErrorsNamingTheFile)
{
    testenv::ProgramFolder folder;
    const QString missing = folder.file(QStringLiteral("None.rpt"));
    const struct {
        QString text; // empty: no file at all
        int number;
        QString description;
    } cases[] = {
        {QString(), reports::errTemplateMissing,
         QStringLiteral("The report template %1 cannot be opened.").arg(QDir::toNativeSeparators(missing))},
        {QStringLiteral("title \"X\"\ncolumn A \"A\" 100 text\nbogus\n"), reports::errTemplateMalformed,
         QStringLiteral("The report template %1 is not valid (line 3: unknown statement).").arg(missing)},
        {QStringLiteral("title \"X\"\ncolumn A \"A\" -5 text\n"), reports::errTemplateMalformed,
         QStringLiteral("The report template %1 is not valid (line 2: bad column width).").arg(missing)},
        {QStringLiteral("title \"X\"\ncolumn A \"A\" 100 text chars 0\n"), reports::errTemplateMalformed,
         QStringLiteral("The report template %1 is not valid (line 2: bad number of characters).").arg(missing)},
        {QStringLiteral("title \"X\"\ncolumn A \"A\" 100 text chars\n"), reports::errTemplateMalformed,
         QStringLiteral("The report template %1 is not valid (line 2: unknown column option).").arg(missing)},
        {QStringLiteral("title \"X\"\ncolumn A \"A\" 100 text right right\n"), reports::errTemplateMalformed,
         QStringLiteral("The report template %1 is not valid (line 2: unknown column option).").arg(missing)},
        {QStringLiteral("title \"X\"\ncolumn A \"A\" 100 text left\n"), reports::errTemplateMalformed,
         QStringLiteral("The report template %1 is not valid (line 2: unknown column option).").arg(missing)},
        {QStringLiteral("title \"X\n"), reports::errTemplateMalformed,
         QStringLiteral("The report template %1 is not valid (line 1: unclosed quotation mark).").arg(missing)},
        {QStringLiteral("title \"X\"\ngroup G\nsort A B C\ncolumn A \"A\" 100 text\n"), reports::errTemplateMalformed,
         QStringLiteral("The report template %1 is not valid (line 5: at most three sort fields, the group's included).")
             .arg(missing)},
        {QStringLiteral("# no columns\ntitle \"X\"\n"), reports::errTemplateMalformed,
         QStringLiteral("The report template %1 is not valid (line 3: a title and at least one column are needed).")
             .arg(missing)},
    };
    for (const auto& c : cases) {
        QFile::remove(missing);
        if (!c.text.isEmpty())
            writeTemplate(folder.path(), QStringLiteral("None.rpt"), c.text);
        try {
            reports::CreateObject(reports::kProgId)->OpenReport(missing);
            ADD_FAILURE() << "no error for " << c.text.toStdString();
        } catch (const reports::Error& e) {
            EXPECT_EQ(e.Number(), c.number);
            EXPECT_EQ(e.Description(), c.description);
        }
    }
    EXPECT_THROW(reports::CreateObject(QStringLiteral("Other.Application")), reports::Error);
}

TEST(ReportTemplate, TheFourTemplatesOfTheProgramRead)
{
    for (const char* name : {"ArtistIdxRpt.rpt", "RecordIdxRpt.rpt", "TypeIdxRpt.rpt", "SongsIdxRpt.rpt"}) {
        const reports::Template t = reports::loadTemplate(QDir(QStringLiteral(REPORT_TEMPLATES)).filePath(QLatin1String(name)));
        EXPECT_FALSE(t.title.isEmpty()) << name;
        int width = 0;
        for (const auto& c : t.columns)
            width += c.widthTwips;
        // Fits between the margins of a letter or A4 page in the template's orientation.
        EXPECT_LE(width, (t.landscape ? 15840 : 11906) - 720 - 240) << name;
    }
}

TEST(ReportTemplate, ColumnsTakeTheirOptionsInAnyOrder)
{
    testenv::ProgramFolder folder;
    const QString path = writeTemplate(folder.path(), QStringLiteral("T.rpt"),
                                       QStringLiteral("title \"X\"\ncolumn A \"A\" 100 text chars 60 right\n"
                                                      "column B \"B\" 200 date right chars 8\ncolumn C \"C\" 300 text\n"));
    const reports::Template t = reports::loadTemplate(path);
    ASSERT_EQ(t.columns.size(), 3u);
    EXPECT_EQ(t.columns[0].fitChars, 60);
    EXPECT_TRUE(t.columns[0].alignRight);
    EXPECT_EQ(t.columns[1].fitChars, 8);
    EXPECT_TRUE(t.columns[1].alignRight);
    EXPECT_EQ(t.columns[2].fitChars, 0);
    EXPECT_FALSE(t.columns[2].alignRight);
}

// A document of the given template over one row of the given cells.
static reports::ReportDocument documentOf(const QString& templateText, const QStringList& cells)
{
    testenv::ProgramFolder folder;
    reports::Template t = reports::loadTemplate(writeTemplate(folder.path(), QStringLiteral("T.rpt"), templateText));
    auto rows = std::make_unique<reports::RowStore>(static_cast<int>(cells.size()));
    for (const QString& c : cells)
        rows->addCell(QStringView(c));
    return reports::ReportDocument(std::move(t), std::move(rows), QDate(2026, 1, 1));
}

TEST(ReportLayout, ColumnsWidenToThePageNarrowNeedsFirstAndTheRestAlike)
{
    // Fixed F; S needs little; L1 and L2 need much; G is the group (no column).
    const reports::ReportDocument doc = documentOf(
        QStringLiteral("title \"X\"\ngroup G\ncolumn G \"G\" 900 text\ncolumn F \"F\" 1000 text\n"
                       "column S \"S\" 500 text chars 10\ncolumn L1 \"L1\" 800 text chars 100\n"
                       "column L2 \"L2\" 1500 text chars 100\n"),
        {QStringLiteral("g"), QStringLiteral("f"), QStringLiteral("s"), QStringLiteral("a"), QStringLiteral("b")});
    const int margin = 360;
    const auto lineWidth = [&](const reports::PageGeometry& g) {
        return g.pageWidth - 2 * margin - reports::ReportDocument::kGroupIndent;
    };
    const auto sum = [](const std::vector<int>& w) { return std::accumulate(w.begin(), w.end(), 0); };

    // A page too narrow for both long columns' needs: S gets its need, L1 and L2 the same share of the rest.
    const reports::PageGeometry mid = doc.geometry(QSizeF(12000, 12000), margin, margin);
    ASSERT_EQ(mid.columnWidths.size(), 5u);
    EXPECT_EQ(mid.columnWidths[0], 0);
    EXPECT_EQ(mid.columnWidths[1], 1000);
    EXPECT_GT(mid.columnWidths[2], 500);
    EXPECT_NEAR(mid.columnWidths[3], mid.columnWidths[4], 1);
    EXPECT_GT(mid.columnWidths[3], mid.columnWidths[2]);
    EXPECT_LE(sum(mid.columnWidths), lineWidth(mid));
    EXPECT_GE(sum(mid.columnWidths), lineWidth(mid) - 2);

    // S's need does not grow with the page; on a page wide enough all needs are met and L1 equals L2.
    const reports::PageGeometry wide = doc.geometry(QSizeF(40000, 12000), margin, margin);
    EXPECT_EQ(wide.columnWidths[2], mid.columnWidths[2]);
    EXPECT_EQ(wide.columnWidths[3], wide.columnWidths[4]);
    EXPECT_GT(wide.columnWidths[3], mid.columnWidths[3]);
    EXPECT_LT(sum(wide.columnWidths), lineWidth(wide));

    // Narrower than the columns' least: every column narrows alike and none is left out.
    const reports::PageGeometry narrow = doc.geometry(QSizeF(3000, 12000), margin, margin);
    EXPECT_LE(sum(narrow.columnWidths), lineWidth(narrow));
    for (std::size_t c = 1; c < narrow.columnWidths.size(); ++c)
        EXPECT_GT(narrow.columnWidths[c], 0) << c;
    EXPECT_GT(narrow.columnWidths[4], narrow.columnWidths[3]); // 1500 : 800
}

TEST(RowStore, KeepsTextNullAndEmptyApartAcrossBlocks)
{
    reports::RowStore store(2);
    const QString long1(700000, QLatin1Char('a'));
    const QString long2(700000, QLatin1Char('b')); // does not fit the first block's rest
    ASSERT_TRUE(store.addCell(long1));
    store.addNull();
    ASSERT_TRUE(store.addCell(QString()));
    ASSERT_TRUE(store.addCell(long2));
    ASSERT_EQ(store.rowCount(), 2u);
    EXPECT_EQ(store.cell(0, 0).size(), 65534); // a cell keeps at most 65,534 units
    EXPECT_TRUE(store.isNull(0, 1));
    EXPECT_FALSE(store.isNull(1, 0));
    EXPECT_TRUE(store.cell(1, 0).isEmpty());
    EXPECT_EQ(store.cell(1, 1), QStringView(long2).left(65534));
}

TEST(RowStore, CellAfterABlockFilledExactlyGoesToANewBlock)
{
    reports::RowStore store(1);
    const std::string big(65534, 'x');
    for (int i = 0; i < 16; ++i)
        ASSERT_TRUE(store.addCell(std::string_view(big)));
    ASSERT_TRUE(store.addCell(std::string_view(std::string(32, 'y')))); // the first block is now full to its last byte
    ASSERT_TRUE(store.addCell(std::string_view("abc")));
    EXPECT_EQ(store.text(0, 0).substr(0, 3), "xxx");
    EXPECT_EQ(store.text(17, 0), "abc");
}

TEST(ReportOrder, IgnoresCaseAndAccentsFirst)
{
    EXPECT_LT(reports::compareForReport(u"apple", u"Banana"), 0);
    EXPECT_LT(reports::compareForReport(u"Émile", u"Fred"), 0);
    EXPECT_GT(reports::compareForReport(u"eve", u"Émile"), 0);
    EXPECT_NE(reports::compareForReport(u"abc", u"ABC"), 0); // ties are broken, never equal for different texts
    EXPECT_EQ(reports::compareForReport(u"abc", u"abc"), 0);
}

TEST(ReportEngine, RowsAreTakenAtHandOverAndSurviveTheSnapshot)
{
    testenv::CatalogFixture db;
    db.addRecord(QStringLiteral("Ann"), QStringLiteral("Zulu"));
    db.addRecord(QStringLiteral("Bob"), QStringLiteral("alpha"));
    const QString path = writeTemplate(db.folder(), QStringLiteral("T.rpt"),
                                       QStringLiteral("title \"Names\"\nsort Record_Name\n"
                                                      "column Record_Name \"Record\" 3000 text\n"
                                                      "column Artist \"Artist\" 3000 text\n"));
    Opened o = openWithRows(path, QStringLiteral("Select * from records"));
    reports::ReportTable table = o.report->Database().Tables().Item(1);
    table.SetDataSource(reports::kRecordsetDataTag, o.rs);
    o.rs.Close();
    o.db.Close();
    EXPECT_EQ(o.report->ErrorNumber(), 0);

    reports::PreviewWindowHandle window = o.report->Preview(QStringLiteral("Preview")).Window();
    ASSERT_TRUE(window.isOpen());
    const QString pdf = QDir(db.folder()).filePath(QStringLiteral("out.pdf"));
    ASSERT_TRUE(window.window()->exportPdf(pdf));
    const QString text = pdfText(pdf);
    EXPECT_LT(text.indexOf(QStringLiteral("alpha")), text.indexOf(QStringLiteral("Zulu")));
    EXPECT_TRUE(text.contains(QStringLiteral("Page 1 of 1")));
    window.Close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window.isOpen());
    window.Close(); // a closed window is left alone
}

TEST(ReportEngine, HandOverFailuresAreRecordedUntilTheJobIsDiscarded)
{
    testenv::CatalogFixture db;
    db.addRecord(QStringLiteral("Ann"), QStringLiteral("Zulu"));
    const QString path = writeTemplate(db.folder(), QStringLiteral("T.rpt"),
                                       QStringLiteral("title \"Names\"\ncolumn Nowhere \"N\" 3000 text\n"));
    Opened o = openWithRows(path, QStringLiteral("Select * from records"));
    reports::ReportTable table = o.report->Database().Tables().Item(1);

    EXPECT_THROW(table.SetDataSource(2, o.rs), reports::Error);
    EXPECT_EQ(o.report->ErrorNumber(), reports::errDataTag);
    EXPECT_EQ(o.report->ErrorText(), QStringLiteral("The data tag 2 is not supported."));

    EXPECT_THROW(table.SetDataSource(reports::kRecordsetDataTag, o.rs), reports::Error);
    EXPECT_EQ(o.report->ErrorNumber(), reports::errMissingColumn);
    EXPECT_EQ(o.report->ErrorText(),
              QStringLiteral("The data handed to the report %1 has no field Nowhere.").arg(QDir::toNativeSeparators(path)));

    EXPECT_THROW(o.report->Preview(QStringLiteral("P")), reports::Error);
    EXPECT_EQ(o.report->ErrorNumber(), reports::errNoPreview);
    EXPECT_THROW(o.report->Database().Tables().Item(2), reports::Error);

    o.report->DiscardJob();
    EXPECT_EQ(o.report->ErrorNumber(), 0);
    EXPECT_EQ(o.report->ErrorText(), QString());
}

TEST(ReportEngine, OptionsAndMarginsAreLiveObjectsOfTheReport)
{
    testenv::ProgramFolder folder;
    const QString path = writeTemplate(folder.path(), QStringLiteral("T.rpt"),
                                       QStringLiteral("title \"X\"\ncolumn A \"A\" 100 text\n"));
    auto report = reports::CreateObject(reports::kProgId)->OpenReport(path);
    report->PrintWindowOptions().setHasSearchButton(false);
    report->PrintWindowOptions().setHasPrintButton(true);
    EXPECT_FALSE(report->PrintWindowOptions().HasSearchButton());
    EXPECT_TRUE(report->PrintWindowOptions().HasPrintButton());
    report->Margins().setTopMargin(360);
    report->Margins().setLeftMargin(360);
    EXPECT_EQ(report->Margins().TopMargin(), 360.0);
    EXPECT_EQ(report->Margins().LeftMargin(), 360);
    reports::ReportTable table = report->Database().Tables().Item(1);
    table.LogOnServer(QString(), QStringLiteral("db.mdb"), QStringLiteral("u"), QStringLiteral("p"));
    EXPECT_EQ(table.LogOnDatabase(), QStringLiteral("db.mdb"));
}

// The Song Title Index handed 130 song rows, "Song 000" to "Song 129": several pages.
static Opened openSongIndexOf130(testenv::CatalogFixture& db)
{
    QStringList inserts;
    for (int i = 0; i < 130; ++i)
        inserts << QStringLiteral("Insert into songs ([Artist], [Record_Name], [Song_Title]) Values ('A', 'R', 'Song %1')")
                       .arg(i, 3, 10, QLatin1Char('0'));
    db.exec(inserts);
    Opened o = openWithRows(QDir(QStringLiteral(REPORT_TEMPLATES)).filePath(QStringLiteral("SongsIdxRpt.rpt")),
                            QStringLiteral("Select * from songs"));
    o.report->Database().Tables().Item(1).SetDataSource(reports::kRecordsetDataTag, o.rs);
    return o;
}

TEST(ReportEngine, ManyRowsArePagedAndOnlyThePageShownIsDrawn)
{
    testenv::CatalogFixture db;
    Opened o = openSongIndexOf130(db);
    o.report->Margins().setTopMargin(360);
    o.report->Margins().setLeftMargin(360);
    reports::PreviewWindow* w = o.report->Preview(QStringLiteral("P")).Window().window();
    ASSERT_NE(w, nullptr);
    const int pages = w->pageCount();
    ASSERT_GE(pages, 2);
    EXPECT_EQ(w->pageText(), QStringLiteral("Page 1 of %1").arg(pages));
    w->lastButton()->click();
    EXPECT_EQ(w->pageText(), QStringLiteral("Page %1 of %1").arg(pages));
    EXPECT_FALSE(w->nextButton()->isEnabled());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    const int drawn = w->pagesDrawn();
    w->pageView()->repaint();
    EXPECT_EQ(w->pagesDrawn(), drawn + 1);

    // Cancel stops an export at its first page and leaves no file.
    const QString pdf = QDir(db.folder()).filePath(QStringLiteral("stopped.pdf"));
    QTimer::singleShot(0, w->cancelButton(), &QPushButton::click);
    EXPECT_FALSE(w->exportPdf(pdf));
    EXPECT_FALSE(QFile::exists(pdf));

    ASSERT_TRUE(w->exportPdf(pdf));
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Page %1 of %1").arg(pages)));
    EXPECT_LT(text.indexOf(QStringLiteral("Song 000")), text.indexOf(QStringLiteral("Song 129")));
    w->close();
}

TEST(ReportEngine, PrintingToAFileWritesTheChosenPagesAndAStoppedPrintLeavesNoFile)
{
    testenv::CatalogFixture db;
    Opened o = openSongIndexOf130(db);
    reports::PreviewWindow* w = o.report->Preview(QStringLiteral("P")).Window().window();
    ASSERT_NE(w, nullptr);
    const QString pdf = QDir(db.folder()).filePath(QStringLiteral("printed.pdf"));
    int printed = 0;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printed = w->printedPageCount(printer);
        ASSERT_TRUE(w->printTo(printer, 1, 1));
    }
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Page 2 of %1").arg(printed)));
    EXPECT_FALSE(text.contains(QStringLiteral("Page 1 of")));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QTimer::singleShot(0, w->cancelButton(), &QPushButton::click);
        EXPECT_FALSE(w->printTo(printer, 0, w->pageCount() - 1));
    }
    EXPECT_FALSE(QFile::exists(pdf));
    w->close();
}

TEST(ReportEngine, ThePreviewKeepsItsSizeAndItsPageLabelWhilePrinting)
{
    testenv::CatalogFixture db;
    Opened o = openSongIndexOf130(db);
    reports::PreviewWindow* w = o.report->Preview(QStringLiteral("P")).Window().window();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    QApplication::processEvents();
    const QSize size = w->size();
    const QRect label = w->pageLabel()->geometry();
    const QRect close = w->closeButton()->geometry();
    EXPECT_GE(label.width(), w->pageLabel()->fontMetrics().horizontalAdvance(w->pageText()));
    // Looked at on every page printed.
    int looks = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!w->isBusy())
            return;
        ++looks;
        EXPECT_TRUE(w->progressBar()->isVisible());
        EXPECT_EQ(w->size(), size);
        EXPECT_EQ(w->pageLabel()->geometry(), label);
        EXPECT_EQ(w->closeButton()->geometry(), close);
    });
    watch.start(0);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QDir(db.folder()).filePath(QStringLiteral("printed.pdf")));
    ASSERT_TRUE(w->printTo(printer, 0, w->printedPageCount(printer) - 1));
    watch.stop();
    EXPECT_GT(looks, 0);
    EXPECT_FALSE(w->progressBar()->isVisible());
    EXPECT_EQ(w->size(), size);
    w->close();
}
