#include "tests/support/FileStepKill.h"

#include <csignal>

namespace filestep {

int killAt = 0;

namespace {
int steps = 0;
} // namespace

void step()
{
    if (killAt > 0 && ++steps == killAt)
        std::raise(SIGKILL);
}

} // namespace filestep

extern "C" int fsync(int fd)
{
    static const auto real = filestep::next<int (*)(int)>("fsync");
    filestep::step();
    return real(fd);
}

extern "C" int fdatasync(int fd)
{
    static const auto real = filestep::next<int (*)(int)>("fdatasync");
    filestep::step();
    return real(fd);
}

extern "C" int unlink(const char* path)
{
    static const auto real = filestep::next<int (*)(const char*)>("unlink");
    filestep::step();
    return real(path);
}
