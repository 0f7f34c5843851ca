// Compacts the catalogue in the folder given as its first argument, one line
// on standard output after each round, for the maintenance tests that kill it
// part-way through a compaction.
//
//   compact_child <folder>               rounds over and over until killed
//   compact_child <folder> --kill-at N   one round, in which the process kills
//                                        itself just before its Nth call of
//                                        fsync, fdatasync, rename or unlink
//   compact_child <folder> --fail-rename one round in which every rename fails
//   compact_child <folder> --repair --kill-at N
//                                        the same for one repair

#include "catalog/Maintenance.h"
#include "tests/support/FileStepKill.h"
#include "vb/App.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool failRename = false;

} // namespace

// Every caller in the process, SQLite and Qt included, reaches this (and
// fsync, fdatasync and unlink: FileStepKill).
extern "C" int rename(const char* from, const char* to)
{
    static const auto real = filestep::next<int (*)(const char*, const char*)>("rename");
    filestep::step();
    if (failRename) {
        errno = EIO;
        return -1;
    }
    return real(from, to);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool repair = argc == 5 && std::strcmp(argv[2], "--repair") == 0;
    if (repair) {
        argv[2] = argv[3];
        argv[3] = argv[4];
        argc = 4;
    }
    if (argc == 4 && std::strcmp(argv[2], "--kill-at") == 0) {
        filestep::killAt = std::atoi(argv[3]);
    } else if (argc == 3 && std::strcmp(argv[2], "--fail-rename") == 0) {
        failRename = true;
    } else if (argc != 2) {
        std::fprintf(stderr, "usage: %s <program folder> [--kill-at N | --fail-rename | --repair --kill-at N]\n", argv[0]);
        return 2;
    }
    vb::App::setPath(QString::fromLocal8Bit(argv[1]));
    // Bounded, so a parent that never kills it does not leave it running.
    const int rounds = filestep::killAt > 0 || failRename ? 1 : 100000;
    for (int round = 0; round < rounds; ++round) {
        QString message;
        const bool ok = repair ? RepairDatabaseFile(QStringLiteral("records"), message)
                               : CompactDatabaseFile(QStringLiteral("records"), message);
        std::printf("%s %s\n", ok ? "ok" : "failed", message.toUtf8().constData());
        std::fflush(stdout);
        if (!ok)
            return 1;
    }
    return 0;
}
