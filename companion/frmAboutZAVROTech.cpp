#include "companion/frmAboutZAVROTech.h"

#include "companion/Program.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSvgRenderer>

using companion::twipsToPixelsX;
using companion::twipsToPixelsY;

namespace {

const QColor kPictureBack(0xC0, 0xC0, 0xC0);

QRect designRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width), twipsToPixelsY(height));
}

// A one-pixel separator line from x 120 to x 7560 in a system colour.
QFrame* separator(QWidget* parent, int top, QPalette::ColorRole colour)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::NoFrame);
    line->setGeometry(twipsToPixelsX(120), twipsToPixelsY(top), twipsToPixelsX(7560 - 120), 1);
    line->setBackgroundRole(colour);
    line->setAutoFillBackground(true);
    return line;
}

} // namespace

frmAboutZAVROTech::frmAboutZAVROTech(std::function<void()> endProgram, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      end_(std::move(endProgram))
{
    if (!end_)
        end_ = [] { QCoreApplication::quit(); };
    setObjectName(QStringLiteral("frmAboutZAVROTech"));
    setWindowTitle(QStringLiteral("About Project1"));
    setFixedSize(twipsToPixelsX(7680), twipsToPixelsY(4800));

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(designRect(240, 240, 3885, 960));
    picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picIcon->setAutoFillBackground(true);
    QPalette iconPalette = picIcon->palette();
    iconPalette.setColor(QPalette::Window, kPictureBack);
    picIcon->setPalette(iconPalette);
    picIcon->setPixmap(QPixmap::fromImage(logo()));

    lblDescription = new QLabel(this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setGeometry(designRect(300, 1440, 7215, 2175));
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setWordWrap(true);
    lblDescription->setTextFormat(Qt::PlainText);
    lblDescription->setText(QStringLiteral("Descriptive text and comments"));

    Line1[1] = separator(this, 3840, QPalette::Shadow);
    Line1[1]->setObjectName(QStringLiteral("Line1(1)"));
    Line1[0] = separator(this, 3960, QPalette::Light);
    Line1[0]->setObjectName(QStringLiteral("Line1(0)"));

    cmdAction[0] = new QPushButton(QStringLiteral("&OK"), this);
    cmdAction[0]->setObjectName(QStringLiteral("cmdAction(0)"));
    cmdAction[0]->setGeometry(designRect(6360, 4200, 1215, 375));
    cmdAction[0]->setDefault(true);
    cmdAction[0]->setFocus();
    connect(cmdAction[0], &QPushButton::clicked, this, [this] { cmdAction_Click(0); });

    // The window is the program's start object: creating it loads it.
    Form_Load();
}

QImage frmAboutZAVROTech::logo()
{
    QImage image(259, 64, QImage::Format_RGB888);
    image.fill(kPictureBack);
    QSvgRenderer renderer(QStringLiteral(":/companion/images/zavrododi.svg"));
    if (renderer.isValid()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, image.width(), image.height()));
    }
    return image;
}

void frmAboutZAVROTech::Form_Load()
{
    setWindowTitle(companion::Title());

    QString text = QStringLiteral("ZAVRO Dodi is an independent provider of engineering ");
    text += QStringLiteral("and product-development services, ");
    text += QStringLiteral("taking an idea from the first sketch to a finished, tested product. ");
    text += QStringLiteral("We also put together complete solution packages ");
    text += QStringLiteral("for the office, the home and manufacturing. ");
    text += QStringLiteral("Our work covers system integration and web technologies, ");
    text += QStringLiteral("as well as the development of databases of every size.");
    text += QStringLiteral("\r\n\r\n");
    text += QStringLiteral("Visit our web site at www.zavrododi.example or write to our sales team "
                           "at sales@zavrododi.example.");
    lblDescription->setText(text);
}

void frmAboutZAVROTech::Form_Resize()
{
    setCursor(Qt::WaitCursor);
    if ((windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) == 0) {
        const QRect outer = frameGeometry();
        const double width = outer.width() * companion::twipsPerPixelX();
        const double height = outer.height() * companion::twipsPerPixelY();
        move(twipsToPixelsX((companion::screenWidthTwips() - width) / 2),
             twipsToPixelsY((companion::screenHeightTwips() - height) / 2));
    }
    unsetCursor();
}

void frmAboutZAVROTech::cmdAction_Click(int /*index*/)
{
    close();
    End();
}

void frmAboutZAVROTech::End()
{
    if (ended_)
        return;
    ended_ = true;
    end_();
}

void frmAboutZAVROTech::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

// Minimising and restoring change the state without a new size; they count as a resize too.
void frmAboutZAVROTech::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

// OK is both the default and the cancel button: Enter and Escape press it wherever the focus is.
void frmAboutZAVROTech::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        cmdAction[0]->click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

// Closing the last window ends the program.
void frmAboutZAVROTech::closeEvent(QCloseEvent* event)
{
    event->accept();
    End();
}
