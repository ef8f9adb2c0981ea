// The ledger refuses any state that it did not make itself, with a clear
// message, and forgets downloads older than the retention.
#include "download/Downloader.h"
#include "FakePort.h"
#include "download/Ledger.h"
#include "ModelDevice.h"
#include "TerminalModel.h"
#include "terminal/TerminalLink.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vx;
using namespace vx::test;

inline void PrintTo(const QString &text, std::ostream *os) { *os << ::testing::PrintToString(text.toStdString()); }

TEST(Ledger, RefusesStateItDidNotMake)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("vx500"), path = folder + "/ledger.sqlite", other = dir.filePath("other");
    const auto plant = [&](const std::function<void()> &how) {
        QDir(folder).removeRecursively();
        QFile::remove(folder);
        QDir().mkpath(folder);
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        how();
    };
    const auto foreignDatabase = [&] {
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    };
    QList<std::pair<std::function<void()>, QString>> rows = {
        {[&] { ::chmod(QFile::encodeName(folder).constData(), 0777); }, "folder " + folder + ": others may write in it"},
        {[&] { QDir(folder).removeRecursively(), writeFileBytes(folder, ""); }, "folder " + folder + ": not a folder"},
        {[&] { writeFileBytes(other, ""), QFile::link(other, path); }, path + ": not a regular file"},
        {[&] { writeFileBytes(path, QByteArray(4096, 'x')); }, path + ": file is not a database; move it aside to start a new one"},
        {foreignDatabase, path + ": not a ledger of this version of the program; move it aside to start a new one"},
    };
    if (::geteuid() == 0) // another user's folder
        rows.append({[&] { ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 4242, 4242), 0); },
                     "folder " + folder + ": belongs to another user"});
    for (const auto &[how, message] : rows) {
        SCOPED_TRACE(message.toStdString());
        plant(how);
        Ledger ledger;
        EXPECT_FALSE(ledger.open(path));
        EXPECT_EQ(describe(ledger.failure()), "the download ledger" + QString(message.startsWith("folder") ? "'s " : " ") + message);
    }
}

// The ledger and its journal are the user's alone, in a folder closed to
// others, even when the folder was made open beforehand.
TEST(Ledger, IsClosedToOthers)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("vx500");
    ASSERT_TRUE(QDir().mkpath(folder) && ::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
    Ledger ledger;
    ASSERT_TRUE(ledger.open(folder + "/ledger.sqlite"));
    ASSERT_TRUE(ledger.begin() && ledger.addDownload({QDateTime::currentDateTime(), "test", "COM1", "/dev/ttyS0", 0}));
    struct stat journal {};
    ASSERT_EQ(::stat(QFile::encodeName(folder + "/ledger.sqlite-journal").constData(), &journal), 0);
    ledger.rollback();
    for (const auto &[name, mode] : {std::pair{folder, 0700}, {folder + "/ledger.sqlite", 0600}}) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(name).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, mode) << name.toStdString();
    }
    EXPECT_EQ(journal.st_mode & 0777, 0600);
}

// Finished downloads older than the retention are forgotten; a pending one
// never is, whatever its age: the terminal may still hold its records.
TEST(Ledger, ForgetsFinishedDownloadsOlderThanTheRetention)
{
    QTemporaryDir dir;
    Ledger ledger;
    ASSERT_TRUE(ledger.open(dir.filePath("vx500/ledger.sqlite")));
    const QDateTime now = QDateTime::currentDateTime();
    ASSERT_TRUE(ledger.begin());
    for (int daysAgo : {400, 100, 91, 89, 0}) {
        const auto id = ledger.addDownload({now.addDays(-daysAgo), "test", "COM1", "/dev/ttyS0", 0});
        ASSERT_TRUE(id && ledger.finish(*id, daysAgo == 400, false, Ending::Complete, "not cleared", false));
    }
    ASSERT_TRUE(ledger.prune(now.addDays(-90)) && ledger.commit());
    const auto left = ledger.history();
    ASSERT_TRUE(left);
    ASSERT_EQ(left->size(), 3);
    EXPECT_EQ(left->at(1).facts.started.daysTo(now), 89);
    EXPECT_EQ(left->at(2).facts.started.daysTo(now), 400);
}

// A ledger of the version before (no ending of its own, a stop counted as
// a failure) is brought up to date when it is opened: each download keeps
// its words, and a stop is a stop.
TEST(Ledger, TakesAnEarlierVersionsLedgerOver)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("vx500/ledger.sqlite");
    ASSERT_TRUE(Ledger().open(path));
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    const char *earlier = "DROP TABLE earlier; ALTER TABLE downloads DROP COLUMN ending; PRAGMA user_version=1;"
                          "INSERT INTO downloads(started, program, port, device, machine, state, failed, cleared, outcome) VALUES"
                          "('2026-01-01T00:00:00.000Z', 'vx500ctl', 'COM1', '/dev/ttyS0', 0, 'stored', 1, 0, 'stopped; the terminal keeps its records'),"
                          "('2026-01-02T00:00:00.000Z', 'vx500ctl', 'COM1', '/dev/ttyS0', 0, 'ended', 1, 0, 'failed: ErrCode: -1, VX_ERR_TIMEOUT'),"
                          "('2026-01-03T00:00:00.000Z', 'vx500ctl', 'COM1', '/dev/ttyS0', 0, 'stored', 0, 1, 'cleared')";
    ASSERT_EQ(sqlite3_exec(db, earlier, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
    Ledger ledger;
    ASSERT_TRUE(ledger.open(path)) << describe(ledger.failure()).toStdString();
    const auto rows = ledger.history();
    ASSERT_TRUE(rows && rows->size() == 3);
    QStringList seen;
    for (const HistoryEntry &e : *rows)
        seen << QString(endingText(e.ending)) + ": " + e.outcome;
    EXPECT_EQ(seen, QStringList({"complete: cleared", "failed: failed: ErrCode: -1, VX_ERR_TIMEOUT",
                                 "stopped: stopped; the terminal keeps its records"}));
}

// An earlier version's FILE.uncleared is noted in the ledger before it is
// removed. A kill in between leaves it beside FILE for the next run, which
// finds the ledger has it: one pending download, whichever run got there.
TEST(Ledger, SideFilesAreNotedOnceThenRemoved)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("VX.txt"), ledgerPath = dir.filePath("state/vx500/ledger.sqlite");
    ASSERT_TRUE(writeFileBytes(file, "x\r\n1,a\r\n2,b\r\n"));
    TerminalLink link(std::make_unique<FakePort>());
    for (int run = 0; run < 2; ++run) { // the second: the files as a kill after the commit leaves them
        ASSERT_TRUE(writeFileBytes(file + ".uncleared", "1,a\r\n2,b\r\n"));
        RecordFile data;
        ASSERT_EQ(data.open(file), RecordFile::Opened::Regular);
        Downloader downloader(link, {});
        ASSERT_TRUE(downloader.prepare(data, ledgerPath)) << describe(downloader.failure()).toStdString();
        EXPECT_FALSE(QFile::exists(file + ".uncleared"));
        const auto pending = downloader.ledger().pending(0);
        ASSERT_TRUE(pending);
        ASSERT_EQ(pending->size(), 1);
        EXPECT_EQ(pending->at(0).records.size(), 2);
        EXPECT_EQ(pending->at(0).records.at(0).offset, 3);
        const auto history = downloader.ledger().history();
        ASSERT_TRUE(history && history->size() == 1);
        EXPECT_TRUE(!history->at(0).cleared && history->at(0).outcome == "not cleared (found beside the data file)");
    }
}

// Another program holds the ledger while the records come: none is stored,
// nothing is cleared, and that is said. Held just after the records were
// stored: the terminal is cleared, but how the download ended cannot be
// noted. That is said (a failure, never a silent success); the next run
// notes it as not known, and the records stay pending.
TEST(Ledger, ALedgerHeldByAnotherProgramIsSaidAndNothingIsLost)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("VX.txt"), ledgerPath = dir.filePath("state/vx500/ledger.sqlite");
    sim::TerminalModel model;
    model.setRecords({"1,a", "2,b"});
    ModelDevice device(model);
    TerminalLink link(std::make_unique<FakePort>(&device));
    DownloadJob job;
    job.clear = true;
    job.now = [] { return QDateTime::currentDateTime().addSecs(-3600); };
    struct Holder : DownloadEvents {
        QString path;
        int atRecord = 0; // else once the records are stored
        sqlite3 *db = nullptr;
        void take()
        {
            sqlite3_open(QFile::encodeName(path).constData(), &db);
            sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        }
        void recordArrived(int number, const QString &) override { number == atRecord ? take() : void(); }
        void streamEnded(const DownloadResult &) override { atRecord ? void() : take(); }
    } early, holder;
    early.path = holder.path = ledgerPath;
    { // held before the records can be noted: none stored, nothing cleared, and said so
        RecordFile data;
        ASSERT_EQ(data.open(file), RecordFile::Opened::Regular);
        Downloader downloader(link, job);
        ASSERT_TRUE(downloader.prepare(data, ledgerPath));
        downloader.ledger().setBusyTimeout(20);
        early.atRecord = 2;
        const DownloadResult r = downloader.run(early);
        EXPECT_TRUE(!r.stored && !r.cleared() && r.storeFailure && describe(*r.storeFailure).endsWith("database is locked"));
        sqlite3_close(early.db);
        EXPECT_EQ(model.records().size(), 2);
    }
    {
        RecordFile data;
        ASSERT_EQ(data.open(file), RecordFile::Opened::Regular);
        Downloader downloader(link, job);
        ASSERT_TRUE(downloader.prepare(data, ledgerPath));
        downloader.ledger().setBusyTimeout(20);
        const DownloadResult r = downloader.run(holder);
        EXPECT_TRUE(r.cleared() && r.stored);
        ASSERT_TRUE(r.ledgerFailure);
        EXPECT_TRUE(describe(*r.ledgerFailure).endsWith("database is locked; how this download ended is not noted: the "
                                                        "next download notes it as not known"))
            << describe(*r.ledgerFailure).toStdString();
    }
    sqlite3_close(holder.db); // its transaction rolled back
    RecordFile data;
    ASSERT_EQ(data.open(file), RecordFile::Opened::Regular);
    Downloader next(link, {});
    ASSERT_TRUE(next.prepare(data, ledgerPath));
    const auto history = next.ledger().history();
    ASSERT_TRUE(history && history->size() == 1);
    EXPECT_EQ(history->at(0).outcome, "not known: the ledger could not be updated after this download; its records stay pending");
    EXPECT_EQ(next.ledger().pending(0)->size(), 1);
    static_cast<FakePort &>(link.port()).advance(50); // the clear's last byte reaches the terminal
    EXPECT_TRUE(model.records().isEmpty());
    // Tampered with by another program: no end noted (stored, and said), or
    // no new file noted (nothing stored, nothing cleared, said).
    for (const char *trigger : {"BEFORE UPDATE OF outcome ON downloads BEGIN SELECT RAISE(ABORT, 'no end')",
                                "BEFORE INSERT ON files BEGIN SELECT RAISE(ABORT, 'no new file')"}) {
        sqlite3 *other = nullptr;
        sqlite3_open(QFile::encodeName(ledgerPath).constData(), &other);
        const QByteArray sql = QByteArray("DROP TRIGGER IF EXISTS no; CREATE TRIGGER no ") + trigger + "; END";
        ASSERT_EQ(sqlite3_exec(other, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        model.setRecords({"3,c"});
        DownloadEvents quiet;
        const DownloadResult r = next.run(quiet);
        const bool noEnd = QByteArray(trigger).contains("no end");
        EXPECT_TRUE(r.stored == noEnd && (noEnd ? r.ledgerFailure && describe(*r.ledgerFailure).contains("no end; how this download ended")
                                                : r.storeFailure && describe(*r.storeFailure).contains("no new file")))
            << trigger;
    }
}
