// The main window's panels and the two splitter bars between them.
#include "app/frmDatabaseExplorer.h"

#include "app/frmDatabaseExplorer_Internal.h"
#include "vb/MousePointer.h"
#include "vb/Runtime.h"
#include "vb/Twips.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QMenuBar>
#include <QTreeWidget>

#include <cmath>

using namespace explorer;

namespace {

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


bool frmDatabaseExplorer::panesReleased() const
{
    return !mVSplit.HostPane() || !mVSplit.LeftPane() || !mVSplit.RightPane() || !mVSplit.SplitBar()
           || !mHSplit.HostPane() || !mHSplit.TopPane() || !mHSplit.BottomPane() || !mHSplit.SplitBar();
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

namespace {
void setColumnWidths(QTreeWidget* list, double widthTwips)
{
    for (int i = 0; i < list->columnCount(); ++i)
        list->header()->resizeSection(i, vb::twipsToPixelsX(widthTwips));
}
} // namespace

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
