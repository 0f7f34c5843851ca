#include "app/frmSplash.h"

#include "app/Startup.h"
#include "vb/App.h"
#include "vb/MousePointer.h"
#include "vb/Twips.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPixmap>

namespace {
QLabel* placedLabel(QWidget* parent, int left, int top, int width, int height)
{
    auto* label = new QLabel(parent);
    label->setGeometry(vb::twipsToPixelsX(left), vb::twipsToPixelsY(top), vb::twipsToPixelsX(width),
                       vb::twipsToPixelsY(height));
    return label;
}
} // namespace

frmSplash::frmSplash(QWidget* parent) : vb::Form(parent)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setFixedSize(vb::twipsToPixelsX(7380), vb::twipsToPixelsY(4620));
    setAutoFillBackground(true);
    // A light background of its own, so dark text of its own: a dark desktop
    // theme's light text would not show on it.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xF4, 0xF1, 0xE8));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    auto* border = new QFrame(this);
    border->setFrameShape(QFrame::Box);
    border->setGeometry(rect());

    picSplash = placedLabel(this, 150, 150, 2400, 3000);
    picSplash->setObjectName(QStringLiteral("picSplash"));
    picSplash->setPixmap(QIcon(QStringLiteral(":/app/images/splash.svg")).pixmap(picSplash->size()));
    picSplash->setScaledContents(true);

    picIcon = placedLabel(this, 6420, 240, 600, 600);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(QIcon(QStringLiteral(":/app/images/records.svg")).pixmap(picIcon->size()));

    lblTitle[1] = placedLabel(this, 2760, 900, 4400, 720);
    lblTitle[1]->setObjectName(QStringLiteral("lblTitle(1)"));
    lblTitle[1]->setText(QStringLiteral("Application Title"));
    QFont titleFont = font();
    titleFont.setPointSize(24);
    titleFont.setBold(true);
    lblTitle[1]->setFont(titleFont);

    lblVersion = placedLabel(this, 2760, 1700, 4400, 360);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setText(QStringLiteral("Version"));
    QFont versionFont = font();
    versionFont.setPointSize(12);
    versionFont.setBold(true);
    lblVersion->setFont(versionFont);

    Line1[0] = new QFrame(this);
    Line1[0]->setFrameShape(QFrame::HLine);
    Line1[0]->setGeometry(vb::twipsToPixelsX(2760), vb::twipsToPixelsY(2280), vb::twipsToPixelsX(4400), 2);
    Line1[1] = new QFrame(this);
    Line1[1]->setFrameShape(QFrame::HLine);
    Line1[1]->setGeometry(vb::twipsToPixelsX(150), vb::twipsToPixelsY(3300), vb::twipsToPixelsX(7080), 2);

    lblWarning = placedLabel(this, 150, 3420, 7080, 1050);
    lblWarning->setObjectName(QStringLiteral("lblWarning"));
    lblWarning->setWordWrap(true);
    QFont warningFont = font();
    warningFont.setPointSize(8);
    lblWarning->setFont(warningFont);
    lblWarning->setText(QStringLiteral(
        "Warning: this computer program is protected by copyright law and international treaties. "
        "Unauthorized copying or distribution of this program, or of any part of it, may result in "
        "severe civil and criminal penalties and will be prosecuted to the maximum extent possible under the law."));

    Timer1.setInterval(4000);
    // A coarse timer may fire up to 5 % early; the splash stays its full time.
    Timer1.setTimerType(Qt::PreciseTimer);
    Timer1.setSingleShot(false);
    connect(&Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
}

QString frmSplash::versionText(int major, int minor, int revision)
{
    QString text = QStringLiteral("Version ") + QString::number(major) + QLatin1Char('.') + QString::number(minor);
    if (revision != 0)
        text += QLatin1Char('.') + QString::number(revision);
    return text;
}

void frmSplash::Form_Load()
{
    setMousePointer(vb::vbHourglass);
    setWindowIcon(QIcon());
    lblTitle[1]->setText(vb::App::Title());
    lblVersion->setText(versionText(vb::App::Major(), vb::App::Minor(), vb::App::Revision()));
    // The timer counts from the load, as a design-time enabled timer does.
    Timer1.start();
    setMousePointer(vb::vbDefault);
}

void frmSplash::Form_Resize()
{
    setMousePointer(vb::vbArrowHourglass);
    centreOnScreen();
    setMousePointer(vb::vbDefault);
}

void frmSplash::Timer1_Timer()
{
    setMousePointer(vb::vbHourglass);
    Timer1.stop();
    Hide();
    frmSplashInstance().release();
    vb::Unload(this);
    StartProgram();
    // The window is deleted later, once control is back in the event loop.
    setMousePointer(vb::vbDefault);
}

vb::DefaultInstance<frmSplash>& frmSplashInstance()
{
    static vb::DefaultInstance<frmSplash> instance;
    return instance;
}
