// Compacts the catalogue in the folder given as its argument over and over,
// one line on standard output after each round, until it is killed. The
// maintenance tests kill it at arbitrary moments of a compaction.

#include "catalog/Maintenance.h"
#include "vb/App.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <program folder>\n", argv[0]);
        return 2;
    }
    vb::App::setPath(QString::fromLocal8Bit(argv[1]));
    // Bounded, so a parent that never kills it does not leave it running.
    for (int round = 0; round < 100000; ++round) {
        QString message;
        const bool ok = CompactDatabaseFile(QStringLiteral("records"), message);
        std::printf("%s %s\n", ok ? "ok" : "failed", message.toUtf8().constData());
        std::fflush(stdout);
        if (!ok)
            return 1;
    }
    return 0;
}
