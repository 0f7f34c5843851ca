#pragma once

#include "vb/DefaultInstance.h"
#include "vb/Form.h"
#include "vb/TextBox.h"

#include <QRectF>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <vector>

class FindResultModel;
class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeView;

// The search dialog: pick a kind, type a pattern, list the matching artists,
// records or song titles, and modify or delete them from the list.
class frmFind : public vb::Form {
    Q_OBJECT
public:
    explicit frmFind(QWidget* parent = nullptr);
    ~frmFind() override;

    QFrame* Frame1 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cmbFolderType = nullptr;
    QLabel* Label3 = nullptr;
    vb::TextBox* mlocate = nullptr;
    QPushButton* cmdRun = nullptr;
    QPushButton* cmdReturn = nullptr;
    QPushButton* cmdHelp = nullptr;
    QGroupBox* fraFindResults = nullptr;
    QTreeView* ListView1 = nullptr;
    FindResultModel* ListView1Rows = nullptr;
    // The status bar: count text, date, time.
    QFrame* StatusBar1 = nullptr;
    QLabel* StatusBar1Panel1 = nullptr;
    QLabel* StatusBar1Panel2 = nullptr;
    QLabel* StatusBar1Panel3 = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuPopupModify = nullptr;
    QAction* mnuPopupDelete = nullptr;

    // The result list's sort: order 0 ascending, 1 descending; key the column.
    int ListView1SortOrder = 0;
    int ListView1SortKey = 0;

    void cmbFolderType_Click();
    void cmdRun_Click();
    void cmdReturn_Click();
    void cmdHelp_Click();
    void ListView1_ColumnClick(int column); // 1-based
    void ListView1_DblClick();
    void ListView1_KeyDown(int keyCode, int shift);
    void ListView1_MouseDown(int button, int shift, double x, double y);
    void mnuPopupModify_Click();
    void mnuPopupDelete_Click();

    // The selected rows, in list order.
    std::vector<int> SelectedRows() const;

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload(int& cancel) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct PlacedControl {
        QWidget* control;
        QRectF twips; // as laid out when the dialog loaded
        bool fixedHeight;
    };

    void buildControls();
    void fitFont();
    void buildStatusBar();
    void dockStatusBar();
    void recordLayout();
    void SetupResultColumns(const QString& kind);
    void RunFindQuery(const QString& kind, const QString& text);
    // Runs a search of the kind for the text: validation, columns, rows, count.
    void search(const QString& kindText, const QString& searchText);
    void refreshAfterChange();
    void sortList();
    void updateClock();

    std::vector<PlacedControl> layout_;
    double layoutClientWidth_ = 0;
    double layoutClientHeight_ = 0;
    QTimer clock_;
    bool closing_ = false;
    // A close asked for while a handler lets pending events run waits until
    // that handler is done: the window must outlive the code still using it.
    class BusyScope;
    int busy_ = 0;
    bool closePending_ = false;
    // The kind and text of the search that filled the list.
    std::optional<std::pair<QString, QString>> listedSearch_;
};

class frmFind::BusyScope {
public:
    explicit BusyScope(frmFind& window) : window_(window) { ++window_.busy_; }
    ~BusyScope()
    {
        if (--window_.busy_ == 0 && window_.closePending_) {
            window_.closePending_ = false;
            window_.cmdReturn_Click();
        }
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    frmFind& window_;
};

// The statement Find runs for a kind text and a trimmed search text; empty for
// an unknown kind.
QString FindStatement(const QString& kind, const QString& text);

// True when every "[" of a search text is closed by a later "]".
bool IsBalancedPattern(const QString& text);

vb::DefaultInstance<frmFind>& frmFindInstance();
