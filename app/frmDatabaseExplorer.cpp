// The main window: construction, load, resize, unload, timers.
#include "app/frmDatabaseExplorer.h"

#include "app/frmDatabaseExplorer_Internal.h"
#include "app/frmEnd.h"
#include "catalog/DataAccess.h"
#include "catalog/ProgramState.h"
#include "catalog/ScreenLayout.h"
#include "catalog/SoundOption.h"
#include "catalog/modRegistry.h"
#include "jet/Engine.h"
#include "vb/App.h"
#include "vb/MousePointer.h"
#include "vb/MsgBox.h"
#include "vb/Runtime.h"
#include "vb/Twips.h"

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QPointer>
#include <QScrollBar>
#include <QTreeWidget>

using namespace explorer;

frmDatabaseExplorer::frmDatabaseExplorer(QWidget* parent) : vb::Form(parent)
{
    setObjectName(QStringLiteral("frmDatabaseExplorer"));
    setWindowIcon(QIcon(QStringLiteral(":/app/images/records.svg")));
    resize(vb::twipsToPixelsX(11520), vb::twipsToPixelsY(7800));

    loadImages();
    buildMenus();
    buildWorkArea();
    buildTree();
    buildLists();

    TimerPopulateTree.setInterval(1);
    connect(&TimerPopulateTree, &QTimer::timeout, this, &frmDatabaseExplorer::TimerPopulateTree_Timer);
    connect(&TmrTreeScroll, &QTimer::timeout, this, &frmDatabaseExplorer::TmrTreeScroll_Timer);
    connect(Toolbar1, &Toolbar::ButtonClick, this, &frmDatabaseExplorer::Toolbar1_ButtonClick);
    connect(Toolbar1, &Toolbar::MouseMove, this, &frmDatabaseExplorer::Toolbar1_MouseMove);

    alive_ = true;
    placeAlignedBars();
    Form_Initialize();
}

frmDatabaseExplorer::~frmDatabaseExplorer() { alive_ = false; }

void frmDatabaseExplorer::loadImages()
{
    static const char* const keys[][2] = {
        {"Artist", "artist"}, {"Record", "record"}, {"Song", "song"}, {"Delete", "delete"},
        {"Find", "find"},     {"Print", "print"},   {"Help", "help"}, {"Database", "database"},
    };
    for (const auto& k : keys) {
        const QIcon icon(QStringLiteral(":/app/images/%1.svg").arg(QLatin1String(k[1])));
        imlIcons.Add(QLatin1String(k[0]), icon);
        imlSmallIcons.Add(QLatin1String(k[0]), icon);
    }
}

std::int32_t frmDatabaseExplorer::ScaleWidth() const { return vb::pixelsToTwipsX(clientArea->width()); }
std::int32_t frmDatabaseExplorer::ScaleHeight() const { return vb::pixelsToTwipsY(clientArea->height()); }

void frmDatabaseExplorer::resizeEvent(QResizeEvent* event)
{
    placeAlignedBars();
    vb::Form::resizeEvent(event);
}

bool frmDatabaseExplorer::eventFilter(QObject* watched, QEvent* event)
{
    if (!alive_)
        return false;
    if ((watched == tv1 || watched == tv1->viewport()) && treeEvent(watched, event))
        return true;
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == picControlsContainer)
            picControlsContainer_Resize();
        else if (watched == picTopPanel)
            picTopPanel_Resize();
        else if (watched == picTopLeftPanel)
            picTopLeftPanel_Resize();
        else if (watched == picTopRightPanel)
            picTopRightPanel_Resize();
        else if (watched == picBottomPanel)
            picBottomPanel_Resize();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        if (watched == picVSplitter || watched == picHSplitter) {
            dispatchMouse(static_cast<QWidget*>(watched), event);
            return true;
        }
        break;
    case QEvent::MouseMove: {
        if (watched == picVSplitter || watched == picHSplitter) {
            dispatchMouse(static_cast<QWidget*>(watched), event);
            return true;
        }
        // Only a move over the control itself, not one passed up from a child.
        auto* w = static_cast<QWidget*>(watched);
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (w->childAt(pos))
            break;
        if (watched == ListView1->viewport())
            ListView1_MouseMove();
        else if (watched == picBottomPanel)
            picBottomPanel_MouseMove();
        else if (watched == picTopLeftPanel)
            picTopLeftPanel_MouseMove();
        else if (watched == picTopRightPanel)
            picTopRightPanel_MouseMove();
        else if (watched == StatusBar1)
            StatusBar1_MouseMove();
        break;
    }
    default: break;
    }
    return vb::Form::eventFilter(watched, event);
}

void frmDatabaseExplorer::Form_Initialize()
{
    mVSplit.setHostPane(picTopPanel);
    mVSplit.setLeftPane(picTopLeftPanel);
    mVSplit.setRightPane(picTopRightPanel);
    mVSplit.setSplitBar(picVSplitter);
    mVSplit.setSplitOn(false);

    mHSplit.setHostPane(picControlsContainer);
    mHSplit.setTopPane(picTopPanel);
    mHSplit.setBottomPane(picBottomPanel);
    mHSplit.setSplitBar(picHSplitter);
    mHSplit.setSplitOn(false);
}

void frmDatabaseExplorer::Form_Load()
{
    if (!AppRunning)
        return;
    setMousePointer(vb::vbHourglass);
    setCaption(vb::App::Title());
    vb::App::setHelpFile(vb::App::file(QStringLiteral("record.hlp")));
    HelpContextID = 1;

    // Toolbar: ten buttons in index order.
    struct ButtonDesign {
        int style;
        const char* image;
        const char* toolTip;
    };
    static const ButtonDesign buttons[] = {
        {tbrDefault, "Artist", "New Artist"}, {tbrDefault, "Record", "New Record"},
        {tbrDefault, "Song", "New Song Title"}, {tbrSeparator, nullptr, nullptr},
        {tbrDefault, "Delete", "Delete"},     {tbrSeparator, nullptr, nullptr},
        {tbrDropdown, "Find", "Find"},        {tbrDefault, "Print", "Print"},
        {tbrSeparator, nullptr, nullptr},     {tbrDefault, "Help", "Help"},
    };
    Toolbar1->setImageList(&imlSmallIcons);
    for (const ButtonDesign& b : buttons) {
        if (!b.image) {
            Toolbar1->AddButton().setStyle(tbrSeparator);
            continue;
        }
        ToolbarButton& button = Toolbar1->AddButton(b.style, QLatin1String(b.image));
        button.setToolTipText(QLatin1String(b.toolTip));
    }
    Toolbar1->setHeight(Toolbar1->ButtonHeight());
    Toolbar1->Refresh();

    // The caption bars above the tree and the record list.
    for (StatusBar* caption : {StatusbarTreeViewTop, StatusBarListViewTop}) {
        caption->RemovePanel(1);
        caption->AddPanel(sbrText);
        StatusBarPanel& p = caption->Panels(1);
        p.setAlignment(sbrLeft);
        p.setAutoSize(sbrSpring);
        p.setBevel(sbrInset);
        p.setStyle(sbrText);
        p.setText(caption == StatusbarTreeViewTop ? QStringLiteral("List of Artists:") : QString());
    }

    // The bottom status bar: message, date, time.
    StatusBar1->RemovePanel(1);
    StatusBar1->AddPanel(0);
    StatusBar1->AddPanel(1);
    StatusBar1->AddPanel(2);
    StatusBar1->Panels(1).setAlignment(sbrLeft);
    StatusBar1->Panels(2).setAlignment(sbrRight);
    StatusBar1->Panels(3).setAlignment(sbrRight);
    StatusBar1->Panels(1).setAutoSize(sbrSpring);
    StatusBar1->Panels(2).setAutoSize(sbrContents);
    StatusBar1->Panels(3).setAutoSize(sbrContents);
    for (int i = 1; i <= 3; ++i)
        StatusBar1->Panels(i).setBevel(sbrInset);
    StatusBar1->Panels(1).setStyle(sbrText);
    StatusBar1->Panels(2).setStyle(sbrDate);
    StatusBar1->Panels(3).setStyle(sbrTime);

    // Workgroup set-up: the program's fixed account on the workgroup file. A
    // failure is ignored here; the tree's database open reports it.
    QString user;
    QString password;
    for (const QString& part : ConnectString.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (part.startsWith(QStringLiteral("uid="), Qt::CaseInsensitive))
            user = part.mid(4);
        else if (part.startsWith(QStringLiteral("pwd="), Qt::CaseInsensitive))
            password = part.mid(4);
    }
    try {
        jet::DBEngine::setSystemDB(vb::App::file(QStringLiteral("records.mdw")));
        jet::DBEngine::setDefaultUser(user);
        jet::DBEngine::setDefaultPassword(password);
        jet::DBEngine::Workspaces()(0).Close();
    } catch (const jet::Error&) {
    }
    try {
        jet::DBEngine::Workspaces().Refresh();
    } catch (const jet::Error&) {
    }

    // Exit-sound check mark. The value is still read and created when missing,
    // but the mark shows what the exit will do: the option file alone decides.
    const QString key = QStringLiteral("SOFTWARE\\") + vb::App::CompanyName() + QLatin1Char('\\') + vb::App::Title()
                        + QStringLiteral("\\3.00.000");
    const QString playSound = RegGetString(HKEY_LOCAL_MACHINE, key, QStringLiteral("PlaySoundOnExit"));
    if (playSound.isEmpty())
        RegSetString(key, QStringLiteral("PlaySoundOnExit"), QStringLiteral("True"));
    mnuPlayZAVROSound->setChecked(!QFileInfo(SoundOptionFile()).isFile());

    TimerPopulateTree.start();
    TmrTreeScroll.stop();
    TmrTreeScroll.setInterval(20);

    CatalogEntry root;
    root.Level = Level::Database;
    SetMenuState(root);

    mLoadLayout = true;
    picControlsContainer_Resize();
    mLoadLayout = false;

    SetTreeListImages();
    SetupRecordColumns();
    SetSongListImages();
    SetupSongColumns();
    for (QTreeWidget* list : {ListView1, ListView2}) {
        // Report view, ascending order until a header click sorts it; rows are
        // chosen whole, several at a time for a delete, and are not edited in place.
        list->setRootIsDecorated(false);
        list->setItemsExpandable(false);
        list->setUniformRowHeights(true);
        list->setSortingEnabled(false);
        list->header()->setSortIndicator(0, Qt::AscendingOrder);
        list->header()->setSortIndicatorShown(false);
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setAllColumnsShowFocus(true);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::Form_Resize()
{
    setMousePointer(vb::vbArrowHourglass);
    centreOnScreen();
    if (!FirstResizeDone) {
        FirstResizeDone = true;
        setMousePointer(vb::vbDefault);
        return;
    }

    // Hiding the work area would hand the keyboard focus on; give it back after.
    const QPointer<QWidget> focus = QApplication::focusWidget();
    picControlsContainer->hide();
    picControlsContainer_Resize();
    picControlsContainer->show();
    if (focus && focus != QApplication::focusWidget())
        focus->setFocus(Qt::OtherFocusReason);

    // The message in panel 1 stays; the time panel's own text is only trimmed.
    StatusBar1->Panels(3).setText(TrimText(StatusBar1->Panels(3).Text()));
    StatusBar1->Panels(1).setWidth(static_cast<double>(Width())
                                   - (static_cast<double>(StatusBar1->Panels(2).Width()) + StatusBar1->Panels(3).Width()));
    StatusBar1->Refresh();

    if (!panesReleased()) {
        Pane vbar(mVSplit.SplitBar());
        Pane vhost(mVSplit.HostPane());
        const std::int32_t x = vbar.Left() - kVSplitMargin;
        if (x < vhost.Left()) {
            vbar.setLeft(static_cast<double>(vhost.Left()) + kVSplitMargin);
            mVSplit.ResizePanes(0);
        } else if (x > vhost.Width() - kVSplitMargin) {
            vbar.setLeft(static_cast<double>(vhost.Width()) - kVSplitMargin);
            mVSplit.ResizePanes(0);
        }
        Pane hbar(mHSplit.SplitBar());
        Pane hhost(mHSplit.HostPane());
        const std::int32_t y = hbar.Top() - kHSplitMargin;
        if (y < hhost.Top()) {
            hbar.setTop(static_cast<double>(hhost.Top()) + kHSplitMargin);
            mHSplit.ResizePanes(0);
        } else if (y > hhost.Height() - kHSplitMargin) {
            hbar.setTop(static_cast<double>(hhost.Height()) - kHSplitMargin);
            mHSplit.ResizePanes(0);
        }
    }
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::Form_Unload(int& cancel)
{
    (void)cancel;
    if (AppRunning)
        mnuExit_Click();
}

void frmDatabaseExplorer::mnuExit_Click()
{
    mVSplit.setHostPane(nullptr);
    mVSplit.setLeftPane(nullptr);
    mVSplit.setRightPane(nullptr);
    mVSplit.setSplitBar(nullptr);
    mHSplit.setHostPane(nullptr);
    mHSplit.setTopPane(nullptr);
    mHSplit.setBottomPane(nullptr);
    mHSplit.setSplitBar(nullptr);
    vb::DoEvents();
    AppRunning = false;
    Hide();
    frmDatabaseExplorerInstance().release();
    vb::Unload(this);
    frmEndInstance()().Show(vb::vbModal);
    // The exit window ends the program; should it come back, end here.
    vb::DoEvents();
    vb::End();
}

void frmDatabaseExplorer::TimerPopulateTree_Timer()
{
    setMousePointer(vb::vbHourglass);
    TimerPopulateTree.stop();
    for (const QString& name : {QStringLiteral("records.mdb"), QStringLiteral("records.mdw")}) {
        if (QFileInfo(vb::App::file(name)).isFile())
            continue;
        vb::MsgBox(QStringLiteral("Unable to find the data file ") + name + QStringLiteral(" in ") + vb::App::Path()
                       + QStringLiteral(". ") + QStringLiteral("Please either re-install the application or if you have a backup,")
                       + QStringLiteral(" copy the file to the above directory.") + QStringLiteral("\r\n")
                       + QStringLiteral("The program will terminate..."),
                   vb::vbCritical, QStringLiteral("Missing File."));
        mnuExit_Click();
        return;
    }
    PopulateTree();
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::TmrTreeScroll_Timer()
{
    tv1->verticalScrollBar()->triggerAction(mTreeScrollUp ? QAbstractSlider::SliderSingleStepSub
                                                          : QAbstractSlider::SliderSingleStepAdd);
}
vb::DefaultInstance<frmDatabaseExplorer>& frmDatabaseExplorerInstance()
{
    static vb::DefaultInstance<frmDatabaseExplorer> instance;
    return instance;
}
