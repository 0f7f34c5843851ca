#include "bench/ArtistRows.h"

#include "bench/BenchWindow.h"
#include "bench/PlainSqlite.h"

#include "app/CatalogFunctions.h"
#include "catalog/ArtistAccounts.h"
#include "catalog/DataAccess.h"
#include "catalog/NameRules.h"
#include "catalog/ProgramState.h"
#include "dialogs/frmAddArtist.h"
#include "jet/CatalogFiles.h"
#include "vb/App.h"
#include "vb/MsgBox.h"
#include "vb/TextBox.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

constexpr int kRuns = 5;
constexpr int kRecordsOfArtist = 10;
constexpr int kSongsOfRecord = 11;

// Median of `runs` calls of each body after one warm-up call each; every body
// times itself (its set-up left out) and returns milliseconds. The bodies take
// turns, so that a busy spell of the machine falls on all of them alike.
std::vector<double> medianOfTimed(int runs, const std::vector<std::function<double()>>& bodies)
{
    std::vector<std::vector<double>> times(bodies.size());
    for (const auto& body : bodies)
        body();
    for (int i = 0; i < runs; ++i)
        for (std::size_t b = 0; b < bodies.size(); ++b)
            times[b].push_back(bodies[b]());
    std::vector<double> medians;
    for (auto& t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t[t.size() / 2]);
    }
    return medians;
}

// The answers the commands' boxes get, in order, each for the title it expects.
class Answers {
public:
    Answers()
    {
        vb::setMsgBoxResponder([this](const vb::MsgBoxCall& call) {
            if (!queue_.empty() && queue_.front().first == call.title) {
                const int answer = queue_.front().second;
                queue_.pop_front();
                return answer;
            }
            ++unexpected_;
            std::fprintf(stderr, "Unexpected message box \"%s\": %s\n", call.title.toLocal8Bit().constData(),
                         call.prompt.toLocal8Bit().constData());
            return static_cast<int>(vb::vbOK);
        });
    }
    void expect(const QString& title, int answer) { queue_.emplace_back(title, answer); }
    int unexpected() const { return unexpected_ + static_cast<int>(queue_.size()); }

private:
    std::deque<std::pair<QString, int>> queue_;
    int unexpected_ = 0;
};

QString workgroupPath() { return QDir(vb::App::Path()).filePath(jet::kWorkgroupFileName); }

// The catalogue with the workgroup file attached as "wg", opened for one
// action as the engine opens both for one artist change.
struct PlainBoth {
    PlainSqlite sql{DatabasePath(), true};
    PlainBoth() { sql.run("ATTACH DATABASE ?1 AS wg", {workgroupPath()}); }
};

// The account rows of an artist as the engine writes them: a salt and the
// salted hash of the password.
void plainAddAccount(PlainSqlite& sql, const QString& name)
{
    QByteArray salt(16, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), salt.size() / 4);
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(salt);
    h.addData(ArtistAccount::Password.toUtf8());
    sql.run("INSERT INTO wg.accounts (name, pid, is_group, can_logon, salt, hash) VALUES (?1, ?2, 0, 1, ?3, ?4)",
            {name, ArtistAccount::PID, QString::fromLatin1(salt.toHex()), QString::fromLatin1(h.result().toHex())});
    sql.run("INSERT INTO wg.memberships (user, grp) VALUES (?1, ?2)", {name, ArtistAccount::Group});
}

void plainRemoveAccount(PlainSqlite& sql, const QString& name)
{
    sql.run("DELETE FROM wg.memberships WHERE user = ?1 OR grp = ?1", {name});
    sql.run("DELETE FROM wg.accounts WHERE name = ?1", {name});
}

// An artist with its account, its artist-only row and ten records of eleven
// songs each, made outside the measured time.
void makeArtistWithRecords(const QString& name)
{
    PlainBoth both;
    both.sql.exec("BEGIN");
    plainAddAccount(both.sql, name);
    both.sql.run("INSERT INTO records (Artist) VALUES (?1)", {name});
    for (int r = 0; r < kRecordsOfArtist; ++r) {
        const QString record = QStringLiteral("Bench Record %1").arg(r + 1);
        both.sql.run("INSERT INTO records (Artist, Record_Name, Record_Type, Record_Category, Label_Name, Label_Number, "
                     "Record_Condition, Sleeve_Condition, Record_Date, Book_Value, Quantity) "
                     "VALUES (?1, ?2, '33-LP', 'Jazz', 'Verve', 'V-6001', 'Good', 'Fair', 23000, 12.5, 1)",
                     {name, record});
        for (int s = 0; s < kSongsOfRecord; ++s)
            both.sql.run("INSERT INTO songs (Artist, Record_Name, Song_Title) VALUES (?1, ?2, ?3)",
                         {name, record, QStringLiteral("Bench Song %1").arg(s + 1)});
    }
    both.sql.exec("COMMIT");
}

// The rows and account of an artist, whatever the routines measured left.
void removeArtist(const QString& name)
{
    PlainBoth both;
    both.sql.exec("BEGIN");
    both.sql.run("DELETE FROM records WHERE Artist = ?1", {name});
    both.sql.run("DELETE FROM songs WHERE Artist = ?1", {name});
    plainRemoveAccount(both.sql, name);
    both.sql.exec("COMMIT");
}

// An artist of the catalogue with exactly ten records whose name the tree's
// rename accepts, so that it can be renamed there and back.
QString artistWithTenRecords()
{
    PlainSqlite plain(DatabasePath(), false);
    const QStringList names = plain.column(
        "SELECT Artist FROM records WHERE Record_Name IS NOT NULL GROUP BY Artist HAVING count(*) = 10 LIMIT 500");
    for (const QString& name : names) {
        std::int16_t maximum = 0;
        if (IsValidName(name) && CheckNameLength(name, QStringLiteral("Artist"), maximum) && vb::Trim(name) == name)
            return name;
    }
    return {};
}

bool focusTree(BenchWindow& w)
{
    QApplication::setActiveWindow(&w);
    w.tv1->setFocus(Qt::OtherFocusReason);
    for (int i = 0; i < 100 && QApplication::focusWidget() != w.tv1; ++i)
        QApplication::processEvents();
    return QApplication::focusWidget() == w.tv1;
}

std::optional<bool> within(bool applies, bool ok) { return applies ? std::optional<bool>(ok) : std::nullopt; }

} // namespace

std::vector<TableRow> artistRows(const Size& size)
{
    const bool XL = size.name == QLatin1String("XL");
    std::vector<TableRow> out;
    Answers answers;
    bool allOk = true;
    auto check = [&allOk](bool ok, const char* what) {
        if (!ok)
            std::fprintf(stderr, "%s did not succeed.\n", what);
        allOk = allOk && ok;
    };

    auto* window = openBenchWindow();
    window->PopulateTree();

    // New Artist: the dialog's Save runs UserExists, then AddArtist.
    int added = 0;
    QStringList made;
    const auto newArtist = medianOfTimed(
        kRuns, {[&] {
                    const QString name = QStringLiteral("Bench New %1").arg(++added);
                    made << name;
                    const auto t0 = Clock::now();
                    bool found = true;
                    UserExists(name, found);
                    bool userAdded = false;
                    bool ok = false;
                    if (!found)
                        AddArtist(name, userAdded, ok);
                    const double ms = msSince(t0);
                    check(!found && ok, "New Artist");
                    return ms;
                },
                [&] {
                    const QString name = QStringLiteral("Bench Plain %1").arg(added);
                    made << name;
                    const auto t0 = Clock::now();
                    PlainBoth both;
                    const bool found = !both.sql.column("SELECT name FROM wg.accounts WHERE name = ?1", {name}).isEmpty();
                    both.sql.exec("BEGIN");
                    plainAddAccount(both.sql, name);
                    both.sql.run("INSERT INTO records (Artist) VALUES (?1)", {name});
                    both.sql.exec("COMMIT");
                    const double ms = msSince(t0);
                    check(!found, "Plain New Artist");
                    engineSeesTheFiles();
                    return ms;
                },
                [&] {
                    const QString name = QStringLiteral("Bench Win %1").arg(added);
                    made << name;
                    Clock::time_point t0;
                    QTimer::singleShot(0, [&] {
                        frmAddArtist* dialog = frmAddArtistInstance().peek();
                        if (!dialog)
                            return;
                        dialog->mArtist->setText(name);
                        answers.expect(QStringLiteral("More Data?"), vb::vbNo);
                        t0 = Clock::now();
                        dialog->cmdSave->click();
                    });
                    window->mnuNewArtist_Click();
                    const double ms = msSince(t0);
                    check(artistNode(window->tv1, name) != nullptr, "The New Artist command");
                    return ms;
                }});
    out.push_back({QStringLiteral("New Artist save (UserExists, AddArtist)"), -1, newArtist[0], newArtist[1],
                   XL ? QStringLiteral("<= 2x sqlite") : QString(), within(XL, newArtist[0] <= 2 * newArtist[1])});
    out.push_back({QStringLiteral("  window: Save, No, to the tree rebuilt"), -1, newArtist[2], newArtist[1],
                   XL ? QStringLiteral("<= 150 ms") : QString(), within(XL, newArtist[2] <= 150)});
    for (const QString& name : made)
        removeArtist(name);

    // Rename in place, there and back, of an artist with ten records.
    const QString artist = artistWithTenRecords();
    if (artist.isEmpty()) {
        out.push_back({QStringLiteral("rename: no artist with ten records found"), -1, -1, -1, {}, false});
    } else {
        const QString moved = QStringLiteral("Bench Moved");
        QString current = artist;
        auto other = [&] { return current == artist ? moved : artist; };
        const auto rename = medianOfTimed(
            kRuns, {[&] {
                        CatalogEntry entry;
                        entry.Artist = current;
                        entry.Level = Level::Artist;
                        const QString to = other();
                        bool ok = false;
                        const auto t0 = Clock::now();
                        RenameArtist(entry, to, ok);
                        const double ms = msSince(t0);
                        check(ok, "RenameArtist");
                        if (ok)
                            current = to;
                        return ms;
                    },
                    [&] {
                        const QString from = current;
                        const QString to = other();
                        const auto t0 = Clock::now();
                        PlainBoth both;
                        const bool found = !both.sql.column("SELECT name FROM wg.accounts WHERE name = ?1", {to}).isEmpty();
                        both.sql.exec("BEGIN");
                        plainAddAccount(both.sql, to);
                        both.sql.run("INSERT INTO records (Artist) VALUES (?1)", {to});
                        both.sql.run("UPDATE records SET Artist = ?1 WHERE Artist = ?2", {to, from});
                        both.sql.run("UPDATE songs SET Artist = ?1 WHERE Artist = ?2", {to, from});
                        plainRemoveAccount(both.sql, from);
                        both.sql.exec("COMMIT");
                            const double ms = msSince(t0);
                        check(!found, "Plain rename");
                        current = to;
                        engineSeesTheFiles();
                        return ms;
                    },
                    [&] {
                        QTreeWidgetItem* node = artistNode(window->tv1, current);
                        check(node != nullptr, "Finding the node to rename");
                        if (!node)
                            return -1.0;
                        window->tv1->setCurrentItem(node);
                        QString to = other();
                        int cancel = 0;
                        const auto t0 = Clock::now();
                        window->tv1_AfterLabelEdit(cancel, to);
                        const double ms = msSince(t0);
                        check(cancel == 0 && artistNode(window->tv1, to) != nullptr, "The in-place rename");
                        if (cancel == 0)
                            current = to;
                        return ms;
                    }});
        out.push_back({QStringLiteral("rename an artist, 10 records (RenameArtist)"), kRecordsOfArtist, rename[0],
                       rename[1], XL ? QStringLiteral("<= 2x sqlite") : QString(),
                       within(XL, rename[0] <= 2 * rename[1])});
        out.push_back({QStringLiteral("  window: Return in the edit to the tree rebuilt"), -1, rename[2], rename[1],
                       XL ? QStringLiteral("<= 150 ms") : QString(), within(XL, rename[2] <= 150)});
        if (current != artist) {
            CatalogEntry entry;
            entry.Artist = current;
            entry.Level = Level::Artist;
            bool ok = false;
            RenameArtist(entry, artist, ok);
            check(ok, "Renaming the artist back");
        }
        // Every rename leaves an artist-only row of the new name behind.
        PlainSqlite plain(DatabasePath(), true);
        plain.run("DELETE FROM records WHERE Artist = ?1 AND Record_Name IS NULL AND rowid <> "
                  "(SELECT min(rowid) FROM records WHERE Artist = ?1 AND Record_Name IS NULL)",
                  {artist});
    }

    // Delete of an artist with ten records (and 110 songs).
    int gone = 0;
    QStringList doomed;
    const auto del = medianOfTimed(
        kRuns, {[&] {
                    const QString name = QStringLiteral("Bench Gone %1").arg(++gone);
                    doomed << name;
                    makeArtistWithRecords(name);
                    engineSeesTheFiles();
                    CatalogEntry entry;
                    entry.Artist = name;
                    entry.Level = Level::Artist;
                    const bool ask = false;
                    bool ok = false;
                    const auto t0 = Clock::now();
                    DeleteArtist(entry, ask, ok);
                    const double ms = msSince(t0);
                    check(ok, "DeleteArtist");
                    return ms;
                },
                [&] {
                    const QString name = QStringLiteral("Bench Drop %1").arg(gone);
                    doomed << name;
                    makeArtistWithRecords(name);
                    const auto t0 = Clock::now();
                    PlainBoth both;
                    const bool found = !both.sql.column("SELECT name FROM wg.accounts WHERE name = ?1", {name}).isEmpty();
                    both.sql.exec("BEGIN");
                    both.sql.run("DELETE FROM records WHERE Artist = ?1", {name});
                    both.sql.run("DELETE FROM songs WHERE Artist = ?1", {name});
                    plainRemoveAccount(both.sql, name);
                    both.sql.exec("COMMIT");
                    const double ms = msSince(t0);
                    check(found, "Plain delete");
                    engineSeesTheFiles();
                    return ms;
                },
                [&] {
                    const QString name = QStringLiteral("Bench Wipe %1").arg(gone);
                    doomed << name;
                    makeArtistWithRecords(name);
                    engineSeesTheFiles();
                    window->PopulateTree();
                    QTreeWidgetItem* node = artistNode(window->tv1, name);
                    check(node != nullptr && focusTree(*window), "Selecting the node to delete");
                    if (node)
                        window->tv1->setCurrentItem(node);
                    answers.expect(QStringLiteral("Confirm Folder Owner Delete"), vb::vbYes);
                    const auto t0 = Clock::now();
                    window->mnuDelete_Click();
                    const double ms = msSince(t0);
                    check(artistNode(window->tv1, name) == nullptr, "The Delete command");
                    return ms;
                }});
    out.push_back({QStringLiteral("delete an artist, 10 records (DeleteArtist)"), kRecordsOfArtist, del[0], del[1],
                   XL ? QStringLiteral("<= 2x sqlite") : QString(), within(XL, del[0] <= 2 * del[1])});
    out.push_back({QStringLiteral("  window: Yes to the tree rebuilt"), -1, del[2], del[1],
                   XL ? QStringLiteral("<= 150 ms") : QString(), within(XL, del[2] <= 150)});
    for (const QString& name : doomed)
        removeArtist(name);

    delete window;
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (!allOk || answers.unexpected() > 0)
        out.push_back({QStringLiteral("  artist commands: a step failed or a box was unexpected"), -1, -1, -1, {}, false});
    return out;
}

} // namespace bench
