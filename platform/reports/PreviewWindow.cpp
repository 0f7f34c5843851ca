#include "reports/PreviewWindow.h"

#include "reports/ReportDocument.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cstdint>

namespace reports {

// The page on screen, as wide as the window allows.
class PageView : public QWidget {
public:
    explicit PageView(PreviewWindow* owner) : owner_(owner) { setAutoFillBackground(false); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Dark));
        owner_->paintCurrentPage(painter, rect().adjusted(12, 12, -12, -12));
    }

private:
    PreviewWindow* owner_;
};

namespace {

PrintDialogRunner& printDialogRunner()
{
    static PrintDialogRunner runner;
    return runner;
}

// Keeps the page view as wide as the visible area, its height that of the page.
class PageArea : public QScrollArea {
public:
    PageArea(double aspect) : aspect_(aspect) { setWidgetResizable(false); }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QScrollArea::resizeEvent(event);
        if (QWidget* w = widget()) {
            const int width = viewport()->width();
            w->resize(width, static_cast<int>((width - 24) * aspect_) + 24);
        }
    }

private:
    double aspect_;
};

} // namespace

void setPrintDialogRunner(PrintDialogRunner runner) { printDialogRunner() = std::move(runner); }

PreviewWindow::PreviewWindow(std::shared_ptr<const ReportDocument> document, const PreviewOptions& options,
                             int topMargin, int leftMargin, const QString& title, QWidget* owner)
    : QWidget(nullptr, Qt::Window), document_(std::move(document)), options_(options), topMargin_(topMargin),
      leftMargin_(leftMargin), geometry_(std::make_unique<PageGeometry>(document_->geometry(topMargin, leftMargin)))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);

    auto* bar = new QHBoxLayout;
    const auto button = [this, bar](const QString& text, bool wanted) -> QPushButton* {
        if (!wanted)
            return nullptr;
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        bar->addWidget(b);
        return b;
    };
    print_ = button(tr("&Print..."), options_.print);
    if (options_.navigation) {
        first_ = button(QStringLiteral("|<"), true);
        previous_ = button(QStringLiteral("<"), true);
        pageLabel_ = new QLabel(this);
        pageLabel_->setAlignment(Qt::AlignCenter);
        // As wide as its longest text, so that it is never clipped.
        pageLabel_->setMinimumWidth(
            pageLabel_->fontMetrics().horizontalAdvance(tr("Page %1 of %2").arg(pageCount()).arg(pageCount())) + 24);
        bar->addWidget(pageLabel_);
        next_ = button(QStringLiteral(">"), true);
        last_ = button(QStringLiteral(">|"), true);
        first_->setToolTip(tr("First page"));
        previous_->setToolTip(tr("Previous page"));
        next_->setToolTip(tr("Next page"));
        last_->setToolTip(tr("Last page"));
    }
    bar->addStretch(1);
    // The progress of a print goes in a row of its own below the page, which
    // keeps its room while hidden: showing it changes neither the window's size
    // nor the room of the buttons and the page label.
    auto* progressRow = new QHBoxLayout;
    if (options_.progress) {
        progressLabel_ = new QLabel(this);
        progressBar_ = new QProgressBar(this);
        progressBar_->setMaximumWidth(220);
        const std::size_t most = std::max<std::size_t>(document_->lineCount(), 1);
        progressLabel_->setMinimumWidth(
            progressLabel_->fontMetrics().horizontalAdvance(tr("Printing page %1 of %2").arg(most).arg(most)) + 12);
        for (QWidget* w : {static_cast<QWidget*>(progressLabel_), static_cast<QWidget*>(progressBar_)}) {
            QSizePolicy policy = w->sizePolicy();
            policy.setRetainSizeWhenHidden(true);
            w->setSizePolicy(policy);
            w->hide();
        }
        progressRow->addWidget(progressLabel_);
        progressRow->addWidget(progressBar_, 1);
        progressRow->addStretch(1);
    }
    cancel_ = button(tr("Cancel"), options_.cancel);
    close_ = button(tr("&Close"), options_.close);
    if (cancel_) {
        cancel_->setEnabled(false);
        cancel_->setToolTip(tr("Stop printing"));
    }

    const QSizeF page(geometry_->pageWidth, geometry_->pageHeight);
    area_ = new PageArea(page.height() / page.width());
    area_->setParent(this);
    pageView_ = new PageView(this);
    area_->setWidget(pageView_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(area_, 1);
    layout->addLayout(progressRow);

    if (print_)
        connect(print_, &QPushButton::clicked, this, &PreviewWindow::cmdPrint_Click);
    if (cancel_)
        connect(cancel_, &QPushButton::clicked, this, &PreviewWindow::cmdCancel_Click);
    if (close_)
        connect(close_, &QPushButton::clicked, this, &QWidget::close);
    if (first_) {
        connect(first_, &QPushButton::clicked, this, [this] { showPage(0); });
        connect(previous_, &QPushButton::clicked, this, [this] { showPage(page_ - 1); });
        connect(next_, &QPushButton::clicked, this, [this] { showPage(page_ + 1); });
        connect(last_, &QPushButton::clicked, this, [this] { showPage(pageCount() - 1); });
    }

    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1024, 768);
    resize(std::min(screen.width() * 3 / 4, 1000), screen.height() * 7 / 8);
    updateNavigation();

    // Belongs to the owner's window, so that the owner's modality does not block it.
    if (owner) {
        winId();
        if (QWindow* ownerWindow = owner->window()->windowHandle())
            windowHandle()->setTransientParent(ownerWindow);
    }
}

PreviewWindow::~PreviewWindow() = default;

int PreviewWindow::pageCount() const { return document_->pageCount(*geometry_); }

QString PreviewWindow::pageText() const { return tr("Page %1 of %2").arg(page_ + 1).arg(pageCount()); }

void PreviewWindow::showPage(int page)
{
    page = std::clamp(page, 0, pageCount() - 1);
    if (page == page_)
        return;
    page_ = page;
    updateNavigation();
    pageView_->update();
}

void PreviewWindow::updateNavigation()
{
    if (!pageLabel_)
        return;
    pageLabel_->setText(pageText());
    const bool idle = !busy_;
    first_->setEnabled(idle && page_ > 0);
    previous_->setEnabled(idle && page_ > 0);
    next_->setEnabled(idle && page_ < pageCount() - 1);
    last_->setEnabled(idle && page_ < pageCount() - 1);
}

void PreviewWindow::paintCurrentPage(QPainter& painter, const QRect& area)
{
    const double scale = area.width() / static_cast<double>(geometry_->pageWidth);
    const QRectF sheet(area.left(), area.top(), area.width(), geometry_->pageHeight * scale);
    painter.fillRect(sheet, Qt::white);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(sheet.topLeft());
    painter.scale(scale, scale);
    document_->paintPage(painter, page_, *geometry_);
    painter.restore();
    ++pagesDrawn_;
}

bool PreviewWindow::runJob(const std::function<bool(const PageProgress&)>& job)
{
    if (busy_)
        return false;
    busy_ = true;
    stop_ = false;
    if (print_)
        print_->setEnabled(false);
    if (cancel_)
        cancel_->setEnabled(true);
    updateNavigation();
    if (progressBar_) {
        progressBar_->setValue(0);
        progressBar_->show();
        progressLabel_->show();
    }
    const bool done = job([this](int done, int total) {
        if (progressBar_) {
            progressBar_->setMaximum(total);
            progressBar_->setValue(done);
            progressLabel_->setText(tr("Printing page %1 of %2").arg(done).arg(total));
        }
        QApplication::processEvents();
        return !stop_;
    });
    busy_ = false;
    if (progressBar_) {
        progressBar_->hide();
        progressLabel_->hide();
    }
    if (print_)
        print_->setEnabled(true);
    if (cancel_)
        cancel_->setEnabled(false);
    updateNavigation();
    if (closeAfterJob_)
        close();
    return done;
}

bool PreviewWindow::exportPdf(const QString& path)
{
    const bool done = runJob([this, &path](const PageProgress& progress) {
        QPdfWriter writer(path);
        writer.setCreator(windowTitle());
        writer.setTitle(document_->layout().title);
        QPageLayout layout(QPageSize(QSizeF(geometry_->pageWidth / 20.0, geometry_->pageHeight / 20.0), QPageSize::Point),
                           QPageLayout::Portrait, QMarginsF());
        writer.setPageLayout(layout);
        return document_->render(writer, 0, pageCount() - 1, topMargin_, leftMargin_, progress);
    });
    if (!done)
        QFile::remove(path);
    return done;
}

bool PreviewWindow::printTo(QPrinter& printer, int first, int last)
{
    const bool done = runJob([&](const PageProgress& progress) {
        printer.setFullPage(true);
        return document_->render(printer, first, last, topMargin_, leftMargin_, progress);
    });
    // A print to a file that was stopped leaves no half-written file behind.
    if (!done && !printer.outputFileName().isEmpty())
        QFile::remove(printer.outputFileName());
    return done;
}

int PreviewWindow::printedPageCount(const QPrinter& printer) const
{
    return document_->pageCount(document_->geometry(printer, topMargin_, leftMargin_));
}

void PreviewWindow::cmdPrint_Click()
{
    if (busy_)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(document_->layout().landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setDocName(document_->layout().title);
    printer.setFullPage(true);
    // The pages offered are those of the printer's paper, which may not be the preview's.
    const int offered = printedPageCount(printer);
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, offered);
    dialog.setFromTo(1, offered);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    const PrintDialogRunner& runner = printDialogRunner();
    if ((runner ? runner(dialog) : dialog.exec()) != QDialog::Accepted)
        return;
    // The dialog may have chosen another printer or paper: the pages are those
    // of the layout for the paper printed on.
    const PageGeometry printed = document_->geometry(printer, topMargin_, leftMargin_);
    int first = 0;
    int last = document_->pageCount(printed) - 1;
    if (printer.printRange() == QPrinter::PageRange) {
        first = printer.fromPage() - 1;
        last = printer.toPage() - 1;
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        // The printed page that holds the first line of the page shown.
        first = last = static_cast<int>(std::int64_t(page_) * geometry_->linesPerPage / printed.linesPerPage);
    }
    printTo(printer, first, last);
}

void PreviewWindow::cmdCancel_Click() { stop_ = true; }

void PreviewWindow::closeEvent(QCloseEvent* event)
{
    if (busy_) {
        // Stop the running job first; the window closes when it has stopped.
        stop_ = true;
        closeAfterJob_ = true;
        event->ignore();
        return;
    }
    closed_ = true;
    event->accept();
}

void PreviewWindow::keyPressEvent(QKeyEvent* event)
{
    if (!busy_ && options_.navigation) {
        switch (event->key()) {
        case Qt::Key_PageDown:
            showPage(page_ + 1);
            return;
        case Qt::Key_PageUp:
            showPage(page_ - 1);
            return;
        case Qt::Key_Home:
            if (event->modifiers() & Qt::ControlModifier) {
                showPage(0);
                return;
            }
            break;
        case Qt::Key_End:
            if (event->modifiers() & Qt::ControlModifier) {
                showPage(pageCount() - 1);
                return;
            }
            break;
        default:
            break;
        }
    }
    QWidget::keyPressEvent(event);
}

} // namespace reports
