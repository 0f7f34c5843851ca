// The Find dialog: its controls, loading, layout, help and closing.
#include "dialogs/frmFind.h"

#include "catalog/ProgramState.h"
#include "catalog/ScreenLayout.h"
#include "dialogs/FindResultModel.h"
#include "help/Help.h"
#include "vb/App.h"
#include "vb/Control.h"
#include "vb/Keys.h"
#include "vb/MousePointer.h"
#include "vb/Runtime.h"
#include "vb/Twips.h"
#include "widgets/RowHeightDelegate.h"

#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTime>
#include <QTreeView>

#include <cmath>

namespace {

// Client area of the dialog as designed, in twips.
constexpr int kClientWidth = 7695;
constexpr int kClientHeight = 4845;

double usableFactor(double factor) { return std::isfinite(factor) && factor > 0 ? factor : 1.0; }

void place(QWidget* control, int left, int top, int width, int height)
{
    vb::ctlMove(control, left, top, width, height);
}

} // namespace

frmFind::frmFind(QWidget* parent) : vb::Form(parent)
{
    setObjectName(QStringLiteral("frmFind"));
    setCaption(QStringLiteral(" - Find"));
    resize(vb::twipsToPixelsX(kClientWidth), vb::twipsToPixelsY(kClientHeight));
    buildControls();
    fitFont();
    buildStatusBar();
    connect(&clock_, &QTimer::timeout, this, &frmFind::updateClock);
}

frmFind::~frmFind()
{
    // The list's events come here; stop them before the list goes.
    ListView1->removeEventFilter(this);
    ListView1->viewport()->removeEventFilter(this);
}

void frmFind::buildControls()
{
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Sunken);
    Label2 = new QLabel(QStringLiteral("Find &What?"), Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    cmbFolderType = new QComboBox(Frame1);
    cmbFolderType->setObjectName(QStringLiteral("cmbFolderType"));
    cmbFolderType->setEditable(false);
    Label3 = new QLabel(QStringLiteral("&Named:"), Frame1);
    Label3->setObjectName(QStringLiteral("Label3"));
    // The limit stops the typing only, and never keeps half of a character.
    mlocate = new vb::TextBox(Frame1);
    mlocate->setText(QStringLiteral("*"));
    mlocate->setObjectName(QStringLiteral("mlocate"));
    mlocate->setMaxLength(25);
    cmdRun = new QPushButton(QStringLiteral("&Find Now"), this);
    cmdRun->setObjectName(QStringLiteral("cmdRun"));
    cmdReturn = new QPushButton(QStringLiteral("Can&cel"), this);
    cmdReturn->setObjectName(QStringLiteral("cmdReturn"));
    cmdHelp = new QPushButton(QStringLiteral("&Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    fraFindResults = new QGroupBox(QStringLiteral("Find Results"), this);
    fraFindResults->setObjectName(QStringLiteral("fraFindResults"));
    ListView1 = new QTreeView(fraFindResults);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1Rows = new FindResultModel(ListView1);
    ListView1->setModel(ListView1Rows);
    ListView1->setItemDelegate(new RowHeightDelegate(ListView1));
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSortingEnabled(false);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setIconSize(QSize(16, 16));
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setSectionsMovable(false);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(ListView1->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { ListView1_ColumnClick(section + 1); });
    ListView1->installEventFilter(this);
    ListView1->viewport()->installEventFilter(this);

    // The labels' access keys reach the first control after them that takes the focus.
    Label2->setBuddy(ListView1);
    Label3->setBuddy(ListView1);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QWidget* w : std::initializer_list<QWidget*>{Frame1, fraFindResults, Label2, Label3})
        w->setFocusPolicy(Qt::NoFocus);

    mnuPopup = new QMenu(QStringLiteral("Popup Menu"), this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuPopupModify = mnuPopup->addAction(QStringLiteral("&Modify"));
    mnuPopupModify->setObjectName(QStringLiteral("mnuPopupModify"));
    mnuPopupDelete = mnuPopup->addAction(QStringLiteral("&Delete"));
    mnuPopupDelete->setObjectName(QStringLiteral("mnuPopupDelete"));
    connect(mnuPopupModify, &QAction::triggered, this, [this] { mnuPopupModify_Click(); });
    connect(mnuPopupDelete, &QAction::triggered, this, [this] { mnuPopupDelete_Click(); });

    connect(cmbFolderType, &QComboBox::activated, this, [this] { cmbFolderType_Click(); });
    connect(cmdRun, &QPushButton::clicked, this, [this] { cmdRun_Click(); });
    connect(cmdReturn, &QPushButton::clicked, this, [this] { cmdReturn_Click(); });
    connect(cmdHelp, &QPushButton::clicked, this, [this] { cmdHelp_Click(); });

    place(Frame1, 360, 120, 5775, 1815);
    place(Label2, 240, 360, 855, 315);
    place(cmbFolderType, 1200, 360, 4215, 315);
    place(Label3, 240, 960, 855, 405);
    place(mlocate, 1200, 960, 4215, 405);
    place(cmdRun, 6240, 240, 1215, 405);
    place(cmdReturn, 6240, 840, 1215, 405);
    place(cmdHelp, 6240, 1440, 1215, 405);
    place(fraFindResults, 120, 2160, 7335, 2295);
    place(ListView1, 240, 360, 6855, 1815);

    using K = vb::ControlKind;
    registerControl(Frame1, K::Other);
    registerControl(Label2, K::Other);
    registerControl(cmbFolderType, K::ComboBox);
    registerControl(Label3, K::Other);
    registerControl(mlocate, K::TextBox);
    registerControl(cmdRun, K::CommandButton);
    registerControl(cmdReturn, K::CommandButton);
    registerControl(cmdHelp, K::CommandButton);
    registerControl(fraFindResults, K::Other);
    registerControl(ListView1, K::Other);
    registerControl(mnuPopup, K::Menu);

    setTabOrder(cmbFolderType, mlocate);
    setTabOrder(mlocate, cmdRun);
    setTabOrder(cmdRun, cmdReturn);
    setTabOrder(cmdReturn, cmdHelp);
    setTabOrder(cmdHelp, ListView1);
}

void frmFind::fitFont()
{
    // The layout was drawn for a narrow 8-point font: the largest font up to
    // that in which both labels fit their width.
    QFont small = font();
    small.setPointSizeF(8);
    small.setStretch(QFont::SemiCondensed);
    auto fits = [this](const QFont& f) {
        const QFontMetrics metrics(f);
        for (const QLabel* label : {Label2, Label3})
            if (metrics.horizontalAdvance(QString(label->text()).remove(QLatin1Char('&'))) > label->width())
                return false;
        return true;
    };
    while (!fits(small) && small.pointSizeF() > 6)
        small.setPointSizeF(small.pointSizeF() - 0.5);
    setFont(small);
}

void frmFind::buildStatusBar()
{
    StatusBar1 = new QFrame(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    auto* row = new QHBoxLayout(StatusBar1);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    auto panel = [this, row](const char* name, Qt::Alignment alignment, int stretch) {
        auto* label = new QLabel(StatusBar1);
        label->setObjectName(QLatin1String(name));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(alignment | Qt::AlignVCenter);
        label->setTextFormat(Qt::PlainText);
        row->addWidget(label, stretch);
        return label;
    };
    StatusBar1Panel1 = panel("StatusBar1Panel1", Qt::AlignLeft, 1);
    StatusBar1Panel2 = panel("StatusBar1Panel2", Qt::AlignRight, 0);
    StatusBar1Panel3 = panel("StatusBar1Panel3", Qt::AlignRight, 0);
    dockStatusBar();
}

void frmFind::dockStatusBar()
{
    if (!StatusBar1)
        return;
    const int height = StatusBar1->sizeHint().height();
    StatusBar1->setGeometry(0, std::max(0, QWidget::height() - height), QWidget::width(), height);
    StatusBar1->raise();
}

void frmFind::updateClock()
{
    StatusBar1Panel2->setText(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    StatusBar1Panel3->setText(QLocale().toString(QTime::currentTime(), QLocale::ShortFormat));
}

void frmFind::Form_Load()
{
    setMousePointer(vb::vbHourglass);
    setCaption(vb::App::Title() + Caption());
    HelpContextID = 22;

    cmbFolderType->clear();
    cmbFolderType->addItem(QStringLiteral("Artist"));
    cmbFolderType->addItem(QStringLiteral("Record Name"));
    cmbFolderType->addItem(QStringLiteral("Song Title"));
    cmbFolderType->setCurrentIndex(0);
    cmbFolderType_Click();

    StatusBar1Panel1->clear();
    updateClock();
    clock_.start(1000);

    // Load-time rescale: the screen as the window system measures it in twips
    // against the desktop in pixels; 1 on an ordinary display.
    GetScreenSize(ScreenWidthPx, ScreenHeightPx);
    FirstLayout = true;
    FirstResizeDone = false;
    const std::int32_t twipsX = vb::TwipsPerPixelX();
    const std::int32_t twipsY = vb::TwipsPerPixelY();
    const double screenX = twipsX > 0 ? std::round(static_cast<double>(vb::ScreenWidth()) / twipsX) : 0;
    const double screenY = twipsY > 0 ? std::round(static_cast<double>(vb::ScreenHeight()) / twipsY) : 0;
    const auto scaleX = static_cast<float>(usableFactor(screenX / ScreenWidthPx));
    const auto scaleY = static_cast<float>(usableFactor(screenY / ScreenHeightPx));
    ScaleFormControls(scaleX, scaleY, *this);
    recordLayout();
    dockStatusBar();

    vb::DoEvents();
    setMousePointer(vb::vbDefault);
}

void frmFind::recordLayout()
{
    layout_.clear();
    for (const vb::FormControl& c : Controls()) {
        auto* w = qobject_cast<QWidget*>(c.object.data());
        if (!w || c.kind == vb::ControlKind::Menu)
            continue;
        const bool fixed = c.kind == vb::ControlKind::ComboBox || c.kind == vb::ControlKind::TextBox
                           || c.kind == vb::ControlKind::CommandButton;
        layout_.push_back({w, QRectF(vb::ctlLeft(w), vb::ctlTop(w), vb::ctlWidth(w), vb::ctlHeight(w)), fixed});
    }
    layoutClientWidth_ = ScaleWidth();
    layoutClientHeight_ = ScaleHeight();
}

void frmFind::Form_Resize()
{
    setMousePointer(vb::vbArrowHourglass);
    centreOnScreen();
    dockStatusBar();
    if (!FirstResizeDone) {
        FirstResizeDone = true;
        setMousePointer(vb::vbDefault);
        return;
    }
    FirstLayout = false;
    if (WindowState() != vb::vbMinimized && layoutClientWidth_ > 0 && layoutClientHeight_ > 0) {
        // Every rescale starts from the layout the dialog loaded with, so
        // growing and shrinking back puts each control where it was.
        const double scaleX = usableFactor(ScaleWidth() / layoutClientWidth_);
        const double scaleY = usableFactor(ScaleHeight() / layoutClientHeight_);
        for (const PlacedControl& c : layout_) {
            vb::ctlMove(c.control, c.twips.left() * scaleX, c.twips.top() * scaleY, c.twips.width() * scaleX,
                        c.fixedHeight ? c.twips.height() : c.twips.height() * scaleY);
        }
        const int columnWidth = ListView1->width() / 3;
        for (int column = 0; column < ListView1Rows->columnCountShown(); ++column)
            ListView1->setColumnWidth(column, columnWidth);
    }
    setMousePointer(vb::vbDefault);
}

void frmFind::Form_Unload(int& cancel)
{
    cmdReturn_Click();
    if (closePending_)
        cancel = 1;
    setMousePointer(vb::vbDefault);
}

void frmFind::cmdReturn_Click()
{
    if (closing_)
        return;
    if (busy_ > 0) {
        closePending_ = true;
        return;
    }
    closing_ = true;
    setMousePointer(vb::vbHourglass);
    clock_.stop();
    Hide();
    frmFindInstance().release();
    vb::Unload(this);
    setMousePointer(vb::vbDefault);
}

void frmFind::cmdHelp_Click() { WinHelpA(this, vb::App::HelpFile(), HELP_CONTEXT, 22); }

void frmFind::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // No dialog box around us: Enter goes to the focused button, else to the default one.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        else
            cmdRun->click();
        return;
    case Qt::Key_F1: cmdHelp_Click(); return;
    default: vb::Form::keyPressEvent(event);
    }
}

bool frmFind::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListView1) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (const std::optional<int> keyCode = vb::KeyCode(*key)) {
                ListView1_KeyDown(*keyCode, vb::ShiftState(key->modifiers()));
                // The list has no use of its own for Delete.
                return *keyCode == vb::vbKeyDelete;
            }
        }
        return false;
    }
    if (watched != ListView1->viewport())
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton)
            return false;
        // A right press would select the row under the mouse; the popup works
        // on the selection as it is.
        const QPointF at = mouse->position();
        ListView1_MouseDown(2, 0, vb::pixelsToTwipsX(static_cast<int>(at.x())), vb::pixelsToTwipsY(static_cast<int>(at.y())));
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        ListView1_DblClick();
        return true;
    }
    return false;
}

vb::DefaultInstance<frmFind>& frmFindInstance()
{
    static vb::DefaultInstance<frmFind> instance;
    return instance;
}
