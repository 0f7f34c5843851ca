#include "HelpWindow.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

// The viewer's own pages are compiled into its library.
static void initViewerResources() { Q_INIT_RESOURCE(viewer); }

namespace help {

namespace {
const QUrl kHelpOnHelp(QStringLiteral("qrc:/help/using-help.html"));

// The window's size where the screen has room for it, and the room left
// around it for the frame the window manager adds.
constexpr int kWidth = 900;
constexpr int kHeight = 640;
constexpr int kFrameRoom = 80;

QString tabName(int index)
{
    switch (index) {
    case 0: return QStringLiteral("Contents");
    case 1: return QStringLiteral("Index");
    case 2: return QStringLiteral("Search");
    default: return QString();
    }
}
} // namespace

HelpBrowser::HelpBrowser(QHelpEngine* engine, QWidget* parent) : QTextBrowser(parent), engine_(engine)
{
    setOpenExternalLinks(false);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    if (name.scheme() == QLatin1String("qthelp"))
        return engine_->fileData(name);
    return QTextBrowser::loadResource(type, name);
}

HelpWindow::HelpWindow(const QString& helpFile, const QString& collectionFile, QWidget* parent)
    : QMainWindow(parent), file_(helpFile)
{
    initViewerResources();
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QFileInfo(helpFile).fileName() + QStringLiteral(" - Help"));
    placeOnScreen();

    engine_ = new QHelpEngine(collectionFile, this);
    engine_->setReadOnly(false);
    const QString space = QHelpEngineCore::namespaceName(helpFile);
    readable_ = engine_->setupData() && !space.isEmpty() && engine_->registerDocumentation(helpFile);
    if (readable_) {
        // The help file names its start page with the identifier "contents".
        const QList<QHelpLink> start = engine_->documentsForIdentifier(QStringLiteral("contents"));
        if (!start.isEmpty())
            home_ = start.first().url;
    }

    browser = new HelpBrowser(engine_, this);
    browser->setObjectName(QStringLiteral("browser"));

    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));
    QHelpContentWidget* contents = engine_->contentWidget();
    tabs->addTab(contents, QStringLiteral("&Contents"));

    auto* indexPage = new QWidget(tabs);
    auto* indexLayout = new QVBoxLayout(indexPage);
    auto* indexLabel = new QLabel(QStringLiteral("&Type the first letters of the word you are looking for:"), indexPage);
    indexLabel->setWordWrap(true);
    indexFilter = new QLineEdit(indexPage);
    indexFilter->setObjectName(QStringLiteral("indexFilter"));
    indexLabel->setBuddy(indexFilter);
    QHelpIndexWidget* index = engine_->indexWidget();
    indexLayout->addWidget(indexLabel);
    indexLayout->addWidget(indexFilter);
    indexLayout->addWidget(index);
    tabs->addTab(indexPage, QStringLiteral("&Index"));

    auto* searchPage = new QWidget(tabs);
    auto* searchLayout = new QVBoxLayout(searchPage);
    QHelpSearchEngine* search = engine_->searchEngine();
    searchLayout->addWidget(search->queryWidget());
    searchLayout->addWidget(search->resultWidget());
    tabs->addTab(searchPage, QStringLiteral("&Search"));

    // Each tab starts with its typing field, as the user came to type.
    connect(tabs, &QTabWidget::currentChanged, this, [this, search](int tab) {
        if (tab == 1)
            indexFilter->setFocus();
        else if (tab == 2)
            search->queryWidget()->setFocus();
    });

    auto* splitter = new QSplitter(this);
    splitter->addWidget(tabs);
    splitter->addWidget(browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({280, 620});
    setCentralWidget(splitter);

    QToolBar* bar = addToolBar(QStringLiteral("Navigation"));
    bar->setMovable(false);
    bar->addAction(QStringLiteral("Contents"), this, &HelpWindow::showContents);
    QAction* back = bar->addAction(QStringLiteral("Back"), browser, &QTextBrowser::backward);
    QAction* forward = bar->addAction(QStringLiteral("Forward"), browser, &QTextBrowser::forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    bar->addAction(QStringLiteral("How to Use Help"), this, &HelpWindow::showHelpOnHelp);

    // A click opens the topic, as do Enter and a double click.
    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::showPage);
    connect(contents, &QHelpContentWidget::clicked, this, [this](const QModelIndex& index) {
        if (const QHelpContentItem* item = engine_->contentModel()->contentItemAt(index))
            showPage(item->url());
    });
    connect(engine_->contentModel(), &QHelpContentModel::contentsCreated, this, [this] {
        contentsReady_ = true;
        engine_->contentWidget()->expandAll();
        // The engine builds empty contents for a file it cannot read: the
        // title after the file stays.
        const QHelpContentItem* root = engine_->contentModel()->contentItemAt(engine_->contentModel()->index(0, 0));
        if (readable_ && root && !root->title().isEmpty())
            setWindowTitle(root->title());
    });
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& link, const QString&) { showPage(link.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this, [this](const QList<QHelpLink>& links, const QString&) {
        if (!links.isEmpty())
            showPage(links.first().url);
    });
    connect(indexFilter, &QLineEdit::textChanged, index, [index](const QString& text) { index->filterIndices(text); });
    connect(indexFilter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(engine_->indexModel(), &QHelpIndexModel::indexCreated, this, [this] {
        indexReady_ = true;
        if (keywordPending_)
            applyIndexFilter();
    });
    connect(search->queryWidget(), &QHelpSearchQueryWidget::search, search,
            [search] { search->search(search->queryWidget()->searchInput()); });
    connect(search->resultWidget(), &QHelpSearchResultWidget::requestShowLink, this, &HelpWindow::showPage);
    connect(search, &QHelpSearchEngine::indexingFinished, this, [this] { searchReady_ = true; });

    if (readable_) {
        engine_->contentModel()->createContents(QString());
        engine_->indexModel()->createIndex(QString());
        search->reindexDocumentation();
    } else {
        tabs->setEnabled(false);
        browser->setHtml(QStringLiteral("<h2>This help file cannot be read</h2><p>%1 is not a help file of this "
                                        "program, or it is damaged.</p>")
                             .arg(helpFile.toHtmlEscaped()));
    }
}

void HelpWindow::placeOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, kWidth + kFrameRoom, kHeight + kFrameRoom);
    const QSize size(std::min(kWidth, room.width() - kFrameRoom), std::min(kHeight, room.height() - kFrameRoom));
    resize(size);
    move(room.x() + (room.width() - size.width()) / 2, room.y() + (room.height() - size.height()) / 2);
}

void HelpWindow::showPage(const QUrl& url)
{
    // The page on show is not opened again (a double click also clicks).
    if (url.isValid() && url != browser->source())
        browser->setSource(url);
}

void HelpWindow::showContents()
{
    tabs->setCurrentIndex(0);
    if (readable_)
        showPage(home_);
}

void HelpWindow::showIndex(const QString& keyword)
{
    tabs->setCurrentIndex(1);
    if (browser->source().isEmpty() && readable_)
        showPage(home_);
    pendingKeyword_ = keyword;
    keywordPending_ = true;
    if (indexReady_)
        applyIndexFilter();
    indexFilter->setFocus();
}

void HelpWindow::applyIndexFilter()
{
    keywordPending_ = false;
    const QString keyword = pendingKeyword_;
    if (indexFilter->text() != keyword)
        indexFilter->setText(keyword);
    else
        engine_->indexWidget()->filterIndices(keyword);
    if (keyword.isEmpty())
        return;
    // The first keyword that begins with what was typed, as the list shows them.
    const QStringList words = engine_->indexModel()->stringList();
    for (int i = 0; i < words.size(); ++i) {
        if (!words.at(i).startsWith(keyword, Qt::CaseInsensitive))
            continue;
        engine_->indexWidget()->setCurrentIndex(engine_->indexModel()->index(i, 0));
        const QList<QHelpLink> links = engine_->documentsForKeyword(words.at(i));
        if (!links.isEmpty())
            showPage(links.first().url);
        return;
    }
}

void HelpWindow::showContext(quint32 context)
{
    const QList<QHelpLink> links = readable_
        ? engine_->documentsForIdentifier(QStringLiteral("context-%1").arg(context))
        : QList<QHelpLink>();
    if (links.isEmpty()) {
        showContents();
        return;
    }
    showPage(links.first().url);
}

void HelpWindow::showHelpOnHelp() { showPage(kHelpOnHelp); }

QJsonObject HelpWindow::state() const
{
    return QJsonObject{{QStringLiteral("file"), file_},
                       {QStringLiteral("title"), windowTitle()},
                       {QStringLiteral("page"), browser->source().toString()},
                       {QStringLiteral("tab"), tabName(tabs->currentIndex())},
                       {QStringLiteral("indexFilter"), indexFilter->text()},
                       {QStringLiteral("indexRows"), engine_->indexModel()->rowCount()},
                       {QStringLiteral("readable"), readable_},
                       {QStringLiteral("ready"), !readable_ || (indexReady_ && contentsReady_ && !keywordPending_)},
                       {QStringLiteral("searchReady"), searchReady_},
                       {QStringLiteral("visible"), isVisible()}};
}

} // namespace help
