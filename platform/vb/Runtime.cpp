#include "vb/Runtime.h"

#include "vb/App.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace vb {

namespace {
std::function<void()>& endHandler()
{
    static std::function<void()> h;
    return h;
}
} // namespace

void DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void End()
{
    if (endHandler()) {
        endHandler()();
        return;
    }
    App::releaseInstanceLock();
    std::fflush(nullptr);
    ::_exit(0);
}

void setEndHandler(std::function<void()> handler) { endHandler() = std::move(handler); }

} // namespace vb
