#include "app/frmDatabaseExplorer.h"

#include "app/CatalogFunctions.h"
#include "app/NodeLabelDelegate.h"
#include "app/frmEnd.h"
#include "catalog/ArtistAccounts.h"
#include "catalog/DataAccess.h"
#include "catalog/EntryActions.h"
#include "catalog/Maintenance.h"
#include "catalog/NameRules.h"
#include "catalog/ProgramState.h"
#include "catalog/ScreenLayout.h"
#include "catalog/SoundOption.h"
#include "catalog/ValueText.h"
#include "catalog/modRegistry.h"
#include "jet/Engine.h"
#include "vb/App.h"
#include "vb/MousePointer.h"
#include "vb/MsgBox.h"
#include "vb/Runtime.h"
#include "vb/Twips.h"
#include "vb/VbTypes.h"

#include <QApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cmath>
#include <functional>

namespace {

constexpr std::int32_t kVSplitMargin = 500;
constexpr std::int32_t kHSplitMargin = 1000;

// Mouse buttons and shift state as the mouse handlers take them.
int vbButton(Qt::MouseButtons buttons)
{
    int b = 0;
    if (buttons & Qt::LeftButton)
        b |= 1;
    if (buttons & Qt::RightButton)
        b |= 2;
    if (buttons & Qt::MiddleButton)
        b |= 4;
    return b;
}

int vbShift(Qt::KeyboardModifiers m)
{
    int s = 0;
    if (m & Qt::ShiftModifier)
        s |= 1;
    if (m & Qt::ControlModifier)
        s |= 2;
    if (m & Qt::AltModifier)
        s |= 4;
    return s;
}

// The event as a mouse press, move, release or double click; nullptr for any other event.
QMouseEvent* mouseEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: return static_cast<QMouseEvent*>(event);
    default: return nullptr;
    }
}

// The mouse position in the control, in twips.
double twipsX(const QMouseEvent* me) { return me->position().x() * vb::TwipsPerPixelX(); }
double twipsY(const QMouseEvent* me) { return me->position().y() * vb::TwipsPerPixelY(); }

// Nearest whole number, halves to even, kept in 32 bits.
std::int32_t roundToInt(double v) { return static_cast<std::int32_t>(std::nearbyint(v)); }

// The Visible property: set unless the control was hidden itself, shown window or not.
bool visibleProperty(const QWidget* w)
{
    return !(w->testAttribute(Qt::WA_WState_ExplicitShowHide) && w->testAttribute(Qt::WA_WState_Hidden));
}

QWidget* plainPanel(QWidget* parent, const char* name)
{
    auto* w = new QWidget(parent);
    w->setObjectName(QLatin1String(name));
    w->setMouseTracking(true);
    return w;
}

} // namespace

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

void frmDatabaseExplorer::buildMenus()
{
    using Handler = void (frmDatabaseExplorer::*)();
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setNativeMenuBar(false);

    auto menu = [this](QWidget* parent, const char* name, const QString& caption) {
        auto* m = new QMenu(caption, parent);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        if (auto* bar = qobject_cast<QMenuBar*>(parent))
            bar->addMenu(m);
        else
            static_cast<QMenu*>(parent)->addMenu(m);
        return m;
    };
    auto item = [this](QMenu* parent, const char* name, const QString& caption, Handler handler) {
        auto* a = new QAction(caption, parent);
        a->setObjectName(QLatin1String(name));
        parent->addAction(a);
        if (handler)
            connect(a, &QAction::triggered, this, [this, a, handler] {
                // A check mark changes only when the command sets it.
                if (a->isCheckable())
                    a->setChecked(!a->isChecked());
                (this->*handler)();
            });
        return a;
    };
    auto separator = [](QMenu* parent, const char* name) {
        auto* a = new QAction(parent);
        a->setObjectName(QLatin1String(name));
        a->setSeparator(true);
        parent->addAction(a);
        return a;
    };
    using F = frmDatabaseExplorer;

    mnuFile = menu(menuBar, "mnuFile", QStringLiteral("&File"));
    mnuNew = menu(mnuFile, "mnuNew", QStringLiteral("Ne&w"));
    mnuNewArtist = item(mnuNew, "mnuNewArtist", QStringLiteral("&Artist"), &F::mnuNewArtist_Click);
    mnuNewRecordName = item(mnuNew, "mnuNewRecordName", QStringLiteral("&Record"), &F::mnuNewRecordName_Click);
    mnuFileNewSep = separator(mnuNew, "mnuFileNewSep");
    mnuNewSong = item(mnuNew, "mnuNewSong", QStringLiteral("&Song Title"), &F::mnuNewSong_Click);
    mnuSepAddMediaRecords = separator(mnuFile, "mnuSepAddMediaRecords");
    mnuDelete = item(mnuFile, "mnuDelete", QStringLiteral("&Delete"), &F::mnuDelete_Click);
    mnuRename = item(mnuFile, "mnuRename", QStringLiteral("Rena&me"), &F::mnuRename_Click);
    mnuSepAdd = separator(mnuFile, "mnuSepAdd");
    mnuPrint = item(mnuFile, "mnuPrint", QStringLiteral("Print Pre&view"), &F::mnuPrint_Click);
    mnuSepPrint = separator(mnuFile, "mnuSepPrint");
    mnuExit = item(mnuFile, "mnuExit", QStringLiteral("E&xit"), &F::mnuExit_Click);

    mnuView = menu(menuBar, "mnuView", QStringLiteral("&View"));
    mnuToolbar = item(mnuView, "mnuToolbar", QStringLiteral("&Toolbar"), &F::mnuToolbar_Click);
    mnuToolbar->setCheckable(true);
    mnuToolbar->setChecked(true);
    mnuStatusbar = item(mnuView, "mnuStatusbar", QStringLiteral("Status &bar"), &F::mnuStatusbar_Click);
    mnuStatusbar->setCheckable(true);
    mnuStatusbar->setChecked(true);

    mnuEdit = menu(menuBar, "mnuEdit", QStringLiteral("&Edit"));
    mnuEdit->menuAction()->setVisible(false);
    mnuCopy = item(mnuEdit, "mnuCopy", QStringLiteral("&Copy"), nullptr);
    mnuCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuCut = item(mnuEdit, "mnuCut", QStringLiteral("Cu&t"), nullptr);
    mnuCut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    mnuPaste = item(mnuEdit, "mnuPaste", QStringLiteral("&Paste"), nullptr);
    mnuPaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    setEnabled(mnuPaste, false);

    mnuToolS = menu(menuBar, "mnuToolS", QStringLiteral("&Tools"));
    mnuFindFiles = item(mnuToolS, "mnuFindFiles", QStringLiteral("&Find"), &F::mnuFindFiles_Click);
    mnuToolSep1 = separator(mnuToolS, "mnuToolSep1");
    mnuMaintenance = menu(mnuToolS, "mnuMaintenance", QStringLiteral("&Database Maintenance"));
    mnuCompactDatabase = item(mnuMaintenance, "mnuCompactDatabase", QStringLiteral("&Compact Database"),
                              &F::mnuCompactDatabase_Click);
    mnuSepCompatDatabase = separator(mnuMaintenance, "mnuSepCompatDatabase");
    mnuRepairDatabase = item(mnuMaintenance, "mnuRepairDatabase", QStringLiteral("&Repair Database"),
                             &F::mnuRepairDatabase_Click);
    mnuSepOption = separator(mnuToolS, "mnuSepOption");
    mnuOptions = menu(mnuToolS, "mnuOptions", QStringLiteral("&Options"));
    mnuPlayZAVROSound = item(mnuOptions, "mnuPlayZAVROSound", QStringLiteral("&Play ZAVRO Dodi sound on Exit"),
                             &F::mnuPlayZAVROSound_Click);
    mnuPlayZAVROSound->setCheckable(true);

    mnuHelp = menu(menuBar, "mnuHelp", QStringLiteral("&Help"));
    mnuGettingStarted = item(mnuHelp, "mnuGettingStarted", QStringLiteral("&Getting Started"),
                             &F::mnuGettingStarted_Click);
    mnuSepGettingStarted = separator(mnuHelp, "mnuSepGettingStarted");
    mnuContents = item(mnuHelp, "mnuContents", QStringLiteral("&Contents"), &F::mnuContents_Click);
    mnuSearch = item(mnuHelp, "mnuSearch", QStringLiteral("&Search"), &F::mnuSearch_Click);
    mnuHowToUseHelp = item(mnuHelp, "mnuHowToUseHelp", QStringLiteral("&How To Use Help"), &F::mnuHowToUseHelp_Click);
    mnuHelpSep = separator(mnuHelp, "mnuHelpSep");
    mnuVisitZAVROTech = item(mnuHelp, "mnuVisitZAVROTech", QStringLiteral("ZAVRO Dodi &Web Site"),
                             &F::mnuVisitZAVROTech_Click);
    mnuemailsupport = item(mnuHelp, "mnuemailsupport", QStringLiteral("Email &Support"), &F::mnuemailsupport_Click);
    mnuAboutSep = separator(mnuHelp, "mnuAboutSep");
    mnuAbout = item(mnuHelp, "mnuAbout", QStringLiteral("&About Vinarium"), &F::mnuAbout_Click);

    mnuPopupSong = menu(menuBar, "mnuPopupSong", QStringLiteral("Popup SongMenu"));
    mnuPopupSong->menuAction()->setVisible(false);
    mnuPopupSongDelete = item(mnuPopupSong, "mnuPopupSongDelete", QStringLiteral("Delete"),
                              &F::mnuPopupSongDelete_Click);
    mnuPopupSongRename = item(mnuPopupSong, "mnuPopupSongRename", QStringLiteral("Rename"),
                              &F::mnuPopupSongRename_Click);

    mnuPopup = menu(menuBar, "mnuPopup", QStringLiteral("Popup Menu"));
    mnuPopup->menuAction()->setVisible(false);
    mnuPopupNew[0] = menu(mnuPopup, "mnuPopupNew(0)", QStringLiteral("New"));
    mnuPopupNewArtist = item(mnuPopupNew[0], "mnuPopupNewArtist", QStringLiteral("Artist"),
                             &F::mnuPopupNewArtist_Click);
    mnuPopupRecordName = item(mnuPopupNew[0], "mnuPopupRecordName", QStringLiteral("Record"),
                              &F::mnuPopupRecordName_Click);
    mnuPopupNewSong = item(mnuPopupNew[0], "mnuPopupNewSong", QStringLiteral("Song Title"), &F::mnuPopupNewSong_Click);
    mnuPopupSep1 = separator(mnuPopup, "mnuPopupSep1");
    mnuPopupDelete = item(mnuPopup, "mnuPopupDelete", QStringLiteral("&Delete"), &F::mnuPopupDelete_Click);
    mnuPopupRename = item(mnuPopup, "mnuPopupRename", QStringLiteral("Re&name"), &F::mnuPopupRename_Click);
    mnuPopupSep2 = separator(mnuPopup, "mnuPopupSep2");
    mnuPopupCopy = item(mnuPopup, "mnuPopupCopy", QStringLiteral("&Copy"), nullptr);
    mnuPopupCopy->setVisible(false);
    mnuPopupCut = item(mnuPopup, "mnuPopupCut", QStringLiteral("Cu&t"), nullptr);
    mnuPopupCut->setVisible(false);
    mnuPopupPaste = item(mnuPopup, "mnuPopupPaste", QStringLiteral("&Paste"), nullptr);
    mnuPopupPaste->setVisible(false);
    mnuPopupSep3 = separator(mnuPopup, "mnuPopupSep3");
    mnuPopupSep3->setVisible(false);
    mnuPopupFind = item(mnuPopup, "mnuPopupFind", QStringLiteral("&Find"), &F::mnuPopupFind_Click);
    mnuPopupSep5 = separator(mnuPopup, "mnuPopupSep5");
    mnuPopupPrintPreview = item(mnuPopup, "mnuPopupPrintPreview", QStringLiteral("Print Pre&view"),
                                &F::mnuPopupPrintPreview_Click);
}

void frmDatabaseExplorer::buildWorkArea()
{
    clientArea = plainPanel(this, "clientArea");

    Toolbar1 = new Toolbar(clientArea);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    StatusBar1 = new StatusBar(clientArea);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setMouseTracking(true);

    picControlsContainer = plainPanel(clientArea, "picControlsContainer");
    picTopPanel = plainPanel(picControlsContainer, "picTopPanel");
    picBottomPanel = plainPanel(picControlsContainer, "picBottomPanel");
    picHSplitter = plainPanel(picControlsContainer, "picHSplitter");
    picTopLeftPanel = plainPanel(picTopPanel, "picTopLeftPanel");
    picTopRightPanel = plainPanel(picTopPanel, "picTopRightPanel");
    picVSplitter = plainPanel(picTopPanel, "picVSplitter");
    // The design place of each bar is the split the window opens with.
    Pane(picHSplitter).Move(0, 3360, 11520, 60);
    Pane(picVSplitter).Move(3360, 0, 60, 3360);

    StatusbarTreeViewTop = new StatusBar(picTopLeftPanel);
    StatusbarTreeViewTop->setObjectName(QStringLiteral("StatusbarTreeViewTop"));
    tv1 = new QTreeWidget(picTopLeftPanel);
    tv1->setObjectName(QStringLiteral("tv1"));
    tv1->setHeaderHidden(true);
    tv1->setColumnCount(1);

    StatusBarListViewTop = new StatusBar(picTopRightPanel);
    StatusBarListViewTop->setObjectName(QStringLiteral("StatusBarListViewTop"));
    ListView1 = new QTreeWidget(picTopRightPanel);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setColumnCount(0);
    ListView1->viewport()->setMouseTracking(true);

    fraSongView = new QGroupBox(QStringLiteral("Song Titles"), picBottomPanel);
    fraSongView->setObjectName(QStringLiteral("fraSongView"));
    ListView2 = new QTreeWidget(fraSongView);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    ListView2->setColumnCount(0);

    for (QWidget* w : {picControlsContainer, picTopPanel, picTopLeftPanel, picTopRightPanel, picBottomPanel,
                       picVSplitter, picHSplitter, ListView1->viewport(), static_cast<QWidget*>(StatusBar1)})
        w->installEventFilter(this);
}

void frmDatabaseExplorer::placeAlignedBars()
{
    if (!alive_)
        return;
    const int menuHeight = menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, width(), menuHeight);
    clientArea->setGeometry(0, menuHeight, width(), std::max(0, height() - menuHeight));
    Toolbar1->setGeometry(0, 0, clientArea->width(), Toolbar1->height());
    StatusBar1->setGeometry(0, clientArea->height() - StatusBar1->height(), clientArea->width(), StatusBar1->height());
}

std::int32_t frmDatabaseExplorer::ScaleWidth() const { return vb::pixelsToTwipsX(clientArea->width()); }
std::int32_t frmDatabaseExplorer::ScaleHeight() const { return vb::pixelsToTwipsY(clientArea->height()); }

bool frmDatabaseExplorer::panesReleased() const
{
    return !mVSplit.HostPane() || !mVSplit.LeftPane() || !mVSplit.RightPane() || !mVSplit.SplitBar()
           || !mHSplit.HostPane() || !mHSplit.TopPane() || !mHSplit.BottomPane() || !mHSplit.SplitBar();
}

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

void frmDatabaseExplorer::dispatchMouse(QWidget* bar, QEvent* event)
{
    auto* me = static_cast<QMouseEvent*>(event);
    const double x = twipsX(me);
    const double y = twipsY(me);
    const int shift = vbShift(me->modifiers());
    const bool vertical = bar == picVSplitter;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const int button = vbButton(me->button());
        vertical ? picVSplitter_MouseDown(button, shift, x, y) : picHSplitter_MouseDown(button, shift, x, y);
        break;
    }
    case QEvent::MouseMove: {
        const int button = vbButton(me->buttons());
        vertical ? picVSplitter_MouseMove(button, shift, x, y) : picHSplitter_MouseMove(button, shift, x, y);
        break;
    }
    case QEvent::MouseButtonRelease: {
        const int button = vbButton(me->button());
        vertical ? picVSplitter_MouseUp(button, shift, x, y) : picHSplitter_MouseUp(button, shift, x, y);
        break;
    }
    default: break;
    }
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
        // chosen whole, one at a time, and are not edited in place.
        list->setRootIsDecorated(false);
        list->setItemsExpandable(false);
        list->setUniformRowHeights(true);
        list->setSortingEnabled(false);
        list->header()->setSortIndicator(0, Qt::AscendingOrder);
        list->header()->setSortIndicatorShown(false);
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setAllColumnsShowFocus(true);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::Form_Resize()
{
    setMousePointer(vb::vbArrowHourglass);
    if (WindowState() == vb::vbNormal)
        Move((vb::ScreenWidth() - Width()) / 2.0, (vb::ScreenHeight() - Height()) / 2.0);
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

void frmDatabaseExplorer::Toolbar1_ButtonClick(int index)
{
    setMousePointer(vb::vbHourglass);
    switch (index) {
    case 1: mnuNewArtist_Click(); break;
    case 2: mnuNewRecordName_Click(); break;
    case 3: mnuNewSong_Click(); break;
    case 5: mnuDelete_Click(); break;
    case 7: mnuFindFiles_Click(); break;
    case 8: mnuPrint_Click(); break;
    case 10: mnuContents_Click(); break;
    default: break;
    }
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::Toolbar1_MouseMove()
{
    mVSplit.SetPointer(vb::vbDefault);
    mHSplit.SetPointer(vb::vbDefault);
}

bool frmDatabaseExplorer::Enabled(const QAction* item)
{
    if (item->isVisible())
        return item->isEnabled();
    const QVariant stored = item->property("vbEnabled");
    return stored.isValid() ? stored.toBool() : true;
}

void frmDatabaseExplorer::setEnabled(QAction* item, bool enabled)
{
    item->setProperty("vbEnabled", enabled);
    item->setEnabled(enabled);
}

void frmDatabaseExplorer::SetMenuState(const CatalogEntry& entry)
{
    const bool record = entry.Level == Level::Record_Name;
    const bool artist = !record && entry.Level == Level::Artist;
    const bool root = !record && !artist;

    setEnabled(mnuNewArtist, root);
    setEnabled(mnuPopupNewArtist, root);
    setEnabled(mnuNewRecordName, artist);
    setEnabled(mnuPopupRecordName, artist);
    setEnabled(mnuNewSong, record);
    setEnabled(mnuPopupNewSong, record);
    if (root) {
        setEnabled(mnuCopy, false);
        setEnabled(mnuCut, false);
        setEnabled(mnuPaste, false);
        setEnabled(mnuPopupCopy, false);
        setEnabled(mnuPopupCut, false);
        setEnabled(mnuPopupPaste, false);
    } else {
        setEnabled(mnuPopupCopy, Enabled(mnuCopy));
        setEnabled(mnuPopupCut, Enabled(mnuCut));
        setEnabled(mnuPopupPaste, Enabled(mnuPaste));
    }
    setEnabled(mnuDelete, !root);
    setEnabled(mnuPopupDelete, !root);
    setEnabled(mnuRename, !root);
    setEnabled(mnuPopupRename, !root);
    setEnabled(mnuFindFiles, true);
    setEnabled(mnuPopupPrintPreview, true);
    // Print preview is offered at the root too; the command itself checks the tree.
    setEnabled(mnuPrint, true);

    Toolbar1->Buttons(1).setEnabled(Enabled(mnuNewArtist));
    Toolbar1->Buttons(2).setEnabled(Enabled(mnuNewRecordName));
    Toolbar1->Buttons(3).setEnabled(Enabled(mnuNewSong));
    Toolbar1->Buttons(5).setEnabled(Enabled(mnuDelete));
    Toolbar1->Buttons(7).setEnabled(Enabled(mnuFindFiles));
    Toolbar1->Buttons(8).setEnabled(Enabled(mnuPrint));
    Toolbar1->Buttons(10).setEnabled(true);
}

void frmDatabaseExplorer::SetTreeListImages()
{
    tv1ImageList = &imlSmallIcons;
    tv1->setIconSize(QSize(imlSmallIcons.ImageWidth(), imlSmallIcons.ImageHeight()));
    ListView1Icons = &imlIcons;
    ListView1SmallIcons = &imlSmallIcons;
    ListView1->setIconSize(QSize(imlSmallIcons.ImageWidth(), imlSmallIcons.ImageHeight()));
}

void frmDatabaseExplorer::SetSongListImages()
{
    ListView2Icons = &imlIcons;
    ListView2SmallIcons = &imlSmallIcons;
    ListView2->setIconSize(QSize(imlSmallIcons.ImageWidth(), imlSmallIcons.ImageHeight()));
}

namespace {
void addColumns(QTreeWidget* list, const QStringList& captions, double widthTwips)
{
    const int first = list->columnCount();
    list->setColumnCount(first + static_cast<int>(captions.size()));
    QTreeWidgetItem* header = list->headerItem();
    for (int i = 0; i < captions.size(); ++i) {
        header->setText(first + i, captions[i]);
        header->setTextAlignment(first + i, Qt::AlignLeft | Qt::AlignVCenter);
        list->header()->resizeSection(first + i, vb::twipsToPixelsX(widthTwips));
    }
}

void setColumnWidths(QTreeWidget* list, double widthTwips)
{
    for (int i = 0; i < list->columnCount(); ++i)
        list->header()->resizeSection(i, vb::twipsToPixelsX(widthTwips));
}
} // namespace

void frmDatabaseExplorer::SetupRecordColumns()
{
    addColumns(ListView1,
               {QStringLiteral("Record Name"), QStringLiteral("Type"), QStringLiteral("Category"),
                QStringLiteral("Label Name"), QStringLiteral("Label Number"), QStringLiteral("Record Condition"),
                QStringLiteral("Sleeve Condition"), QStringLiteral("Record Date"), QStringLiteral("Book Value"),
                QStringLiteral("Quantity")},
               Pane(ListView1).Width() / 4.0);
}

void frmDatabaseExplorer::SetupSongColumns()
{
    addColumns(ListView2, {QStringLiteral("Song Title"), QStringLiteral("Record Name"), QStringLiteral("Artist")},
               Pane(ListView2).Width() / 3.0);
}

void frmDatabaseExplorer::picControlsContainer_Resize()
{
    if (!alive_ || panesReleased())
        return;
    placeAlignedBars();
    std::int32_t tb = 0;
    std::int32_t sb = 0;
    if (mLoadLayout) {
        tb = Toolbar1->Top() + Toolbar1->Height();
        sb = StatusBar1->Height();
    } else {
        tb = visibleProperty(Toolbar1) ? Toolbar1->Top() + Toolbar1->Height() : 0;
        sb = visibleProperty(StatusBar1) ? StatusBar1->Height() : 0;
    }
    Pane container(picControlsContainer);
    container.setTop(tb);
    container.setLeft(0);
    container.setWidth(ScaleWidth());
    container.setHeight(static_cast<double>(ScaleHeight()) - (static_cast<double>(tb) + sb));
    container.Move(container.Left(), container.Top(), container.Width(), container.Height());

    mHSplit.ResizePanes(0);
    mVSplit.ResizePanes(0);

    setColumnWidths(ListView1, Pane(ListView1).Width() / 4.0);
    setColumnWidths(ListView2, Pane(ListView2).Width() / 3.0);
}

void frmDatabaseExplorer::picTopPanel_Resize()
{
    if (!alive_ || panesReleased())
        return;
    mHSplit.ResizePanes(0);
    mVSplit.ResizePanes(0);
}

namespace {
// A caption bar over a list in a pane: the bar keeps its height, the list takes the rest.
void layCaptionAndList(Pane p, StatusBar* caption, QWidget* list)
{
    Pane c(caption);
    c.setWidth(p.ScaleWidth());
    caption->Panels(1).setWidth(c.Width());
    c.setTop(p.Top());
    c.setLeft(p.ScaleLeft());
    Pane t(list);
    t.setLeft(0);
    t.setTop(static_cast<double>(c.Top()) + p.ScaleTop() + c.Height());
    t.setHeight(static_cast<double>(p.ScaleHeight()) - c.Height());
    t.setWidth(p.ScaleWidth());
}
} // namespace

void frmDatabaseExplorer::picTopLeftPanel_Resize()
{
    if (!alive_ || panesReleased())
        return;
    layCaptionAndList(Pane(picTopLeftPanel), StatusbarTreeViewTop, tv1);
}

void frmDatabaseExplorer::picTopRightPanel_Resize()
{
    if (!alive_ || panesReleased())
        return;
    layCaptionAndList(Pane(picTopRightPanel), StatusBarListViewTop, ListView1);
}

void frmDatabaseExplorer::picBottomPanel_Resize()
{
    if (!alive_ || panesReleased())
        return;
    Pane p(picBottomPanel);
    Pane f(fraSongView);
    f.setLeft(p.ScaleLeft());
    f.setHeight(p.ScaleHeight());
    f.setWidth(p.ScaleWidth());
    f.setTop(p.ScaleTop());
    // The list lies over the whole frame, its caption included.
    Pane l(ListView2);
    l.setLeft(f.Left());
    l.setTop(f.Top());
    l.setHeight(f.Height());
    l.setWidth(f.Width());
}

void frmDatabaseExplorer::picVSplitter_MouseDown(int, int, double x, double)
{
    mVSplit.SetPointer(vb::vbSizeWE);
    mVSplit.setSplitOn(true);
    mVSplitStartX = roundToInt(x);
}

void frmDatabaseExplorer::picVSplitter_MouseMove(int, int, double x, double)
{
    mVSplit.SetPointer(vb::vbSizeWE);
    if (mVSplit.SplitOn())
        mVSplit.ResizePanes(x);
    // Let the panes repaint while the bar is dragged.
    vb::DoEvents();
}

void frmDatabaseExplorer::picVSplitter_MouseUp(int, int, double x, double)
{
    mVSplit.SetPointer(vb::vbDefault);
    if (!mVSplit.SplitOn())
        return;
    mVSplit.ResizePanes(x);
    Pane bar(mVSplit.SplitBar());
    Pane host(mVSplit.HostPane());
    const std::int32_t position = roundToInt(bar.Left() + x - mVSplitStartX);
    if (position < host.Left()) {
        bar.setLeft(static_cast<double>(host.Left()) + kVSplitMargin);
        mVSplit.ResizePanes(x);
    } else if (position > host.Width() - kVSplitMargin) {
        bar.setLeft(static_cast<double>(host.Width()) - kVSplitMargin);
        mVSplit.ResizePanes(x);
    }
    mVSplit.setSplitOn(false);
}

void frmDatabaseExplorer::picHSplitter_MouseDown(int, int, double, double y)
{
    mHSplit.SetPointer(vb::vbSizeNS);
    mHSplit.setSplitOn(true);
    mHSplitStartY = roundToInt(y);
}

void frmDatabaseExplorer::picHSplitter_MouseMove(int, int, double, double y)
{
    mHSplit.SetPointer(vb::vbSizeNS);
    if (mHSplit.SplitOn())
        mHSplit.ResizePanes(y);
}

void frmDatabaseExplorer::picHSplitter_MouseUp(int, int, double, double y)
{
    mHSplit.SetPointer(vb::vbDefault);
    if (!mHSplit.SplitOn())
        return;
    mHSplit.ResizePanes(y);
    Pane bar(mHSplit.SplitBar());
    Pane host(mHSplit.HostPane());
    const std::int32_t position = roundToInt(bar.Top() + y - mHSplitStartY);
    if (position < host.Top()) {
        bar.setTop(static_cast<double>(host.Top()) + kHSplitMargin);
        mHSplit.ResizePanes(y);
    } else if (position > host.Height() - kHSplitMargin) {
        bar.setTop(static_cast<double>(host.Height()) - kHSplitMargin);
        mHSplit.ResizePanes(y);
    }
    mHSplit.setSplitOn(false);
}

void frmDatabaseExplorer::ListView1_MouseMove()
{
    mVSplit.SetPointer(vb::vbDefault);
    mHSplit.SetPointer(vb::vbDefault);
}

void frmDatabaseExplorer::picBottomPanel_MouseMove()
{
    mVSplit.SetPointer(vb::vbDefault);
    mHSplit.SetPointer(vb::vbDefault);
}

void frmDatabaseExplorer::picTopLeftPanel_MouseMove() { mHSplit.SetPointer(vb::vbDefault); }
void frmDatabaseExplorer::picTopRightPanel_MouseMove() { mHSplit.SetPointer(vb::vbDefault); }

void frmDatabaseExplorer::StatusBar1_MouseMove()
{
    mVSplit.SetPointer(vb::vbDefault);
    mHSplit.SetPointer(vb::vbDefault);
}

vb::DefaultInstance<frmDatabaseExplorer>& frmDatabaseExplorerInstance()
{
    static vb::DefaultInstance<frmDatabaseExplorer> instance;
    return instance;
}

// ---------------------------------------------------------------------------
// Catalogue tree

void frmDatabaseExplorer::buildTree()
{
    tv1->setSelectionMode(QAbstractItemView::SingleSelection);
    tv1->setRootIsDecorated(true);
    tv1->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    tv1->setItemDelegate(new NodeLabelDelegate(
        [this](int& cancel) { tv1_BeforeLabelEdit(cancel); },
        [this](QString text) {
            int cancel = 0;
            tv1_AfterLabelEdit(cancel, text);
        },
        tv1));
    tv1->viewport()->setMouseTracking(true);
    tv1->installEventFilter(this);
    tv1->viewport()->installEventFilter(this);
}

bool frmDatabaseExplorer::treeEvent(QObject* watched, QEvent* event)
{
    if (watched == tv1) {
        if (event->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(event);
            tv1_KeyDown(ke->key() == Qt::Key_Delete ? 46 : ke->key(), vbShift(ke->modifiers()));
        }
        return false;
    }
    QMouseEvent* me = mouseEvent(event);
    if (!me)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        tv1_MouseDown(vbButton(me->button()), vbShift(me->modifiers()), twipsX(me), twipsY(me));
        // A right press would select the node under the mouse; the popup works on the selection as it is.
        return me->button() == Qt::RightButton;
    case QEvent::MouseMove:
        tv1_MouseMove(vbButton(me->buttons()), vbShift(me->modifiers()), twipsX(me), twipsY(me));
        return false;
    case QEvent::MouseButtonRelease:
        tv1_MouseUp(vbButton(me->button()), vbShift(me->modifiers()), twipsX(me), twipsY(me));
        // A click anywhere in the tree counts, on a node or not.
        if (me->button() == Qt::LeftButton)
            tv1_Click();
        return false;
    default: return false;
    }
}

QTreeWidgetItem* frmDatabaseExplorer::SelectedNode() const
{
    for (QTreeWidgetItemIterator it(tv1); *it; ++it) {
        if ((*it)->isSelected())
            return *it;
    }
    return nullptr;
}

void frmDatabaseExplorer::PopulateTree()
{
    setMousePointer(vb::vbHourglass);
    ListView1->clear();
    SetTreeListImages();
    StatusBarListViewTop->Panels(1).setText(QString());
    StatusBar1->Panels(1).setText(QString());
    vb::DoEvents();

    tv1->clear();
    auto* root = new QTreeWidgetItem(tv1, QStringList{QStringLiteral("Database")});
    root->setData(0, NodeKeyRole, QStringLiteral("db"));
    root->setIcon(0, imlSmallIcons.Image(QStringLiteral("Database")));
    root->setFlags(root->flags() | Qt::ItemIsEditable);
    root->setExpanded(true);

    const QString query = QStringLiteral("Select Distinct [Artist] from records ") + QStringLiteral(" Order by [Artist]");
    jet::Database db;
    jet::Recordset rs;
    try {
        db = jet::DBEngine::OpenDatabase(DatabasePath(), false, false, ConnectString);
        rs = db.OpenRecordset(query, jet::dbOpenSnapshot);
    } catch (const jet::Error& e) {
        // The repair replaces the file: nothing of it may stay open meanwhile.
        rs.Close();
        db.Close();
        offerRepair(e.Description());
        return;
    }

    try {
        rs.MoveFirst();
    } catch (const jet::Error&) {
    }
    while (!rs.Eof()) {
        try {
            const jet::Field artist = rs.Fields(QStringLiteral("Artist"));
            if (!artist.IsNull()) {
                const QString name = artist.Text().value_or(QString());
                auto* node = new QTreeWidgetItem(root, QStringList{name});
                node->setData(0, NodeKeyRole, QStringLiteral("Artist: ") + name);
                node->setIcon(0, imlSmallIcons.Image(QStringLiteral("Artist")));
                node->setFlags(node->flags() | Qt::ItemIsEditable);
                node->setExpanded(true);
            }
        } catch (const jet::Error&) {
            // The node of an unreadable row is left out.
        }
        try {
            rs.MoveNext();
            jet::DBEngine::Idle();
        } catch (const jet::Error&) {
            break;
        }
    }
    rs.Close();
    db.Close();
    vb::DoEvents();
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::offerRepair(const QString& description)
{
    const QString crlf = QStringLiteral("\r\n");
    setMousePointer(vb::vbDefault);
    QString message = QStringLiteral("The Program encountered an error while accessing the database ")
                      + QStringLiteral("(") + description + QStringLiteral(").") + crlf + crlf
                      + QStringLiteral("Make sure that the database files exist in ") + vb::App::Path()
                      + QStringLiteral(". ")
                      + QStringLiteral("Also make sure that you have permissions to read, write, and modify the directory ")
                      + vb::App::Path() + QStringLiteral(".") + crlf + crlf
                      + QStringLiteral("The program will make an attempt to repair the database.") + crlf + crlf
                      + QStringLiteral("Continue?");
    const QString title = vb::App::Title() + QStringLiteral(" - Repairing the database.");
    if (vb::MsgBox(message, vb::vbQuestion + vb::vbYesNo, title) == vb::vbYes) {
        setMousePointer(vb::vbHourglass);
        if (RepairDatabaseFile(QStringLiteral("records"), message)) {
            message += crlf + crlf + QStringLiteral("You need to restart the application.") + crlf + crlf
                       + QStringLiteral("Program exiting....");
        } else {
            setMousePointer(vb::vbDefault);
            message += crlf + crlf + QStringLiteral("Program exiting....");
        }
        vb::MsgBox(message, vb::vbCritical, title);
    } else {
        vb::MsgBox(QStringLiteral("Program exiting...."), vb::vbCritical, title);
    }
    mnuExit_Click();
}

void frmDatabaseExplorer::tv1_Click()
{
    ListView2->clear();
    QTreeWidgetItem* node = SelectedNode();
    if (node) {
        CatalogEntry entry;
        GetNodeItem(node, entry);
        bool canMove = false;
        CanMoveRecord(mClipEntry, entry, canMove);
        if (!canMove)
            setEnabled(mnuPaste, false);
        const bool artistNode = NodeKey(node).contains(QStringLiteral("Artist:"));
        setEnabled(mnuCopy, !artistNode);
        setEnabled(mnuCut, !artistNode);
        StatusBarListViewTop->Panels(1).setText(QString());
        StatusBar1->Panels(1).setText(QString());
        if (artistNode) {
            LoadRecords(entry);
        } else {
            ListView1->clear();
            StatusBarListViewTop->Panels(1).setText(QString());
            StatusBar1->Panels(1).setText(QString());
        }
        SetMenuState(entry);
    }
    vb::DoEvents();
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::tv1_BeforeLabelEdit(int& cancel)
{
    if (NodeKey(SelectedNode()) == QStringLiteral("db")) {
        setMousePointer(vb::vbDefault);
        cancel = 1;
    }
}

void frmDatabaseExplorer::tv1_AfterLabelEdit(int& cancel, QString& newString)
{
    newString = vb::Trim(newString);
    if (newString.isEmpty() || !IsValidName(newString)) {
        vb::MsgBox(QStringLiteral("Incorrect Entry!.  Please enter a value with no spaces or special characters."),
                   vb::vbCritical, QStringLiteral("User Error!"));
        cancel = 1;
        return;
    }
    setMousePointer(vb::vbHourglass);
    QTreeWidgetItem* node = SelectedNode();
    if (!node) {
        setMousePointer(vb::vbDefault);
        vb::MsgBox(QStringLiteral("You must select an entry to rename it."), vb::vbInformation,
                   QStringLiteral("User Error."));
        cancel = 1;
        setMousePointer(vb::vbDefault);
        return;
    }
    CatalogEntry entry;
    GetNodeItem(node, entry);
    std::int16_t maximum = 0;
    if (!CheckNameLength(newString, entry.Level, maximum)) {
        setMousePointer(vb::vbDefault);
        vb::MsgBox(QStringLiteral("Incorrect Entry!.  The entry must be less or equal to: ") + QString::number(maximum)
                       + QStringLiteral(". Please try again."),
                   vb::vbCritical, QStringLiteral("User Error!"));
        cancel = 1;
    } else {
        bool ok = false;
        if (entry.Level == Level::Artist) {
            RenameArtist(entry, newString, ok);
        } else {
            RenameItem(entry, newString, ok);
        }
        if (ok)
            PopulateTree();
        else
            cancel = 1;
    }
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::tv1_KeyDown(int keyCode, int)
{
    if (keyCode == 46)
        mnuDelete_Click();
}

void frmDatabaseExplorer::tv1_MouseDown(int button, int, double x, double y)
{
    if (button != 2)
        return;
    mnuPopupRename->setText(QStringLiteral("Rename"));
    const QPoint at = tv1->viewport()->mapToGlobal(
        QPoint(vb::twipsToPixelsX(static_cast<std::int32_t>(x)), vb::twipsToPixelsY(static_cast<std::int32_t>(y))));
    // Centred horizontally on the mouse.
    mnuPopup->popup(at - QPoint(mnuPopup->sizeHint().width() / 2, 0));
}

void frmDatabaseExplorer::tv1_MouseMove(int, int, double, double)
{
    mVSplit.SetPointer(vb::vbDefault);
    mHSplit.SetPointer(vb::vbDefault);
}

void frmDatabaseExplorer::tv1_MouseUp(int, int, double, double) { TmrTreeScroll.stop(); }

void frmDatabaseExplorer::tv1_StartLabelEdit()
{
    if (QTreeWidgetItem* node = SelectedNode())
        tv1->editItem(node, 0);
}

// ---------------------------------------------------------------------------
// Record and song-title lists

namespace {

// A list row; rows sort by their shown texts without regard to case.
class ListRow : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return QString::compare(text(column), other.text(column), Qt::CaseInsensitive) < 0;
    }
};

// Hands the lists' events to the window.
class ListEventFilter : public QObject {
public:
    ListEventFilter(std::function<bool(QObject*, QEvent*)> handler, QObject* parent)
        : QObject(parent), handler_(std::move(handler))
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override { return handler_(watched, event); }

private:
    std::function<bool(QObject*, QEvent*)> handler_;
};

// The separator the user's short date format puts between its parts; "/" when
// the format has none.
QVariant optionalValue(const std::optional<vb::Date>& v) { return v ? QVariant(*v) : QVariant(); }
QVariant optionalValue(const std::optional<vb::Currency>& v)
{
    return v ? QVariant(static_cast<qint64>(*v)) : QVariant();
}
QVariant optionalValue(const std::optional<std::int32_t>& v)
{
    return v ? QVariant(static_cast<qint32>(*v)) : QVariant();
}

// A column of the current row; an unreadable column counts as Null.
std::optional<QString> textField(const jet::Recordset& rs, const QString& name)
{
    try {
        return rs.Fields(name).Text();
    } catch (const jet::Error&) {
        return std::nullopt;
    }
}

void closeQuietly(jet::Recordset& rs, jet::Database& db)
{
    try {
        rs.Close();
    } catch (const jet::Error&) {
    }
    try {
        db.Close();
    } catch (const jet::Error&) {
    }
}

} // namespace

void frmDatabaseExplorer::ReadRecordRow(const QTreeWidgetItem* row, CatalogEntry& entry)
{
    if (!row)
        return;
    entry.Record_Name = row->text(0);
    entry.Record_Type = row->text(1);
    entry.Record_Category = row->text(2);
    entry.Label_Name = row->text(3);
    entry.Label_Number = row->text(4);
    entry.Record_Condition = row->text(5);
    entry.Sleeve_Condition = row->text(6);
    const QVariant date = row->data(0, RecordDateRole);
    const QVariant value = row->data(0, BookValueRole);
    const QVariant quantity = row->data(0, QuantityRole);
    entry.Record_Date = date.isValid() ? std::optional<vb::Date>(date.toDouble()) : std::nullopt;
    entry.Book_Value = value.isValid() ? std::optional<vb::Currency>(value.toLongLong()) : std::nullopt;
    entry.Quantity = quantity.isValid() ? std::optional<std::int32_t>(quantity.toInt()) : std::nullopt;
}

void frmDatabaseExplorer::ReadSongRow(const QTreeWidgetItem* row, CatalogEntry& entry)
{
    if (!row)
        return;
    entry.Song_Title = row->text(0);
    entry.Record_Name = row->text(1);
    entry.Artist = row->text(2);
}

QTreeWidgetItem* frmDatabaseExplorer::SelectedRow(const QTreeWidget* list)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->isSelected())
            return list->topLevelItem(i);
    }
    return nullptr;
}

void frmDatabaseExplorer::buildLists()
{
    mListFilter = std::make_unique<ListEventFilter>([this](QObject* w, QEvent* e) { return listEvent(w, e); }, nullptr);
    QObject* filter = mListFilter.get();
    for (QTreeWidget* list : {ListView1, ListView2}) {
        list->installEventFilter(filter);
        list->viewport()->installEventFilter(filter);
        list->header()->viewport()->installEventFilter(filter);
    }
    ListView2->viewport()->setMouseTracking(true);
    connect(ListView1->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { ListView1_ColumnClick(section + 1); });
    connect(ListView2->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { ListView2_ColumnClick(section + 1); });
}

bool frmDatabaseExplorer::listEvent(QObject* watched, QEvent* event)
{
    if (!alive_)
        return false;
    const bool first = watched == ListView1 || watched == ListView1->viewport() || watched == ListView1->header()->viewport();
    QTreeWidget* list = first ? ListView1 : ListView2;

    if (watched == list) {
        if (event->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(event);
            const int keyCode = ke->key() == Qt::Key_Delete ? 46 : ke->key();
            first ? ListView1_KeyDown(keyCode, vbShift(ke->modifiers()))
                  : ListView2_KeyDown(keyCode, vbShift(ke->modifiers()));
        }
        return false;
    }
    if (watched == list->header()->viewport()) {
        // The window's Load switches header clicks off together with Qt's own
        // sorting; here every header click sorts.
        if (event->type() == QEvent::MouseButtonPress)
            list->header()->setSectionsClickable(true);
        return false;
    }

    QMouseEvent* me = mouseEvent(event);
    if (!me)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const double x = twipsX(me);
        const double y = twipsY(me);
        mListDoubleClicked = false;
        if (me->button() == Qt::LeftButton && !list->itemAt(me->position().toPoint()))
            list->clearSelection(); // a press beside the rows selects none
        first ? ListView1_MouseDown(vbButton(me->button()), vbShift(me->modifiers()), x, y)
              : ListView2_MouseDown(vbButton(me->button()), vbShift(me->modifiers()), x, y);
        // A right press would select the row under the mouse; the popup works on the selection as it is.
        return me->button() == Qt::RightButton;
    }
    case QEvent::MouseButtonDblClick:
        if (me->button() == Qt::LeftButton) {
            mListDoubleClicked = true;
            first ? ListView1_DblClick() : ListView2_DblClick();
        }
        return false;
    case QEvent::MouseButtonRelease:
        // A click anywhere in the record list counts, on a row or not; the
        // release that ends a double click is no second click.
        if (me->button() == Qt::LeftButton) {
            if (mListDoubleClicked)
                mListDoubleClicked = false;
            else if (first)
                ListView1_Click();
        }
        return false;
    case QEvent::MouseMove:
        if (!first)
            ListView2_MouseMove();
        return false;
    default: return false;
    }
}

void frmDatabaseExplorer::showDatabaseError(const QString& description)
{
    setMousePointer(vb::vbDefault);
    ShowDatabaseAccessErrorBox(description, vb::App::Title(), false);
}

void frmDatabaseExplorer::LoadRecords(const CatalogEntry& entry)
{
    setMousePointer(vb::vbHourglass);
    const QString artist = entry.Artist;

    ListView1->clear();
    StatusBarListViewTop->Panels(1).setText(QString());
    StatusBar1->Panels(1).setText(QString());
    vb::DoEvents();
    SetTreeListImages();
    int count = 0;

    const QString query = QStringLiteral("Select * from records ") + QStringLiteral(" where [Artist] = ")
                          + QStringLiteral("'") + FixQuotes(artist).value_or(QString()) + QStringLiteral("'")
                          + QStringLiteral(" And Not IsNull([Record_Name])")
                          + QStringLiteral(" Order by [Artist], [Record_Name], [Record_Type], [Record_Category]");
    jet::Database db;
    jet::Recordset rs;
    try {
        db = jet::DBEngine::OpenDatabase(DatabasePath(), false, false, ConnectString);
        rs = db.OpenRecordset(query, jet::dbOpenSnapshot);
    } catch (const jet::Error& e) {
        closeQuietly(rs, db);
        showDatabaseError(e.Description());
        return;
    }

    try {
        rs.MoveFirst();
    } catch (const jet::Error&) {
    }
    const QIcon icon = imlSmallIcons.Image(QStringLiteral("Record"));
    static const char* const textColumns[] = {"Record_Name",     "Record_Type",      "Record_Category", "Label_Name",
                                              "Label_Number",    "Record_Condition", "Sleeve_Condition"};
    while (!rs.Eof()) {
        auto* row = new ListRow;
        for (int i = 0; i < 7; ++i)
            row->setText(i, textField(rs, QLatin1String(textColumns[i])).value_or(QString()));
        std::optional<vb::Date> date;
        std::optional<vb::Currency> value;
        std::optional<std::int32_t> quantity;
        try {
            date = rs.Fields(QStringLiteral("Record_Date")).Date();
        } catch (const jet::Error&) {
        }
        try {
            value = rs.Fields(QStringLiteral("Book_Value")).Currency();
        } catch (const jet::Error&) {
        }
        try {
            quantity = rs.Fields(QStringLiteral("Quantity")).Long();
        } catch (const jet::Error&) {
        }
        row->setText(7, RecordDateText(date));
        row->setText(8, BookValueText(value));
        row->setText(9, QuantityText(quantity));
        row->setData(0, RecordDateRole, optionalValue(date));
        row->setData(0, BookValueRole, optionalValue(value));
        row->setData(0, QuantityRole, optionalValue(quantity));
        row->setIcon(0, icon);
        ListView1->addTopLevelItem(row);
        ++count;
        try {
            rs.MoveNext();
            jet::DBEngine::Idle();
        } catch (const jet::Error&) {
            break;
        }
    }
    closeQuietly(rs, db);
    vb::DoEvents();

    StatusBarListViewTop->Panels(1).setText(QStringLiteral("Records for: "));
    StatusBarListViewTop->Panels(1).setText(StatusBarListViewTop->Panels(1).Text() + artist);
    if (ListView1Sorted)
        ListView1->sortItems(ListView1SortKey, ListView1SortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    ListView1->viewport()->update();
    StatusBar1->Panels(1).setText(QString::number(count) + QStringLiteral(" record(s) found."));
    setMousePointer(vb::vbDefault);
}

bool frmDatabaseExplorer::LoadSongTitles(const CatalogEntry& entry)
{
    setMousePointer(vb::vbHourglass);
    const QString artist = entry.Artist;
    const QString recordName = entry.Record_Name;

    ListView2->clear();
    StatusBar1->Panels(1).setText(QStringLiteral("Fetching the song titles for record ") + recordName
                                  + QStringLiteral(". Please wait..."));
    vb::DoEvents();
    SetSongListImages();
    int count = 0;

    const QString query = QStringLiteral("Select * from songs ") + QStringLiteral(" where [Artist] = ")
                          + QStringLiteral("'") + FixQuotes(artist).value_or(QString()) + QStringLiteral("'")
                          + QStringLiteral(" And [Record_Name] = ") + QStringLiteral("'")
                          + FixQuotes(recordName).value_or(QString()) + QStringLiteral("'")
                          + QStringLiteral(" And Not IsNull([Record_Name])")
                          + QStringLiteral(" Order by [Artist], [Record_Name], [Song_Title]");
    jet::Database db;
    jet::Recordset rs;
    try {
        db = jet::DBEngine::OpenDatabase(DatabasePath(), false, false, ConnectString);
        rs = db.OpenRecordset(query, jet::dbOpenSnapshot);
    } catch (const jet::Error& e) {
        closeQuietly(rs, db);
        showDatabaseError(e.Description());
        return false;
    }

    try {
        rs.MoveFirst();
    } catch (const jet::Error&) {
        // An empty result has no first row.
    }
    const QIcon icon = imlSmallIcons.Image(QStringLiteral("Song"));
    while (!rs.Eof()) {
        auto* row = new ListRow;
        row->setText(0, textField(rs, QStringLiteral("Song_Title")).value_or(QString()));
        row->setText(1, textField(rs, QStringLiteral("Record_Name")).value_or(QString()));
        row->setText(2, textField(rs, QStringLiteral("Artist")).value_or(QString()));
        row->setIcon(0, icon);
        ListView2->addTopLevelItem(row);
        ++count;
        try {
            rs.MoveNext();
            jet::DBEngine::Idle();
        } catch (const jet::Error&) {
            break;
        }
    }

    StatusBar1->Panels(1).setText(QString::number(count) + QStringLiteral(" song title(s) found."));
    closeQuietly(rs, db);
    vb::DoEvents();
    if (ListView2Sorted)
        ListView2->sortItems(ListView2SortKey, ListView2SortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    ListView2->viewport()->update();
    setMousePointer(vb::vbDefault);
    return true;
}

void frmDatabaseExplorer::ListView1_Click()
{
    if (!SelectedRow(ListView1)) {
        ListView2->clear();
        if (ListView1->topLevelItemCount() > 0) {
            setMousePointer(vb::vbDefault);
            vb::MsgBox(QStringLiteral("Please select a record."), vb::vbCritical, QStringLiteral("User Error."));
        }
        return;
    }
    setMousePointer(vb::vbHourglass);
    QTreeWidgetItem* node = SelectedNode();
    QTreeWidgetItem* row = SelectedRow(ListView1);
    if (!node || !row) {
        setMousePointer(vb::vbDefault);
        return;
    }
    GetNodeItem(node, CurrentEntry);
    CurrentEntry.Level = Level::Record_Name;
    CurrentEntry.Record_Name = row->text(0);
    SetMenuState(CurrentEntry);
    vb::DoEvents();
    LoadSongTitles(CurrentEntry);
    vb::DoEvents();
}

void frmDatabaseExplorer::sortList(QTreeWidget* list, int& order, int& key, bool& sorted, int index)
{
    order = order == 0 ? 1 : 0;
    key = index - 1;
    sorted = true;
    list->sortItems(key, order == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void frmDatabaseExplorer::ListView1_ColumnClick(int index)
{
    sortList(ListView1, ListView1SortOrder, ListView1SortKey, ListView1Sorted, index);
}

void frmDatabaseExplorer::ListView2_ColumnClick(int index)
{
    sortList(ListView2, ListView2SortOrder, ListView2SortKey, ListView2Sorted, index);
}

void frmDatabaseExplorer::ListView1_DblClick() { mnuRename_Click(); }
void frmDatabaseExplorer::ListView2_DblClick() { mnuPopupSongRename_Click(); }

void frmDatabaseExplorer::ListView1_KeyDown(int keyCode, int)
{
    if (keyCode == 46)
        mnuDelete_Click();
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::ListView2_KeyDown(int keyCode, int)
{
    if (keyCode == 46)
        mnuPopupSongDelete_Click();
    setMousePointer(vb::vbDefault);
}

namespace {
// Shows a popup menu centred horizontally on a point of a list (twips).
void popupAt(QMenu* menu, QTreeWidget* list, double x, double y)
{
    const QPoint at = list->viewport()->mapToGlobal(
        QPoint(vb::twipsToPixelsX(static_cast<std::int32_t>(x)), vb::twipsToPixelsY(static_cast<std::int32_t>(y))));
    menu->popup(at - QPoint(menu->sizeHint().width() / 2, 0));
}
} // namespace

void frmDatabaseExplorer::ListView1_MouseDown(int button, int, double x, double y)
{
    if (!SelectedRow(ListView1) || button != 2)
        return;
    mnuPopupRename->setText(QStringLiteral("Modify"));
    setMousePointer(vb::vbDefault);
    popupAt(mnuPopup, ListView1, x, y);
}

void frmDatabaseExplorer::ListView2_MouseDown(int button, int, double x, double y)
{
    if (!SelectedRow(ListView2) || button != 2)
        return;
    mnuPopupSongRename->setText(QStringLiteral("Modify"));
    setMousePointer(vb::vbDefault);
    popupAt(mnuPopupSong, ListView2, x, y);
}

void frmDatabaseExplorer::ListView2_MouseMove()
{
    mVSplit.SetPointer(vb::vbDefault);
    mHSplit.SetPointer(vb::vbDefault);
}
