// Lays out records.mdb and records.mdw in a program folder where they are
// missing. Run by the build; an existing catalogue is never touched.

#include "jet/CatalogFiles.h"
#include "jet/Error.h"

#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkcatalog <program folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    try {
        QDir().mkpath(folder);
        jet::createCatalogFilesIfAbsent(folder);
    } catch (const jet::Error& e) {
        std::fprintf(stderr, "mkcatalog: %s\n", e.Description().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
