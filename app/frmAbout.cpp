#include "app/frmAbout.h"

#include "app/MakerAddresses.h"
#include "app/frmSplash.h"
#include "catalog/modRegistry.h"
#include "shell/Shell.h"
#include "vb/App.h"
#include "vb/MousePointer.h"
#include "vb/MsgBox.h"
#include "vb/Twips.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {

QLabel* placedLabel(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(vb::twipsToPixelsX(left), vb::twipsToPixelsY(top), vb::twipsToPixelsX(width),
                       vb::twipsToPixelsY(height));
    return label;
}

QFont sized(QFont font, double points)
{
    font.setPointSizeF(points);
    return font;
}

// A one-pixel line across the window in a colour of the 3-D look.
QWidget* placedLine(QWidget* parent, const char* name, int top, QPalette::ColorRole role)
{
    auto* line = new QWidget(parent);
    line->setObjectName(QLatin1String(name));
    line->setGeometry(vb::twipsToPixelsX(240), vb::twipsToPixelsY(top), vb::twipsToPixelsX(7680 - 240), 1);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, parent->palette().color(role));
    line->setPalette(pal);
    return line;
}

QLabel* linkLabel(QWidget* parent, const char* name, int left, int top, const QString& text)
{
    QLabel* label = placedLabel(parent, name, left, top, 3000, 240);
    QFont font = sized(parent->font(), 8.25);
    font.setUnderline(true);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0xFF));
    label->setPalette(pal);
    label->setCursor(Qt::PointingHandCursor);
    label->setText(text);
    label->adjustSize();
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : vb::Form(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(vb::twipsToPixelsX(7935), vb::twipsToPixelsY(6480));
    setWindowTitle(QStringLiteral("About MyApp"));

    picIcon = placedLabel(this, "picIcon", 240, 240, 480, 480);
    picIcon->setScaledContents(true);

    for (int i = 0; i < 2; ++i) {
        lblTitle[i] = placedLabel(this, i == 0 ? "lblTitle(0)" : "lblTitle(1)", 1080, 240, 6600, 480);
        lblTitle[i]->setFont(sized(font(), 18));
        lblTitle[i]->setText(QStringLiteral("Application Title"));
    }
    lblVersion = placedLabel(this, "lblVersion", 1080, 720, 6600, 375);
    lblVersion->setFont(sized(font(), 12));
    lblVersion->setText(QStringLiteral("Version"));
    lblCopyright = placedLabel(this, "lblCopyright", 1080, 1200, 6600, 375);
    lblCopyright->setText(QStringLiteral("Copyright"));

    lblDescription = placedLabel(this, "lblDescription", 660, 3240, 6495, 975);
    // The texts were laid out for a small 8-point face; larger ones would not fit their boxes.
    lblDescription->setFont(sized(font(), 8));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setText(QStringLiteral("App Description"));

    LblHomePage = linkLabel(this, "LblHomePage", 600, 4440, QStringLiteral("Home page: ") + MakerHomePage());
    lblSupport = linkLabel(this, "lblSupport", 4800, 4440, QStringLiteral("Email: ") + MakerSupportEmail());
    LblHomePage->installEventFilter(this);
    lblSupport->installEventFilter(this);

    Line1[1] = placedLine(this, "Line1(1)", 4800, QPalette::Dark);
    Line1[0] = placedLine(this, "Line1(0)", 4920, QPalette::Light);

    lblWarning = placedLabel(this, "lblWarning", 240, 5160, 6135, 975);
    lblWarning->setFont(sized(font(), 8));
    lblWarning->setWordWrap(true);
    lblWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblWarning->setText(QStringLiteral(
        "Warning: this computer program is protected by copyright law and international treaties. "
        "Unauthorized reproduction or distribution of this program, or of any part of it, may result in "
        "severe civil and criminal penalties and will be prosecuted to the maximum extent possible under the law."));

    const char* const captions[] = {"&OK", "&System Info"};
    const char* const names[] = {"cmdAction(0)", "cmdAction(1)"};
    const int tops[] = {5160, 5760};
    for (int i = 0; i < 2; ++i) {
        cmdAction[i] = new QPushButton(QLatin1String(captions[i]), this);
        cmdAction[i]->setObjectName(QLatin1String(names[i]));
        cmdAction[i]->setGeometry(vb::twipsToPixelsX(6480), vb::twipsToPixelsY(tops[i]), vb::twipsToPixelsX(1215),
                                  vb::twipsToPixelsY(375));
        connect(cmdAction[i], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
    }
    // OK is the default and the cancel button; System Info waits for the lookup.
    cmdAction[0]->setDefault(true);
    cmdAction[1]->setEnabled(false);
}

void frmAbout::Form_Load()
{
    setWindowIcon(QIcon());
    setCaption(QStringLiteral("About ") + vb::App::Title());
    lblTitle[0]->setText(vb::App::Title());
    lblTitle[1]->setText(vb::App::Title());
    lblVersion->setText(frmSplash::versionText(vb::App::Major(), vb::App::Minor(), vb::App::Revision()));
    lblDescription->setText(QStringLiteral("Discavo is a desktop program that helps you organise your collection of "
                                           "record albums and other media, "));
    lblDescription->setText(lblDescription->text() + QStringLiteral("such as cassette tapes, CDs, DVDs and videotapes. "));
    lblDescription->setText(lblDescription->text()
                            + QStringLiteral("You enter the artists, the records of each artist and their song titles "
                                             "into the database, and Discavo presents everything in a tree hierarchy, "
                                             "the way the file explorer of Windows shows folders."));
    lblCopyright->setText(vb::App::LegalCopyright());

    mSysInfoPath = RegGetString(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSInfo"),
                                QStringLiteral("PATH"));
    if (mSysInfoPath.isEmpty()) {
        mSysInfoPath = RegGetString(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                                    QStringLiteral("MSINFO"));
        if (!mSysInfoPath.isEmpty())
            mSysInfoPath += QDir::separator() + QStringLiteral("MSINFO32.EXE");
    }
    if (!mSysInfoPath.isEmpty() && QFileInfo(mSysInfoPath).isFile())
        cmdAction[1]->setEnabled(true);
}

void frmAbout::Form_Resize()
{
    setMousePointer(vb::vbHourglass);
    centreOnScreen();
    setMousePointer(vb::vbDefault);
}

void frmAbout::cmdAction_Click(int index)
{
    switch (index) {
    case 0:
        Hide();
        frmAboutInstance().release();
        vb::Unload(this);
        break;
    case 1:
        // Started as exactly that file: blanks or semicolons in the path are part of the name.
        if (shell::Shell(mSysInfoPath) == 0)
            vb::MsgBox(QStringLiteral("System Information could not be started:") + QStringLiteral("\r\n")
                           + QDir::toNativeSeparators(mSysInfoPath),
                       vb::vbExclamation, vb::App::Title());
        break;
    default: break;
    }
}

void frmAbout::LblHomePage_Click()
{
    setMousePointer(vb::vbHourglass);
    ShellExecuteA(this, QStringLiteral("Open"), MakerHomePage(), QString(), QString(), 1);
    setMousePointer(vb::vbDefault);
}

void frmAbout::lblSupport_Click()
{
    setMousePointer(vb::vbHourglass);
    ShellExecuteA(this, QStringLiteral("Open"), QStringLiteral("Mailto:") + MakerSupportEmail(), QString(), QString(),
                  1);
    setMousePointer(vb::vbDefault);
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    // Outside a dialog Qt has no default or cancel button: Escape and Enter press
    // OK, Enter on another focused button presses that one.
    switch (event->key()) {
    case Qt::Key_Escape: cmdAction[0]->click(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->isEnabled())
            focused->click();
        else
            cmdAction[0]->click();
        return;
    default: vb::Form::keyPressEvent(event);
    }
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && (watched == LblHomePage || watched == lblSupport)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && static_cast<QWidget*>(watched)->rect().contains(mouse->pos())) {
            if (watched == LblHomePage)
                LblHomePage_Click();
            else
                lblSupport_Click();
            return true;
        }
    }
    return vb::Form::eventFilter(watched, event);
}

vb::DefaultInstance<frmAbout>& frmAboutInstance()
{
    static vb::DefaultInstance<frmAbout> instance;
    return instance;
}
