#pragma once

#include "app/HSplit.h"
#include "app/StatusBar.h"
#include "app/Toolbar.h"
#include "app/VSplit.h"
#include "catalog/CatalogEntry.h"
#include "vb/DefaultInstance.h"
#include "vb/Form.h"

#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>

class QAction;
class QGroupBox;
class QMenu;
class QMenuBar;
class QTreeWidget;
class QTreeWidgetItem;

// The explorer main window: artist tree, record list and song-title list in
// panels divided by two draggable bars, with menus, toolbar and status bars.
// Closing it runs the exit command.
class frmDatabaseExplorer : public vb::Form {
    Q_OBJECT
public:
    explicit frmDatabaseExplorer(QWidget* parent = nullptr);
    ~frmDatabaseExplorer() override;

    // Menu bar and menus; every item's objectName is its name.
    QMenuBar* menuBar = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuNew = nullptr;
    QAction* mnuNewArtist = nullptr;
    QAction* mnuNewRecordName = nullptr;
    QAction* mnuFileNewSep = nullptr;
    QAction* mnuNewSong = nullptr;
    QAction* mnuSepAddMediaRecords = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* mnuRename = nullptr;
    QAction* mnuSepAdd = nullptr;
    QAction* mnuPrint = nullptr;
    QAction* mnuSepPrint = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuView = nullptr;
    QAction* mnuToolbar = nullptr;
    QAction* mnuStatusbar = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuCut = nullptr;
    QAction* mnuPaste = nullptr;
    QMenu* mnuToolS = nullptr;
    QAction* mnuFindFiles = nullptr;
    QAction* mnuToolSep1 = nullptr;
    QMenu* mnuMaintenance = nullptr;
    QAction* mnuCompactDatabase = nullptr;
    QAction* mnuSepCompatDatabase = nullptr;
    QAction* mnuRepairDatabase = nullptr;
    QAction* mnuSepOption = nullptr;
    QMenu* mnuOptions = nullptr;
    QAction* mnuPlayZAVROSound = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuGettingStarted = nullptr;
    QAction* mnuSepGettingStarted = nullptr;
    QAction* mnuContents = nullptr;
    QAction* mnuSearch = nullptr;
    QAction* mnuHowToUseHelp = nullptr;
    QAction* mnuHelpSep = nullptr;
    QAction* mnuVisitZAVROTech = nullptr;
    QAction* mnuemailsupport = nullptr;
    QAction* mnuAboutSep = nullptr;
    QAction* mnuAbout = nullptr;
    // Popup-only menus (hidden on the menu bar).
    QMenu* mnuPopupSong = nullptr;
    QAction* mnuPopupSongDelete = nullptr;
    QAction* mnuPopupSongRename = nullptr;
    QMenu* mnuPopup = nullptr;
    QMenu* mnuPopupNew[1] = {nullptr}; // an item array of one element
    QAction* mnuPopupNewArtist = nullptr;
    QAction* mnuPopupRecordName = nullptr;
    QAction* mnuPopupNewSong = nullptr;
    QAction* mnuPopupSep1 = nullptr;
    QAction* mnuPopupDelete = nullptr;
    QAction* mnuPopupRename = nullptr;
    QAction* mnuPopupSep2 = nullptr;
    QAction* mnuPopupCopy = nullptr;
    QAction* mnuPopupCut = nullptr;
    QAction* mnuPopupPaste = nullptr;
    QAction* mnuPopupSep3 = nullptr;
    QAction* mnuPopupFind = nullptr;
    QAction* mnuPopupSep5 = nullptr;
    QAction* mnuPopupPrintPreview = nullptr;

    // Everything below the menu bar; the window's inner scale is this area.
    QWidget* clientArea = nullptr;
    Toolbar* Toolbar1 = nullptr;
    StatusBar* StatusBar1 = nullptr;
    QWidget* picControlsContainer = nullptr;
    QWidget* picHSplitter = nullptr;
    QWidget* picTopPanel = nullptr;
    QWidget* picBottomPanel = nullptr;
    QWidget* picVSplitter = nullptr;
    QWidget* picTopLeftPanel = nullptr;
    QWidget* picTopRightPanel = nullptr;
    StatusBar* StatusbarTreeViewTop = nullptr;
    StatusBar* StatusBarListViewTop = nullptr;
    QTreeWidget* tv1 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QGroupBox* fraSongView = nullptr;
    QTreeWidget* ListView2 = nullptr;

    ImageList imlIcons{32};
    ImageList imlSmallIcons{16};
    // The image lists the tree and the lists draw from (set by the image set-up routines).
    const ImageList* tv1ImageList = nullptr;
    const ImageList* ListView1Icons = nullptr;
    const ImageList* ListView1SmallIcons = nullptr;
    const ImageList* ListView2Icons = nullptr;
    const ImageList* ListView2SmallIcons = nullptr;

    QTimer TimerPopulateTree;
    QTimer TmrTreeScroll;

    VSplit mVSplit;
    HSplit mHSplit;
    std::int32_t mVSplitStartX = 0;
    std::int32_t mHSplitStartY = 0;
    bool mLoadLayout = false;
    bool mTreeScrollUp = false;
    CatalogEntry mClipEntry;

    void Form_Initialize();
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload(int& cancel) override;

    void TimerPopulateTree_Timer();
    void TmrTreeScroll_Timer();
    void Toolbar1_ButtonClick(int index);
    void Toolbar1_MouseMove();

    void SetMenuState(const CatalogEntry& entry);
    // A menu item's Enabled property; a hidden item keeps it too (Qt reports hidden actions disabled).
    static bool Enabled(const QAction* item);
    static void setEnabled(QAction* item, bool enabled);
    void SetTreeListImages();
    void SetSongListImages();
    void SetupRecordColumns();
    void SetupSongColumns();

    // Panel layout and the splitter bars (positions in twips).
    void picControlsContainer_Resize();
    void picTopPanel_Resize();
    void picTopLeftPanel_Resize();
    void picTopRightPanel_Resize();
    void picBottomPanel_Resize();
    void picVSplitter_MouseDown(int button, int shift, double x, double y);
    void picVSplitter_MouseMove(int button, int shift, double x, double y);
    void picVSplitter_MouseUp(int button, int shift, double x, double y);
    void picHSplitter_MouseDown(int button, int shift, double x, double y);
    void picHSplitter_MouseMove(int button, int shift, double x, double y);
    void picHSplitter_MouseUp(int button, int shift, double x, double y);
    void ListView1_MouseMove();
    void picBottomPanel_MouseMove();
    void picTopLeftPanel_MouseMove();
    void picTopRightPanel_MouseMove();
    void StatusBar1_MouseMove();

    // Catalogue tree: the root and one node per artist, rebuilt whole by PopulateTree.
    void tv1_Click();
    void tv1_BeforeLabelEdit(int& cancel);
    void tv1_AfterLabelEdit(int& cancel, QString& newString);
    void tv1_KeyDown(int keyCode, int shift);
    void tv1_MouseDown(int button, int shift, double x, double y);
    void tv1_MouseMove(int button, int shift, double x, double y);
    void tv1_MouseUp(int button, int shift, double x, double y);
    // Opens the in-place edit of the selected node's label (the Rename command).
    void tv1_StartLabelEdit();
    // The first node, in node order, whose Selected flag is set.
    QTreeWidgetItem* SelectedNode() const;

    // Record and song-title lists
    virtual void LoadRecords(const CatalogEntry& entry);
    virtual bool LoadSongTitles(const CatalogEntry& entry);
    // Each list's one sort order (0 ascending, 1 descending), its sort column
    // (0-based) and whether a header click has sorted it.
    int ListView1SortOrder = 0;
    int ListView1SortKey = 0;
    bool ListView1Sorted = false;
    int ListView2SortOrder = 0;
    int ListView2SortKey = 0;
    bool ListView2Sorted = false;
    void ListView1_Click();
    void ListView1_ColumnClick(int index); // 1-based header index
    void ListView1_DblClick();
    void ListView1_KeyDown(int keyCode, int shift);
    void ListView1_MouseDown(int button, int shift, double x, double y);
    void ListView2_ColumnClick(int index);
    void ListView2_DblClick();
    void ListView2_KeyDown(int keyCode, int shift);
    void ListView2_MouseDown(int button, int shift, double x, double y);
    void ListView2_MouseMove();

    // Inner size of the window below the menu bar, in twips.
    std::int32_t ScaleWidth() const;
    std::int32_t ScaleHeight() const;

    // The exit command: closes this window and shows the exit window.
    virtual void mnuExit_Click();

    // Commands the menus and the toolbar run.
    virtual void PopulateTree();
    virtual void mnuNewArtist_Click();
    virtual void mnuNewRecordName_Click();
    virtual void mnuNewSong_Click();
    virtual void mnuDelete_Click();
    virtual void mnuRename_Click();
    virtual void mnuPrint_Click();
    virtual void mnuToolbar_Click();
    virtual void mnuStatusbar_Click();
    virtual void mnuFindFiles_Click();
    virtual void mnuCompactDatabase_Click();
    virtual void mnuRepairDatabase_Click();
    virtual void mnuPlayZAVROSound_Click();
    virtual void mnuGettingStarted_Click();
    virtual void mnuContents_Click();
    virtual void mnuSearch_Click();
    virtual void mnuHowToUseHelp_Click();
    virtual void mnuVisitZAVROTech_Click();
    virtual void mnuemailsupport_Click();
    virtual void mnuAbout_Click();
    virtual void mnuPopupSongRename_Click();
    virtual void mnuPopupSongDelete_Click();
    virtual void mnuPopupNewArtist_Click() { mnuNewArtist_Click(); }
    virtual void mnuPopupRecordName_Click() { mnuNewRecordName_Click(); }
    virtual void mnuPopupNewSong_Click() { mnuNewSong_Click(); }
    virtual void mnuPopupDelete_Click() { mnuDelete_Click(); }
    virtual void mnuPopupRename_Click() { mnuRename_Click(); }
    virtual void mnuPopupFind_Click() { mnuFindFiles_Click(); }
    virtual void mnuPopupPrintPreview_Click() { mnuPrint_Click(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildWorkArea();
    void loadImages();
    // Places the menu bar, the client area, and the toolbar and status bar aligned to its edges.
    void placeAlignedBars();
    bool panesReleased() const;
    void dispatchMouse(QWidget* bar, QEvent* event);
    void buildTree();
    bool treeEvent(QObject* watched, QEvent* event);
    // A left press beside the nodes, whose release is swallowed too.
    bool mTreeClickBeside = false;
    void offerRepair(const QString& description);
    // Record and song-title lists: event wiring and the shared parts of their handlers.
    void buildLists();
    bool listEvent(QObject* watched, QEvent* event);
    void sortList(QTreeWidget* list, int& order, int& key, bool& sorted, int index);
    void showDatabaseError(const QString& description);
    bool mListDoubleClicked = false;
    // The artist whose records ListView1 was last loaded with.
    std::optional<QString> mListArtist;
    // Whether the record list shows the records of the artist of a tree node's entry.
    bool listShowsArtist(const CatalogEntry& nodeEntry) const;
    // The song Modify command, also the Rename command's song road.
    void modifySong();
    // Set while an entry command runs; a command never starts inside another.
    class CommandGuard;
    bool mCommandBusy = false;
    // Hands the lists' events to listEvent; goes before the base class removes the lists.
    std::unique_ptr<QObject> mListFilter;

    bool alive_ = false;
};

vb::DefaultInstance<frmDatabaseExplorer>& frmDatabaseExplorerInstance();
