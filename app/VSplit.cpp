#include "app/VSplit.h"

#include "vb/MousePointer.h"
#include "vb/Twips.h"

#include <QCoreApplication>
#include <QResizeEvent>

std::int32_t Pane::Left() const { return w_ ? vb::pixelsToTwipsX(w_->x()) : 0; }
std::int32_t Pane::Top() const { return w_ ? vb::pixelsToTwipsY(w_->y()) : 0; }
std::int32_t Pane::Width() const { return w_ ? vb::pixelsToTwipsX(w_->width()) : 0; }
std::int32_t Pane::Height() const { return w_ ? vb::pixelsToTwipsY(w_->height()) : 0; }
std::int32_t Pane::ScaleWidth() const { return w_ ? vb::pixelsToTwipsX(w_->contentsRect().width()) : 0; }
std::int32_t Pane::ScaleHeight() const { return w_ ? vb::pixelsToTwipsY(w_->contentsRect().height()) : 0; }
int Pane::MousePointer() const { return w_ ? vb::mousePointer(w_) : 0; }

void Pane::setLeft(double twips)
{
    if (w_)
        w_->move(vb::twipsToPixelsX(twips), w_->y());
}

void Pane::setTop(double twips)
{
    if (w_)
        w_->move(w_->x(), vb::twipsToPixelsY(twips));
}

void Pane::setWidth(double twips)
{
    if (w_ && twips >= 0)
        resizeTo(vb::twipsToPixelsX(twips), w_->height());
}

void Pane::setHeight(double twips)
{
    if (w_ && twips >= 0)
        resizeTo(w_->width(), vb::twipsToPixelsY(twips));
}

void Pane::setMousePointer(int pointer)
{
    if (w_)
        vb::setMousePointer(w_, pointer);
}

void Pane::Move(double left, double top, double width, double height)
{
    if (!w_)
        return;
    w_->move(vb::twipsToPixelsX(left), vb::twipsToPixelsY(top));
    resizeTo(width >= 0 ? vb::twipsToPixelsX(width) : w_->width(),
             height >= 0 ? vb::twipsToPixelsY(height) : w_->height());
}

void Pane::resizeTo(int widthPx, int heightPx)
{
    const QSize old = w_->size();
    const QSize wanted(widthPx, heightPx);
    if (old == wanted)
        return;
    w_->resize(wanted);
    // A hidden widget only gets its Resize when shown; the layout needs it now.
    if (w_ && !w_->isVisible() && w_->size() != old) {
        QResizeEvent event(w_->size(), old);
        QCoreApplication::sendEvent(w_, &event);
    }
}

void VSplit::SetPointer(int pointer) { Pane(host_).setMousePointer(pointer); }

void VSplit::ResizePanes(double delta)
{
    if (!host_ || !left_ || !right_ || !bar_)
        return;
    Pane host(host_), bar(bar_), left(left_), right(right_);
    bar.setTop(0);
    bar.setLeft(bar.Left() + delta);
    bar.setHeight(host.ScaleHeight());
    bar.setWidth(kBarThickness);

    left.setTop(0);
    left.setLeft(0);
    left.setHeight(host.ScaleHeight());
    left.setWidth(bar.Left());

    right.setTop(0);
    right.setLeft(static_cast<double>(bar.Left()) + bar.Width());
    right.setHeight(host.ScaleHeight());
    right.setWidth(static_cast<double>(host.ScaleWidth()) - (static_cast<double>(left.Width()) + bar.Width()));
}
