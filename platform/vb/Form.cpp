#include "vb/Form.h"

#include "vb/MousePointer.h"
#include "vb/Twips.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QPointer>
#include <QResizeEvent>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace vb {

Form::Form(QWidget* parent) : QWidget(parent, Qt::Window) {}

Form::~Form() = default;

void Form::Load()
{
    if (loaded_)
        return;
    loaded_ = true;
    Form_Load();
}

void Form::Show(int modal)
{
    Load();
    if (unloaded_)
        return;
    if (modal != vbModal) {
        show();
        return;
    }
    QPointer<Form> self(this);
    QEventLoop loop;
    connect(this, &Form::unloaded, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    setWindowModality(Qt::ApplicationModal);
    show();
    if (self && !unloaded_)
        loop.exec();
}

void Form::Hide() { hide(); }

int Form::WindowState() const
{
    const Qt::WindowStates s = windowState();
    if (s & Qt::WindowMinimized)
        return vbMinimized;
    if (s & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return vbMaximized;
    return vbNormal;
}

std::int32_t Form::Left() const { return pixelsToTwipsX(frameGeometry().x()); }
std::int32_t Form::Top() const { return pixelsToTwipsY(frameGeometry().y()); }
std::int32_t Form::Width() const { return pixelsToTwipsX(frameGeometry().width()); }
std::int32_t Form::Height() const { return pixelsToTwipsY(frameGeometry().height()); }
std::int32_t Form::ScaleWidth() const { return pixelsToTwipsX(width()); }
std::int32_t Form::ScaleHeight() const { return pixelsToTwipsY(height()); }

void Form::Move(double left, double top) { move(twipsToPixelsX(left), twipsToPixelsY(top)); }

void Form::Move(double left, double top, double width, double height)
{
    move(twipsToPixelsX(left), twipsToPixelsY(top));
    // The outer size includes the frame; keep the frame's share out of the inner size.
    const int frameW = frameGeometry().width() - QWidget::width();
    const int frameH = frameGeometry().height() - QWidget::height();
    resize(std::max(0, twipsToPixelsX(width) - frameW), std::max(0, twipsToPixelsY(height) - frameH));
}

void Form::setMousePointer(int pointer) { vb::setMousePointer(this, pointer); }
int Form::MousePointer() const { return vb::mousePointer(this); }

void Form::centreOnScreen()
{
    if (WindowState() != vbNormal)
        return;
    Move((ScreenWidth() - Width()) / 2.0, (ScreenHeight() - Height()) / 2.0);
    centreWhenFramed_ = !framed_;
}

namespace {
// True when the margins describe a frame around the window. While the window
// manager is still making its frame (reparented into a frame of 1 x 1 pixels,
// say), the margins reported can be negative on the right and at the bottom.
bool framesTheWindow(const QMargins& margins)
{
    return !margins.isNull() && margins.left() >= 0 && margins.top() >= 0 && margins.right() >= 0
           && margins.bottom() >= 0;
}

// Tells its form once the window system has framed the form's window: its
// frame margins are known from then on. A window system that draws no frame
// never tells, and then the inner size is the outer size anyway.
class FrameWatch : public QObject {
public:
    FrameWatch(QWindow* window, std::function<void()> framed) : QObject(window), framed_(std::move(framed))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = static_cast<QWindow*>(watched);
        const bool placed = event->type() == QEvent::Expose || event->type() == QEvent::Move
                            || event->type() == QEvent::Resize;
        if (placed && window->isVisible() && framesTheWindow(window->frameMargins())) {
            window->removeEventFilter(this);
            deleteLater();
            // After the window has handled the event, so that the form's own
            // frame geometry holds these margins too.
            QTimer::singleShot(0, window, framed_);
        }
        return false;
    }

private:
    std::function<void()> framed_;
};
} // namespace

void Form::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!framed_ && windowHandle() && !windowHandle()->findChild<FrameWatch*>(QString(), Qt::FindDirectChildrenOnly))
        new FrameWatch(windowHandle(), [self = QPointer<Form>(this)] {
            if (self)
                self->framed();
        });
}

void Form::framed()
{
    framed_ = true;
    if (centreWhenFramed_) {
        centreWhenFramed_ = false;
        centreOnScreen();
    }
}

void Form::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (loaded_ && !unloaded_)
        Form_Resize();
}

void Form::closeEvent(QCloseEvent* event)
{
    if (unloaded_ || inUnload_) {
        event->accept();
        return;
    }
    if (runUnload())
        event->accept();
    else
        event->ignore();
}

bool Form::runUnload()
{
    if (unloaded_)
        return true;
    inUnload_ = true;
    int cancel = 0;
    QPointer<Form> self(this);
    if (loaded_)
        Form_Unload(cancel);
    if (!self)
        return true;
    inUnload_ = false;
    if (cancel != 0)
        return false;
    unloaded_ = true;
    hide();
    emit unloaded();
    deleteLater();
    return true;
}

void Form::registerControl(QObject* control, ControlKind kind)
{
    if (!control)
        return;
    for (const FormControl& c : controls_)
        if (c.object == control)
            return;
    controls_.push_back(FormControl{control, kind});
}

void Unload(Form* form)
{
    if (form && !form->inUnload_)
        form->runUnload();
}

} // namespace vb
