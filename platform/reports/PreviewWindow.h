#pragma once

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPrintDialog;
class QPrinter;
class QProgressBar;
class QPushButton;
class QScrollArea;

namespace reports {

class ReportDocument;
struct PageGeometry;
using PageProgress = std::function<bool(int done, int total)>;

// Runs the print dialog over its printer and returns its result; tests put
// their own answer in place of the dialog's (an empty function restores it).
using PrintDialogRunner = std::function<int(QPrintDialog& dialog)>;
void setPrintDialogRunner(PrintDialogRunner runner);

// Which parts the preview window offers.
struct PreviewOptions {
    bool print = true;
    bool printSetup = true;
    bool search = true;
    bool refresh = true;
    bool cancel = true;
    bool close = true;
    bool exportButton = true;
    bool navigation = true;
    bool progress = true;
};

// The report's preview: one page on screen at a time, page navigation,
// printing through the system's print dialog (a PDF file included), with
// progress and a Cancel button while it prints. Deletes itself when closed.
// It stays usable while the window given as its owner is modal.
class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    PreviewWindow(std::shared_ptr<const ReportDocument> document, const PreviewOptions& options, int topMargin,
                  int leftMargin, const QString& title, QWidget* owner = nullptr);
    ~PreviewWindow() override;

    int currentPage() const { return page_; } // 0-based
    int pageCount() const;
    QString pageText() const;
    void showPage(int page);
    bool isClosed() const { return closed_; }
    bool isBusy() const { return busy_; }
    // Pages drawn on screen so far (only the page shown is ever drawn).
    int pagesDrawn() const { return pagesDrawn_; }

    // Writes every page into a PDF file, with the progress shown and Cancel
    // able to stop it; false when it was stopped or failed (no file is left).
    bool exportPdf(const QString& path);
    // Prints pages first..last (0-based) of the layout for the printer's page
    // to a printer set up by the caller; a stopped print to a file removes the file.
    bool printTo(QPrinter& printer, int first, int last);
    // The pages of the layout for the printer's page as it is set up now.
    int printedPageCount(const QPrinter& printer) const;

    QPushButton* printButton() const { return print_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* closeButton() const { return close_; }
    QPushButton* firstButton() const { return first_; }
    QPushButton* previousButton() const { return previous_; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* lastButton() const { return last_; }
    QProgressBar* progressBar() const { return progressBar_; }
    QLabel* pageLabel() const { return pageLabel_; }
    QWidget* pageView() const { return pageView_; }

    void cmdPrint_Click();
    void cmdCancel_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class PageView;
    bool runJob(const std::function<bool(const PageProgress&)>& job);
    void updateNavigation();
    void paintCurrentPage(QPainter& painter, const QRect& area);

    std::shared_ptr<const ReportDocument> document_;
    PreviewOptions options_;
    int topMargin_ = 0;
    int leftMargin_ = 0;
    std::unique_ptr<PageGeometry> geometry_;
    int page_ = 0;
    int pagesDrawn_ = 0;
    bool closed_ = false;
    bool busy_ = false;
    bool stop_ = false;
    bool closeAfterJob_ = false;

    QPushButton* print_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* close_ = nullptr;
    QPushButton* first_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* last_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QScrollArea* area_ = nullptr;
    QWidget* pageView_ = nullptr;
};

} // namespace reports
