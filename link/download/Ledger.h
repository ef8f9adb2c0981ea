// The user's download ledger: one SQLite database that knows, for every
// download, when and from where it came, which records it brought and where
// in which data file each of them is, and whether the terminal was told to
// forget them. It outlives any crash: every change is one transaction,
// synced before commit() returns.
#pragma once

#include "terminal/Failure.h"
#include "download/RecordFile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace vx {

// One record: its line as the data file holds it (CR LF included) and where.
struct LedgerRecord {
    qint64 file = 0;
    qint64 offset = 0;
    QByteArray line;
};

// A download whose records the terminal may still hold: stored in their
// files, but the terminal's clearing of them was not confirmed.
struct PendingDownload {
    qint64 id = 0;
    QList<LedgerRecord> records;
};

// An append that a kill or a power cut interrupted.
struct InterruptedAppend {
    qint64 id = 0;
    FileIdentity file;
    qint64 at = 0;
    QByteArray block;
};

// An append about to be made: the download's records from `at` on in `file`
// (set before), `records` in the download of which `added` are new;
// `continues` the earlier download whose records it begins with (0: none).
struct AppendPlan {
    qint64 download = 0;
    qint64 file = 0;
    qint64 at = 0;
    int records = 0;
    int added = 0;
    qint64 continues = 0;
};

struct DownloadFacts {
    QDateTime started;
    QString program; // "vx500-monitor", "vx500ctl", "vx500ctl watch"
    QString port;    // as the user names it
    QString device;  // what it was opened as
    int machine = 0;
};

// How a download ended: the end of the records arrived (whatever the steps
// after it did), the user stopped it, it failed, or the port could not be
// used, so nothing reached the terminal.
enum class Ending { Complete, Stopped, Failed, NotStarted };
// "complete", "stopped", "failed", "not started": as the ledger and the history's JSON write it.
const char *endingText(Ending ending);

// Records a download received that an earlier one had stored: how many, and
// in which file (in the ledger: its id; in the history: its path).
struct EarlierRecords {
    qint64 file = 0;
    int records = 0;
};
struct EarlierFile {
    QString path;
    int records = 0;
};

struct HistoryEntry {
    qint64 id = 0;
    DownloadFacts facts;
    int records = 0; // received
    int added = 0;   // of them written to `file` by this download
    QString file;
    QList<EarlierFile> earlier; // the others: where they already were
    bool cleared = false;
    Ending ending = Ending::Failed;
    QString outcome;
};

class Ledger {
    Q_DECLARE_TR_FUNCTIONS(vx::Ledger)

public:
    Ledger() = default;
    Ledger(const Ledger &) = delete;
    Ledger &operator=(const Ledger &) = delete;
    ~Ledger();

    // $XDG_STATE_HOME/vx500/ledger.sqlite, or ~/.local/state/vx500/ledger.sqlite.
    static QString defaultPath();
    // Opens (creates) the ledger. Its folder must be the user's own and
    // closed to others, the database a regular file of the user's (no link)
    // and this program's; anything else is a failure, never a guess.
    bool open(const QString &path = defaultPath());
    bool isOpen() const { return m_db != nullptr; }
    const Failure &failure() const { return m_failure; }
    QString path() const { return m_path; }

    // A write transaction: nobody else writes the ledger until commit().
    bool begin();
    bool commit();
    void rollback();
    // Called after every commit (tests take a copy of the database there).
    void setCommitObserver(std::function<void()> observer) { m_observer = std::move(observer); }

    std::optional<qint64> fileId(const FileIdentity &file);
    std::optional<FileIdentity> file(qint64 id);
    std::optional<QList<PendingDownload>> pending(int machine);
    std::optional<QList<InterruptedAppend>> interruptedAppends();

    std::optional<qint64> addDownload(const DownloadFacts &facts);
    bool setRecords(qint64 download, const QList<LedgerRecord> &records);
    // The append is under way; then done: the download is stored, and the
    // one it continues is no longer pending.
    bool startAppend(const AppendPlan &plan);
    bool appendDone(qint64 download, bool keepRecords);
    bool moveRecords(qint64 download, qint64 by); // an append that landed elsewhere
    // An interrupted append that cannot be finished: its file changed. The
    // clear was never sent, so nothing of it is pending.
    bool abandonAppend(qint64 download, const QString &outcome);
    // An interrupted append finished by a later run: the outcome, unless the
    // download had one already (it ended, but its file was not confirmed).
    bool explainInterrupted(qint64 download, const QString &outcome);
    // Downloads stored over ten minutes ago whose end was never noted (the
    // ledger was held by another program then): their outcome is not known;
    // they stay pending.
    bool explainUnfinished();
    // How long a change waits for another program's transaction (10 s).
    void setBusyTimeout(int ms);
    // Where the records are that the download received but did not add.
    bool setEarlier(qint64 download, const QList<EarlierRecords> &earlier);
    // How the download ended; a download no longer pending keeps its
    // records only when keepRecords.
    bool finish(qint64 download, bool pending, bool cleared, Ending ending, const QString &outcome, bool keepRecords);
    // Another download took over the records of a pending one.
    bool supersede(qint64 download, qint64 by, bool keepRecords);

    // Downloads newest first, since `since` (UTC) when valid, of `port` when not empty.
    std::optional<QList<HistoryEntry>> history(const QDateTime &since = {}, const QString &port = {});
    // Forgets downloads started before `before`, but none still pending.
    bool prune(const QDateTime &before);

private:
    class Statement;
    bool fail(const QString &what);
    bool exec(const char *sql);
    bool checkFolder(const QString &folder);

    sqlite3 *m_db = nullptr;
    QString m_path;
    Failure m_failure;
    std::function<void()> m_observer;
};

} // namespace vx
