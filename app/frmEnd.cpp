#include "app/frmEnd.h"

#include "help/Help.h"
#include "jet/Engine.h"
#include "sound/Sound.h"
#include "vb/App.h"
#include "vb/MousePointer.h"
#include "vb/Runtime.h"
#include "vb/Twips.h"

#include <QFileInfo>
#include <QIcon>
#include <QLabel>

#include <exception>

namespace {

std::function<void()>& workspaceCloser()
{
    static std::function<void()> closer;
    return closer;
}

// Every step of the exit ignores its own failure: nothing may stop the program
// from ending.
template <typename Step>
void skipOnFailure(Step step)
{
    try {
        step();
    } catch (const std::exception&) {
    }
}

} // namespace

void frmEnd::setWorkspaceCloser(std::function<void()> closer)
{
    workspaceCloser() = std::move(closer);
}

frmEnd::frmEnd(QWidget* parent) : vb::Form(parent)
{
    setObjectName(QStringLiteral("frmEnd"));
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setFixedSize(vb::twipsToPixelsX(4800), vb::twipsToPixelsY(3600));
    picZavroSing = new QLabel(this);
    picZavroSing->setObjectName(QStringLiteral("picZavroSing"));
    picZavroSing->setGeometry(rect());
    picZavroSing->setScaledContents(true);
    picZavroSing->setPixmap(QIcon(QStringLiteral(":/app/images/zavrosing.svg")).pixmap(picZavroSing->size()));
    Timer1.setInterval(3000);
    connect(&Timer1, &QTimer::timeout, this, &frmEnd::Timer1_Timer);
}

void frmEnd::Form_Load()
{
    setMousePointer(vb::vbHourglass);
    // Enabled at design time: the timer counts from the load.
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
    setMousePointer(vb::vbHourglass);
    Timer1.stop();
    // Only the option file's presence counts; its content is never read.
    if (!QFileInfo(vb::App::file(vb::App::EXEName() + QStringLiteral(".snd"))).isFile())
        PlaySoundA(vb::App::file(QStringLiteral("zavro.wav")), 0, SND_FILENAME);
    skipOnFailure([] { jet::DBEngine::setSystemDB(vb::App::file(QStringLiteral("records.mdw"))); });
    skipOnFailure([] {
        if (workspaceCloser())
            workspaceCloser()();
        else
            jet::DBEngine::Workspaces()(0).Close();
    });
    WinHelpA(this, vb::App::HelpFile(), HELP_QUIT, 0);
    Hide();
    frmEndInstance().release();
    vb::Unload(this);
    vb::End();
    // The window is gone (deleted later); nothing may touch it after End.
}

vb::DefaultInstance<frmEnd>& frmEndInstance()
{
    static vb::DefaultInstance<frmEnd> instance;
    return instance;
}
