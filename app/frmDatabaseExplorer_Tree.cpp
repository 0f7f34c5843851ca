// The catalogue tree: the root and one node per artist.
#include "app/frmDatabaseExplorer.h"

#include "app/CatalogFunctions.h"
#include "app/NodeLabelDelegate.h"
#include "app/frmDatabaseExplorer_Internal.h"
#include "catalog/ArtistAccounts.h"
#include "catalog/DataAccess.h"
#include "catalog/EntryActions.h"
#include "catalog/Maintenance.h"
#include "catalog/NameRules.h"
#include "catalog/ProgramState.h"
#include "jet/Engine.h"
#include "vb/App.h"
#include "vb/Keys.h"
#include "vb/MousePointer.h"
#include "vb/MsgBox.h"
#include "vb/Runtime.h"
#include "vb/Twips.h"
#include "vb/VbTypes.h"

#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace explorer;

namespace {

// An artist node, kept small: its name once, its key and image made from that
// when the view asks, instead of stored per node. A catalogue has tens of
// thousands of them and the tree is rebuilt whole after every artist command.
class ArtistNode final : public QTreeWidgetItem {
public:
    ArtistNode(const QString& name, const QIcon& icon) : QTreeWidgetItem(UserType), name_(name), keyName_(name), icon_(icon)
    {
        // An artist node never has children: there is nothing to expand.
        setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemNeverHasChildren);
    }

    QVariant data(int column, int role) const override
    {
        if (column != 0)
            return QTreeWidgetItem::data(column, role);
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: return name_;
        case Qt::DecorationRole: return icon_;
        case NodeKeyRole: return QStringLiteral("Artist: ") + keyName_;
        default: return QTreeWidgetItem::data(column, role);
        }
    }

    void setData(int column, int role, const QVariant& value) override
    {
        if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole)) {
            name_ = value.toString();
            emitDataChanged();
        } else if (column == 0 && role == Qt::DecorationRole) {
            icon_ = value.value<QIcon>();
            emitDataChanged();
        } else if (column == 0 && role == NodeKeyRole) {
            keyName_ = value.toString().mid(QStringLiteral("Artist: ").size());
            emitDataChanged();
        } else {
            QTreeWidgetItem::setData(column, role, value);
        }
    }

private:
    QString name_;
    QString keyName_; // the name the key was made with; the text may change after
    QIcon icon_;
};

} // namespace

void frmDatabaseExplorer::buildTree()
{
    tv1->setSelectionMode(QAbstractItemView::SingleSelection);
    tv1->setRootIsDecorated(true);
    tv1->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    tv1->setItemDelegate(new NodeLabelDelegate(
        [this](int& cancel) { tv1_BeforeLabelEdit(cancel); },
        [this](const QModelIndex& index, QString text) {
            // The arrow keys move the selection while the editor is open: the
            // rename is for the node the editor was opened on.
            QTreeWidgetItem* edited = tv1->itemFromIndex(index);
            if (!edited)
                return;
            if (SelectedNode() != edited)
                tv1->setCurrentItem(edited);
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
            if (const std::optional<int> keyCode = vb::KeyCode(*ke))
                tv1_KeyDown(*keyCode, vb::ShiftState(ke->modifiers()));
        }
        return false;
    }
    QMouseEvent* me = mouseEvent(event);
    if (!me)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // A left click beside the nodes changes nothing: the tree would clear its
        // selection on the release, so neither the press nor the release reaches it.
        const bool beside = me->button() == Qt::LeftButton && !tv1->itemAt(me->position().toPoint());
        if (beside)
            mTreeClickBeside = true;
        if (event->type() == QEvent::MouseButtonDblClick)
            return beside;
        tv1_MouseDown(vbButton(me->button()), vbShift(me->modifiers()), twipsX(me), twipsY(me));
        // A right press would select the node under the mouse; the popup works on the selection as it is.
        return beside || me->button() == Qt::RightButton;
    }
    case QEvent::MouseMove:
        tv1_MouseMove(vbButton(me->buttons()), vbShift(me->modifiers()), twipsX(me), twipsY(me));
        return false;
    case QEvent::MouseButtonRelease:
        tv1_MouseUp(vbButton(me->button()), vbShift(me->modifiers()), twipsX(me), twipsY(me));
        if (me->button() == Qt::LeftButton && mTreeClickBeside) {
            mTreeClickBeside = false;
            return true;
        }
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
    const QIcon artistImage = imlSmallIcons.Image(QStringLiteral("Artist"));
    // The nodes join the root in one step, in the query's order: one by one
    // the view would take note of every insertion.
    QList<QTreeWidgetItem*> nodes;
    const std::optional<QString> failure = ForEachSnapshotRow(query, [&](const jet::Recordset& rs) {
        try {
            const jet::Field artist = rs.Fields(QStringLiteral("Artist"));
            if (!artist.IsNull())
                nodes.push_back(new ArtistNode(artist.Text().value_or(QString()), artistImage));
        } catch (const jet::Error&) {
            // The node of an unreadable row is left out.
        }
    });
    root->addChildren(nodes);
    if (failure) {
        // Nothing of the file stays open: the repair replaces it.
        offerRepair(*failure);
        return;
    }
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
    if (keyCode == vb::vbKeyDelete)
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
