// Lays out records.mdb and records.mdw in a program folder where they are
// missing. Run by the build and by the install; an existing catalogue is never
// touched, and a workgroup file made beside it gives its artists their accounts.

#include "catalog/ArtistAccounts.h"
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
        jet::createCatalogFilesIfAbsent(folder, ArtistAccount::PID, ArtistAccount::Password);
    } catch (const jet::Error& e) {
        std::fprintf(stderr, "mkcatalog: %s\n", e.Description().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
