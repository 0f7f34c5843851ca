#include "HelpWindow.h"
#include "help/Help.h"
#include "support/DarkTheme.h"
#include "support/QtPrint.h"
#include "support/TestEnv.h"
#include "vb/App.h"
#include "vb/Form.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHelpContentItem>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpSearchEngine>
#include <QJsonArray>
#include <QLineEdit>
#include <QLocalSocket>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

const QString kRecordHelp = QStringLiteral("record.hlp");
const QString kGettingStarted = QStringLiteral("GettingStartedQZN.hlp");

// The help files as the build lays them out in its program folder.
QString builtHelpFile(const QString& name) { return QDir(QStringLiteral(BUILT_PROGRAM_FOLDER)).filePath(name); }

bool viewerListening()
{
    QLocalSocket probe;
    probe.connectToServer(help::serverName());
    return probe.waitForConnected(200);
}

// Polls until `done` holds; false after timeoutMs.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 15000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(30);
    }
    return true;
}

class HelpTest : public ::testing::Test {
public:
    void SetUp() override
    {
        for (const QString& name : {kRecordHelp, kGettingStarted})
            ASSERT_TRUE(QFile::copy(builtHelpFile(name), folder.file(name))) << name.toStdString();
        vb::App::setHelpFile(vb::App::file(kRecordHelp));
    }
    void TearDown() override
    {
        help::setRequestHandler({});
        WinHelpA(nullptr, vb::App::HelpFile(), HELP_QUIT, 0);
        EXPECT_TRUE(waitFor([] { return !viewerListening(); }));
        vb::App::setHelpFile(QString());
    }

    // The viewer window of `file` once its contents and index are built.
    QJsonObject windowOf(const QString& file)
    {
        QJsonObject found;
        waitFor([&] {
            const QJsonArray windows = help::viewerState().value(QStringLiteral("windows")).toArray();
            for (const auto& w : windows) {
                const QJsonObject o = w.toObject();
                if (o.value(QStringLiteral("file")).toString() == QDir::cleanPath(file)
                    && o.value(QStringLiteral("ready")).toBool()) {
                    found = o;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    testenv::ProgramFolder folder;
};

QString pageOf(const QJsonObject& window) { return window.value(QStringLiteral("page")).toString(); }
QString tabOf(const QJsonObject& window) { return window.value(QStringLiteral("tab")).toString(); }

TEST_F(HelpTest, EachCommandOpensItsPage)
{
    struct Case {
        const char* what;
        QString file;
        quint32 command;
        quintptr data;
        QString page; // the end of the shown page's address
        QString tab;
    };
    const QString prefix = QStringLiteral("qthelp://example.discavo3.record/doc/record/");
    const Case cases[] = {
        {"contents", kRecordHelp, HELP_FINDER, 0, prefix + "index.html", "Contents"},
        {"main window", kRecordHelp, HELP_CONTEXT, 1, prefix + "main-window.html", "Contents"},
        {"artist dialog", kRecordHelp, HELP_CONTEXT, 8, prefix + "artist-dialog.html", "Contents"},
        {"record dialog", kRecordHelp, HELP_CONTEXT, 9, prefix + "record-dialog.html", "Contents"},
        {"Find", kRecordHelp, HELP_CONTEXT, 22, prefix + "find-dialog.html", "Contents"},
        {"Print", kRecordHelp, HELP_CONTEXT, 24, prefix + "print-dialog.html", "Contents"},
        {"song title dialog", kRecordHelp, HELP_CONTEXT, 27, prefix + "song-dialog.html", "Contents"},
        {"unknown context: contents", kRecordHelp, HELP_CONTEXT, 4711, prefix + "index.html", "Contents"},
        {"help on help", kRecordHelp, HELP_HELPONHELP, 0, "qrc:/help/using-help.html", "Contents"},
        {"index", kRecordHelp, HELP_PARTIALKEY, 0, "qrc:/help/using-help.html", "Index"},
        {"getting started", kGettingStarted, HELP_FINDER, 0,
         "qthelp://example.discavo3.gettingstarted/doc/gettingstarted/index.html", "Contents"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = vb::App::file(c.file);
        EXPECT_TRUE(WinHelpA(nullptr, file, c.command, c.data));
        const QJsonObject w = windowOf(file);
        EXPECT_EQ(pageOf(w), c.page);
        EXPECT_EQ(tabOf(w), c.tab);
        EXPECT_TRUE(w.value(QStringLiteral("visible")).toBool());
    }
    const QJsonObject gettingStarted = windowOf(vb::App::file(kGettingStarted));
    EXPECT_EQ(gettingStarted.value(QStringLiteral("title")).toString(), QStringLiteral("Getting Started with Discavo 3"));
    EXPECT_EQ(help::viewerState().value(QStringLiteral("windows")).toArray().size(), 2);
}

TEST_F(HelpTest, PartialKeyShowsTheFirstKeywordBeginningWithIt)
{
    struct Case {
        QString keyword;
        QString page;
    };
    const QString prefix = QStringLiteral("qthelp://example.discavo3.record/doc/record/");
    const Case cases[] = {
        {"zzz", prefix + "index.html"}, // no such keyword: the contents page of a new window
        {"wild", prefix + "find-dialog.html"},
        {"Song t", prefix + "song-dialog.html"},
        {"pdf", prefix + "print-dialog.html"},
        {"preview", prefix + "print-dialog.html"},
        {"About", prefix + "help-menu.html"},
        {"email", prefix + "help-menu.html"},
        {"kept", prefix + "maintenance.html"},
        {"REPAIR", prefix + "maintenance.html"},
        {"", prefix + "maintenance.html"}, // the whole index; the page stays
    };
    const QString file = vb::App::HelpFile();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyword.toStdString());
        EXPECT_TRUE(WinHelpA(nullptr, file, HELP_PARTIALKEY, c.keyword));
        const QJsonObject w = windowOf(file);
        EXPECT_EQ(pageOf(w), c.page);
        EXPECT_EQ(tabOf(w), QStringLiteral("Index"));
        EXPECT_EQ(w.value(QStringLiteral("indexFilter")).toString(), c.keyword);
        if (c.keyword.isEmpty()) {
            EXPECT_GT(w.value(QStringLiteral("indexRows")).toInt(), 20);
        }
    }
}

TEST_F(HelpTest, QuitClosesEveryViewerAndEndsTheViewer)
{
    QWidget inProcess;
    inProcess.show();
    help::registerViewer(vb::App::file(kGettingStarted), &inProcess);
    ASSERT_TRUE(WinHelpA(nullptr, vb::App::HelpFile(), HELP_FINDER, 0));
    ASSERT_TRUE(WinHelpA(nullptr, vb::App::file(kGettingStarted), HELP_FINDER, 0));
    ASSERT_FALSE(windowOf(vb::App::file(kGettingStarted)).isEmpty());

    EXPECT_TRUE(WinHelpA(nullptr, vb::App::HelpFile(), HELP_QUIT, 0));
    EXPECT_TRUE(waitFor([] { return !viewerListening(); }));
    EXPECT_FALSE(inProcess.isVisible());
    EXPECT_EQ(help::openViewer(vb::App::file(kGettingStarted)), nullptr);
    // With no viewer running there is nothing to close, and nothing is started.
    EXPECT_TRUE(WinHelpA(nullptr, vb::App::HelpFile(), HELP_QUIT, 0));
    EXPECT_FALSE(viewerListening());

    // The next command starts it again.
    EXPECT_TRUE(WinHelpA(nullptr, vb::App::HelpFile(), HELP_CONTEXT, 9));
    EXPECT_TRUE(pageOf(windowOf(vb::App::HelpFile())).endsWith(QStringLiteral("/record-dialog.html")));
}

TEST_F(HelpTest, AMissingOrUnreadableHelpFileIsToldPlainly)
{
    {
        testenv::ScriptedMsgBox boxes;
        boxes.answer(vb::vbOK);
        const QString missing = vb::App::file(QStringLiteral("nohelp.hlp"));
        EXPECT_FALSE(WinHelpA(nullptr, missing, HELP_FINDER, 0));
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_EQ(boxes.calls()[0].prompt, QStringLiteral("The help file ") + QDir::toNativeSeparators(missing)
                                               + QStringLiteral(" cannot be found."));
        EXPECT_EQ(boxes.calls()[0].style, vb::vbExclamation);
        EXPECT_EQ(boxes.calls()[0].title, QStringLiteral("Help"));
        EXPECT_FALSE(viewerListening());
    }
    // No help file set: nothing happens.
    EXPECT_FALSE(WinHelpA(nullptr, QString(), HELP_CONTEXT, 1));
    EXPECT_FALSE(viewerListening());
    // A file that is there but is no help file: the viewer says so in its window.
    const QString broken = vb::App::file(QStringLiteral("broken.hlp"));
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a help file");
    f.close();
    EXPECT_FALSE(WinHelpA(nullptr, broken, HELP_CONTEXT, 1));
    const QJsonObject w = windowOf(broken);
    EXPECT_FALSE(w.value(QStringLiteral("readable")).toBool());
    EXPECT_TRUE(w.value(QStringLiteral("visible")).toBool());
    // The viewer still serves the other files.
    EXPECT_TRUE(WinHelpA(nullptr, vb::App::HelpFile(), HELP_CONTEXT, 1));
    EXPECT_TRUE(pageOf(windowOf(vb::App::HelpFile())).endsWith(QStringLiteral("/main-window.html")));
}

// A window that also sends its help itself on F1, as the entry dialogs do.
class SelfHelpingForm : public vb::Form {
public:
    int ownF1 = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_F1) {
            ++ownF1;
            if (event->modifiers() == Qt::NoModifier)
                WinHelpA(this, vb::App::HelpFile(), HELP_CONTEXT, quintptr(HelpContextID));
            return;
        }
        vb::Form::keyPressEvent(event);
    }
};

TEST_F(HelpTest, F1SendsTheWindowsContextOnceAndNothingWithoutOne)
{
    help::enableF1();
    std::vector<help::Request> sent;
    help::setRequestHandler([&sent](const help::Request& r) {
        sent.push_back(r);
        return true;
    });
    for (int context : {1, 8, 9, 22, 24, 27, 0}) {
        SCOPED_TRACE(context);
        sent.clear();
        SelfHelpingForm form;
        form.HelpContextID = context;
        auto* field = new QLineEdit(&form);
        form.show();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_F1);
        QTest::keyClick(field, Qt::Key_F1, Qt::ShiftModifier); // not the help key
        if (context == 0) {
            EXPECT_EQ(sent.size(), 1u); // the window's own handling only
            EXPECT_EQ(form.ownF1, 2);
            continue;
        }
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].command, HELP_CONTEXT);
        EXPECT_EQ(sent[0].context, quint32(context));
        EXPECT_EQ(sent[0].file, vb::App::HelpFile());
        EXPECT_EQ(form.ownF1, 1); // the shifted key only
    }
}

TEST_F(HelpTest, F1FromAModalWindowOpensItsTopicInAViewerThatKeepsAnswering)
{
    help::enableF1();
    auto* dialog = new vb::Form;
    dialog->HelpContextID = 22;
    auto* field = new QLineEdit(dialog);
    QJsonObject whileOpen;
    bool dialogStillOpen = false;
    testenv::later(50, [&] {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_F1);
        whileOpen = windowOf(vb::App::HelpFile());
        // Contents and index of the viewer answer while the dialog is modal.
        WinHelpA(nullptr, vb::App::HelpFile(), HELP_PARTIALKEY, QStringLiteral("print"));
        whileOpen.insert(QStringLiteral("after"), pageOf(windowOf(vb::App::HelpFile())));
        dialogStillOpen = QApplication::activeModalWidget() == dialog;
        vb::Unload(dialog);
    });
    testenv::withWatchdog(30000, [&] { dialog->Show(vb::vbModal); });
    EXPECT_TRUE(dialogStillOpen);
    EXPECT_TRUE(pageOf(whileOpen).endsWith(QStringLiteral("/find-dialog.html"))) << pageOf(whileOpen).toStdString();
    EXPECT_TRUE(whileOpen.value(QStringLiteral("after")).toString().endsWith(QStringLiteral("/print-dialog.html")));
}

// The window of a help file, built in this process, once its contents are there.
class HelpWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<help::HelpWindow> open(const QString& file)
    {
        auto w = std::make_unique<help::HelpWindow>(file, scratch.filePath(QStringLiteral("%1.qhc").arg(++opened_)));
        w->show();
        if (w->isReadable()) {
            EXPECT_TRUE(waitFor([&] { return w->state().value(QStringLiteral("ready")).toBool(); }));
        }
        return w;
    }

    // The row of the Contents tab whose title is `title`.
    static QModelIndex entry(help::HelpWindow& w, const QString& title)
    {
        QHelpContentModel* model = w.engine()->contentModel();
        const QModelIndex root = model->index(0, 0);
        for (int r = 0; r < model->rowCount(root); ++r)
            if (model->contentItemAt(model->index(r, 0, root))->title() == title)
                return model->index(r, 0, root);
        return {};
    }

    QTemporaryDir scratch;
    int opened_ = 0;
};

TEST_F(HelpWindowTest, AContentsEntryOpensOnASingleClick)
{
    const auto w = open(builtHelpFile(kRecordHelp));
    w->showContents();
    QHelpContentWidget* contents = w->engine()->contentWidget();
    const struct {
        const char* title;
        const char* page;
    } cases[] = {
        {"Adding an artist", "artist-dialog.html"},
        {"Printing the index reports", "print-dialog.html"},
        {"Compacting and repairing the catalogue", "maintenance.html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const QModelIndex index = entry(*w, QString::fromUtf8(c.title));
        ASSERT_TRUE(index.isValid());
        QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, contents->visualRect(index).center());
        EXPECT_EQ(w->browser->source().fileName(), QString::fromUtf8(c.page));
    }

    // A double click opens the page once: Back leads to the page before it.
    const QModelIndex song = entry(*w, QStringLiteral("Adding or changing a song title"));
    const QPoint at = contents->visualRect(song).center();
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(contents->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(w->browser->source().fileName(), QStringLiteral("song-dialog.html"));
    w->browser->backward();
    EXPECT_EQ(w->browser->source().fileName(), QStringLiteral("maintenance.html"));

    // A click below the entries opens nothing.
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, QPoint(5, contents->viewport()->height() - 3));
    EXPECT_EQ(w->browser->source().fileName(), QStringLiteral("maintenance.html"));
}

TEST_F(HelpWindowTest, TheWindowOpensWhollyOnTheScreen)
{
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    const auto w = open(builtHelpFile(kRecordHelp));
    EXPECT_TRUE(room.contains(w->frameGeometry())) << testing::PrintToString(w->frameGeometry()) << " on "
                                                   << testing::PrintToString(room);
    // In the middle of the screen, give or take the frame the window got.
    const QRect frame = w->frameGeometry();
    EXPECT_LE(std::abs((frame.left() - room.left()) - (room.right() - frame.right())),
              frame.width() - w->width() + 1);
    EXPECT_LE(std::abs((frame.top() - room.top()) - (room.bottom() - frame.bottom())),
              frame.height() - w->height() + 1);
}

TEST_F(HelpWindowTest, TheTitleNamesTheHelpFileAlsoWhenItCannotBeRead)
{
    EXPECT_EQ(open(builtHelpFile(kRecordHelp))->windowTitle(), QStringLiteral("Discavo 3 Help"));
    EXPECT_EQ(open(builtHelpFile(kGettingStarted))->windowTitle(), QStringLiteral("Getting Started with Discavo 3"));

    const QString broken = scratch.filePath(QStringLiteral("record.hlp"));
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a help file");
    f.close();
    const auto w = open(broken);
    ASSERT_FALSE(w->isReadable());
    // The engine builds its (empty) contents in its own time.
    QSignalSpy built(w->engine()->contentModel(), &QHelpContentModel::contentsCreated);
    EXPECT_TRUE(built.wait(5000));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("record.hlp - Help"));
    EXPECT_EQ(w->windowHandle()->title(), QStringLiteral("record.hlp - Help"));
}

// Every text of a page reads on what lies behind it under a dark desktop theme:
// a page part with a background of its own (the page, table headings, notes)
// has a text colour of its own with it, or the theme's light text would not
// show on the light background, and a text colour of its own stands on a
// background of its own.
TEST_F(HelpWindowTest, EveryTextOfAPageReadsOnItsBackgroundUnderADarkTheme)
{
    const testenv::DarkTheme dark;
    const auto w = open(builtHelpFile(kRecordHelp));
    const QPalette theme = w->browser->palette();
    QHelpContentModel* model = w->engine()->contentModel();
    const QModelIndex root = model->index(0, 0);
    std::vector<QUrl> pages = {model->contentItemAt(root)->url()};
    for (int r = 0; r < model->rowCount(root); ++r)
        pages.push_back(model->contentItemAt(model->index(r, 0, root))->url());
    ASSERT_GE(pages.size(), 9u);
    auto own = [](const QBrush& brush) { return brush.style() != Qt::NoBrush; };
    int texts = 0;
    for (const QUrl& page : pages) {
        SCOPED_TRACE(page.fileName().toStdString());
        w->browser->setSource(page);
        ASSERT_EQ(w->browser->source(), page);
        const QTextDocument* document = w->browser->document();
        const QBrush pageBackground = document->rootFrame()->frameFormat().background();
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            QBrush blockBackground = own(block.blockFormat().background()) ? block.blockFormat().background()
                                                                          : pageBackground;
            const QTextCursor at(block);
            if (const QTextTable* table = at.currentTable()) {
                const QBrush cell = table->cellAt(at).format().background();
                if (own(cell))
                    blockBackground = cell;
            }
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (!fragment.isValid() || fragment.text().trimmed().isEmpty())
                    continue;
                ++texts;
                const QTextCharFormat format = fragment.charFormat();
                const QBrush background = own(format.background()) ? format.background() : blockBackground;
                const QColor behind = own(background) ? background.color() : theme.color(QPalette::Base);
                const QColor text = own(format.foreground()) ? format.foreground().color()
                                    : format.isAnchor()      ? theme.color(QPalette::Link)
                                                             : theme.color(QPalette::Text);
                EXPECT_GE(testenv::contrastRatio(text, behind), 4.5) << fragment.text().toStdString();
            }
        }
    }
    EXPECT_GT(texts, 100);
}

TEST_F(HelpWindowTest, FullTextSearchFindsTopicsByTheirWords)
{
    help::HelpWindow w(builtHelpFile(kRecordHelp), scratch.filePath(QStringLiteral("c.qhc")));
    ASSERT_TRUE(w.isReadable());
    QHelpSearchEngine* search = w.engine()->searchEngine();
    ASSERT_TRUE(waitFor([&] { return w.state().value(QStringLiteral("searchReady")).toBool(); }));
    int hits = -1;
    QObject::connect(search, &QHelpSearchEngine::searchingFinished, [&hits](int count) { hits = count; });
    search->search(QStringLiteral("asterisk"));
    ASSERT_TRUE(waitFor([&] { return hits >= 0; }));
    QStringList pages;
    for (const QHelpSearchResult& r : search->searchResults(0, hits))
        pages << r.url().fileName();
    pages.sort();
    EXPECT_EQ(pages, (QStringList{"artist-dialog.html", "find-dialog.html", "record-dialog.html", "song-dialog.html"}));
}

} // namespace
