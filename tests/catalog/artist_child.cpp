// Adds, renames or deletes an artist in the catalogue of the folder given as
// its first argument, for the tests that kill it part-way through:
//
//   artist_child <folder> add|rename|delete --kill-at N
//
// add makes the artist Bob, rename renames Ella to Bob, delete deletes Ella.
// The process kills itself just before its Nth call that writes, flushes,
// shortens or removes a file; with N beyond the last one it finishes and
// prints "ok" or "failed", after a line for each message box.

#include "catalog/ArtistAccounts.h"
#include "jet/Engine.h"
#include "jet/Workgroup.h"
#include "tests/support/FileStepKill.h"
#include "vb/App.h"
#include "vb/MsgBox.h"

#include <QCoreApplication>
#include <QDir>

#include <sys/types.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// SQLite also reaches the files through these (fsync, fdatasync and unlink: FileStepKill).
extern "C" ssize_t pwrite64(int fd, const void* buffer, size_t count, off64_t offset)
{
    static const auto real = filestep::next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
    filestep::step();
    return real(fd, buffer, count, offset);
}

extern "C" int ftruncate64(int fd, off64_t length)
{
    static const auto real = filestep::next<int (*)(int, off64_t)>("ftruncate64");
    filestep::step();
    return real(fd, length);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 5 || std::strcmp(argv[3], "--kill-at") != 0) {
        std::fprintf(stderr, "usage: %s <program folder> add|rename|delete --kill-at N\n", argv[0]);
        return 2;
    }
    filestep::killAt = std::atoi(argv[4]);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    vb::App::setPath(folder);
    jet::DBEngine::setSystemDB(QDir(folder).filePath(QStringLiteral("records.mdw")));
    jet::DBEngine::setDefaultUser(jet::workgroup::kProgramUser);
    jet::DBEngine::setDefaultPassword(jet::workgroup::kProgramPassword);
    vb::setMsgBoxResponder([](const vb::MsgBoxCall& call) {
        std::printf("box %s: %s\n", call.title.toUtf8().constData(), call.prompt.toUtf8().constData());
        return static_cast<int>(vb::vbOK);
    });

    CatalogEntry ella;
    ella.Level = Level::Artist;
    ella.Artist = QStringLiteral("Ella");
    const char* operation = argv[2];
    bool ok = false;
    if (std::strcmp(operation, "add") == 0) {
        bool userAdded = false;
        AddArtist(QStringLiteral("Bob"), userAdded, ok);
    } else if (std::strcmp(operation, "rename") == 0) {
        RenameArtist(ella, QStringLiteral("Bob"), ok);
    } else if (std::strcmp(operation, "delete") == 0) {
        DeleteArtist(ella, false, ok);
    } else {
        std::fprintf(stderr, "unknown operation %s\n", operation);
        return 2;
    }
    std::printf("%s\n", ok ? "ok" : "failed");
    return ok ? 0 : 1;
}
