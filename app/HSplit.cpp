#include "app/HSplit.h"

void HSplit::SetPointer(int pointer) { Pane(host_).setMousePointer(pointer); }

void HSplit::ResizePanes(double delta)
{
    if (!host_ || !top_ || !bottom_ || !bar_)
        return;
    Pane host(host_), bar(bar_), top(top_), bottom(bottom_);
    bar.setLeft(0);
    bar.setTop(bar.Top() + delta);
    bar.setHeight(kBarThickness);
    bar.setWidth(host.ScaleWidth());

    top.setLeft(0);
    top.setTop(0);
    top.setWidth(host.ScaleWidth());
    top.setHeight(bar.Top());

    bottom.setLeft(0);
    bottom.setTop(static_cast<double>(bar.Top()) + bar.Height());
    bottom.setWidth(host.ScaleWidth());
    bottom.setHeight(static_cast<double>(host.ScaleHeight()) - (static_cast<double>(top.Height()) + bar.Height()));
}
