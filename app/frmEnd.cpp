#include "app/frmEnd.h"

#include "vb/MousePointer.h"
#include "vb/Runtime.h"
#include "vb/Twips.h"

#include <QLabel>

frmEnd::frmEnd(QWidget* parent) : vb::Form(parent)
{
    setObjectName(QStringLiteral("frmEnd"));
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setFixedSize(vb::twipsToPixelsX(4800), vb::twipsToPixelsY(3600));
    picZavroSing = new QLabel(this);
    picZavroSing->setObjectName(QStringLiteral("picZavroSing"));
    picZavroSing->setGeometry(rect());
    Timer1.setInterval(3000);
    connect(&Timer1, &QTimer::timeout, this, &frmEnd::Timer1_Timer);
}

void frmEnd::Form_Load()
{
    setMousePointer(vb::vbHourglass);
    Timer1.start();
    setMousePointer(vb::vbDefault);
}

void frmEnd::Form_Resize()
{
    setMousePointer(vb::vbHourglass);
    centreOnScreen();
    setMousePointer(vb::vbDefault);
}

void frmEnd::Timer1_Timer()
{
    Timer1.stop();
    Hide();
    frmEndInstance().release();
    vb::Unload(this);
    vb::End();
}

vb::DefaultInstance<frmEnd>& frmEndInstance()
{
    static vb::DefaultInstance<frmEnd> instance;
    return instance;
}
