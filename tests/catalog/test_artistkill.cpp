#include "catalog/ArtistAccounts.h"

#include "support/ArtistSeed.h"
#include "support/CatalogFixture.h"
#include "support/QtPrint.h"

#include "jet/Engine.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace {

using testenv::CatalogFixture;

const QStringList kEngineAccounts = {QStringLiteral("admin"), QStringLiteral("brevlin"), QStringLiteral("Creator"),
                                     QStringLiteral("Engine")};

using testenv::seedEllaAndMiles;

// What both files hold: the artist accounts, then the rows of both tables.
struct State {
    QStringList accounts;
    QStringList artists;
    QStringList rows;
    bool operator==(const State&) const = default;
};

void PrintTo(const State& s, std::ostream* os)
{
    *os << "accounts " << s.accounts.join(", ").toStdString() << "; rows " << s.rows.join(", ").toStdString();
}

State stateOf(const CatalogFixture& cat)
{
    State s;
    const jet::Users users = jet::DBEngine::Workspaces()(0).Users();
    for (int i = 0; i < users.Count(); ++i)
        if (!kEngineAccounts.contains(users.Item(i).Name()))
            s.accounts << users.Item(i).Name();
    s.accounts.sort();
    s.artists = cat.rows(QStringLiteral("select distinct [Artist] from records order by [Artist]"));
    s.rows = cat.rows(QStringLiteral("select [Artist], [Record_Name] from records order by [Artist], [Record_Name]"))
        + cat.rows(QStringLiteral("select [Artist], [Song_Title] from songs order by [Artist]"));
    return s;
}

const State kSeeded{{"Ella", "Miles"}, {"Ella", "Miles"}, {"Ella|<Null>", "Ella|Blue", "Miles|<Null>", "Ella|Angel Eyes"}};

// Each change of an artist, killed just before each step that puts something
// on disk, leaves both files as they were before it or as they are after it,
// with every artist's account and no account without its artist.
void killAtEachFileStep(const char* operation, const State& after)
{
    CatalogFixture cat;
    seedEllaAndMiles(cat);
    ASSERT_EQ(stateOf(cat), kSeeded);
    jet::DBEngine::Workspaces()(0).Close();
    QTemporaryDir seeded;
    const QDir folder(cat.folder());
    for (const QString& file : folder.entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(folder.filePath(file), QDir(seeded.path()).filePath(file)));

    int killedBefore = 0;
    int killedAfter = 0;
    bool finished = false;
    for (int step = 1; step < 400 && !finished; ++step) {
        SCOPED_TRACE(step);
        for (const QString& file : folder.entryList(QDir::Files))
            ASSERT_TRUE(QFile::remove(folder.filePath(file)));
        for (const QString& file : QDir(seeded.path()).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(QDir(seeded.path()).filePath(file), folder.filePath(file)));

        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(ARTIST_CHILD), {cat.folder(), operation, "--kill-at", QString::number(step)});
        ASSERT_TRUE(child.waitForFinished(10000));
        const QByteArray output = child.readAll();

        const State state = stateOf(cat);
        jet::DBEngine::Workspaces()(0).Close();
        EXPECT_EQ(state.accounts, state.artists);
        if (child.exitStatus() == QProcess::NormalExit) {
            EXPECT_EQ(output, "ok\n");
            EXPECT_EQ(state, after);
            finished = true;
        } else if (state == after) {
            ++killedAfter;
        } else {
            EXPECT_EQ(state, kSeeded);
            ++killedBefore;
        }
    }
    EXPECT_TRUE(finished);
    // Kills on both sides of the moment the change commits.
    EXPECT_GE(killedBefore, 5);
    EXPECT_GE(killedAfter, 1);
}

TEST(ArtistKillTest, AnAddKilledAtAnyFileStepLeavesBothFilesBeforeOrAfterIt)
{
    killAtEachFileStep("add", {{"Bob", "Ella", "Miles"},
                               {"Bob", "Ella", "Miles"},
                               {"Bob|<Null>", "Ella|<Null>", "Ella|Blue", "Miles|<Null>", "Ella|Angel Eyes"}});
}

TEST(ArtistKillTest, ARenameKilledAtAnyFileStepLeavesBothFilesBeforeOrAfterIt)
{
    killAtEachFileStep("rename", {{"Bob", "Miles"},
                                  {"Bob", "Miles"},
                                  {"Bob|<Null>", "Bob|<Null>", "Bob|Blue", "Miles|<Null>", "Bob|Angel Eyes"}});
}

TEST(ArtistKillTest, ADeleteKilledAtAnyFileStepLeavesBothFilesBeforeOrAfterIt)
{
    killAtEachFileStep("delete", {{"Miles"}, {"Miles"}, {"Miles|<Null>"}});
}

} // namespace
