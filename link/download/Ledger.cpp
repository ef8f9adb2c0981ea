#include "download/Ledger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVariant>

#include <cerrno>
#include <cstring>
#include <sqlite3.h>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_WIN
#include <QStandardPaths>
#else
#include <unistd.h>
#endif
#include <utility>

namespace vx {

namespace {

// "VX50": a database that carries another id is not ours to change.
constexpr int kApplicationId = 0x56583530;
constexpr int kSchemaVersion = 2;

const char *const kSchema = R"(
CREATE TABLE files(
  id INTEGER PRIMARY KEY,
  path TEXT NOT NULL,
  device INTEGER NOT NULL,
  inode INTEGER NOT NULL,
  UNIQUE(path, device, inode));
CREATE TABLE downloads(
  id INTEGER PRIMARY KEY,
  started TEXT NOT NULL,
  program TEXT NOT NULL,
  port TEXT NOT NULL,
  device TEXT NOT NULL,
  machine INTEGER NOT NULL,
  file INTEGER REFERENCES files(id),
  records INTEGER NOT NULL DEFAULT 0,
  added INTEGER NOT NULL DEFAULT 0,
  state TEXT NOT NULL DEFAULT 'receiving',
  pending INTEGER NOT NULL DEFAULT 0,
  cleared INTEGER NOT NULL DEFAULT 0,
  failed INTEGER NOT NULL DEFAULT 0,
  outcome TEXT NOT NULL DEFAULT '',
  continues INTEGER,
  append_at INTEGER,
  append_block BLOB);
CREATE INDEX downloads_pending ON downloads(machine) WHERE pending;
CREATE INDEX downloads_started ON downloads(started);
CREATE TABLE records(
  download INTEGER NOT NULL REFERENCES downloads(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  file INTEGER NOT NULL REFERENCES files(id),
  offset INTEGER NOT NULL,
  line BLOB NOT NULL,
  PRIMARY KEY(download, seq)) WITHOUT ROWID;
)";

// Version 2: how each download ended (`failed` of version 1 is read once,
// then no longer kept), and where the records are that it received but an
// earlier download had stored.
const char *const kSchema2 = R"(
ALTER TABLE downloads ADD COLUMN ending TEXT NOT NULL DEFAULT '';
UPDATE downloads SET ending = CASE WHEN failed = 0 THEN 'complete' WHEN outcome LIKE 'stopped%' THEN 'stopped'
  ELSE 'failed' END WHERE state <> 'receiving' AND state <> 'appending';
CREATE TABLE earlier(
  download INTEGER NOT NULL REFERENCES downloads(id) ON DELETE CASCADE,
  file INTEGER NOT NULL REFERENCES files(id),
  records INTEGER NOT NULL,
  PRIMARY KEY(download, file)) WITHOUT ROWID;
)";

Ending endingOf(const QString &text)
{
    for (Ending e : {Ending::Complete, Ending::Stopped, Ending::NotStarted})
        if (text == QLatin1String(endingText(e)))
            return e;
    return Ending::Failed;
}

QString timeText(const QDateTime &t) { return t.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'")); }

} // namespace

const char *endingText(Ending ending)
{
    switch (ending) {
    case Ending::Complete: return "complete";
    case Ending::Stopped: return "stopped";
    case Ending::Failed: return "failed";
    case Ending::NotStarted: return "not started";
    }
    return "failed";
}

// One prepared statement, finalized when it goes out of scope.
class Ledger::Statement {
public:
    Statement(Ledger &ledger, const char *sql) : m_ledger(ledger)
    {
        if (sqlite3_prepare_v2(ledger.m_db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            m_ok = ledger.fail(QStringLiteral("prepare"));
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement &bind(qint64 v) { return check(sqlite3_bind_int64(m_stmt, ++m_index, v)); }
    Statement &bind(const QString &v)
    {
        const QByteArray utf8 = v.toUtf8();
        return check(sqlite3_bind_text(m_stmt, ++m_index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
    }
    Statement &bind(const QByteArray &v)
    {
        return check(sqlite3_bind_blob64(m_stmt, ++m_index, v.constData(), sqlite3_uint64(v.size()), SQLITE_TRANSIENT));
    }
    Statement &bind(const QVariant &) { return check(sqlite3_bind_null(m_stmt, ++m_index)); }
    Statement &reset()
    {
        sqlite3_reset(m_stmt);
        m_index = 0;
        return *this;
    }
    // True for each row; false at the end or on a failure (ok() tells).
    bool next()
    {
        if (!m_ok)
            return false;
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            m_ok = m_ledger.fail(QStringLiteral("step"));
        return false;
    }
    bool run() { return next(), m_ok; }
    bool ok() const { return m_ok; }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }
    QString text(int column) const
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column)),
                                 sqlite3_column_bytes(m_stmt, column));
    }
    QByteArray blob(int column) const
    {
        const void *data = sqlite3_column_blob(m_stmt, column);
        return QByteArray(static_cast<const char *>(data), data ? sqlite3_column_bytes(m_stmt, column) : 0);
    }

private:
    Statement &check(int rc)
    {
        if (m_ok && rc != SQLITE_OK)
            m_ok = m_ledger.fail(QStringLiteral("bind"));
        return *this;
    }
    Ledger &m_ledger;
    sqlite3_stmt *m_stmt = nullptr;
    int m_index = 0;
    bool m_ok = true;
};

Ledger::~Ledger()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

QString Ledger::defaultPath()
{
    // $XDG_STATE_HOME where set; else ~/.local/state, or on Windows
    // %LOCALAPPDATA%, the user's own and not roaming.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
#ifdef Q_OS_WIN
        state = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#else
        state = QDir::homePath() + QStringLiteral("/.local/state");
#endif
    return state + QStringLiteral("/vx500/ledger.sqlite");
}

bool Ledger::fail(const QString &what)
{
    QString words = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : what;
    if (m_db && (sqlite3_errcode(m_db) & 0xff) == SQLITE_NOTADB) // what to do about it
        words += tr("; move it aside to start a new one");
    m_failure = {FailureKind::FileAccess, tr("the download ledger %1: %2").arg(QDir::toNativeSeparators(m_path), words)};
    return false;
}

bool Ledger::exec(const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) == SQLITE_OK)
        return true;
    sqlite3_free(error);
    return fail(QString());
}

// The folder is made private when this program makes it; one it finds must
// already be the user's own and closed to others.
bool Ledger::checkFolder(const QString &folder)
{
    const auto refuse = [&](const QString &why) {
        m_failure = {FailureKind::FileDenied, tr("the download ledger's folder %1: %2").arg(QDir::toNativeSeparators(folder), why)};
        return false;
    };
#ifdef Q_OS_WIN
    // The user's local application data is closed to others by its ACL.
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return refuse(tr("not a folder"));
    if (!QDir().mkpath(folder))
        return refuse(tr("cannot be created"));
    if (info.isSymLink() || info.isJunction())
        return refuse(tr("a link, not a folder"));
    return true;
#else
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        if (errno != ENOENT || !QDir().mkpath(QFileInfo(folder).path()) || ::mkdir(name.constData(), 0700) != 0)
            return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISDIR(st.st_mode))
        return refuse(tr("not a folder"));
    if (st.st_uid != ::geteuid())
        return refuse(tr("belongs to another user"));
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return refuse(tr("others may write in it"));
    // One that others may read or enter (made by hand, say) is closed to them.
    if ((st.st_mode & 077) && ::chmod(name.constData(), st.st_mode & 0700) != 0)
        return refuse(tr("others may read it, and it cannot be closed to them: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))));
    return true;
#endif
}

bool Ledger::open(const QString &path)
{
    if (m_db)
        sqlite3_close_v2(std::exchange(m_db, nullptr));
    m_path = path;
    m_failure = {};
    if (!checkFolder(QFileInfo(path).absolutePath()))
        return false;
#ifdef Q_OS_WIN
    const QByteArray name = path.toUtf8(); // SQLite's name on Windows
    if (const QFileInfo info(path); info.exists() && (!info.isFile() || info.isSymLink())) {
        m_failure = {FailureKind::FileDenied,
                     tr("the download ledger %1: not a regular file").arg(QDir::toNativeSeparators(path))};
        return false;
    }
#else
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) == 0 && (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid())) {
        m_failure = {FailureKind::FileDenied,
                     tr("the download ledger %1: %2")
                         .arg(path, S_ISREG(st.st_mode) ? tr("belongs to another user")
                                                        : tr("not a regular file"))};
        return false;
    }
    // The database is the user's alone (SQLite gives its journals the same
    // mode): made so before SQLite opens it, or closed to others if it was not.
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0 || ::fchmod(fd, 0600) != 0) {
        m_failure = {FailureKind::FileDenied,
                     tr("the download ledger %1: %2").arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno)))};
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::close(fd);
#endif
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(name.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        fail(QString());
        sqlite3_close_v2(std::exchange(m_db, nullptr));
        return false;
    }
    sqlite3_busy_timeout(m_db, 10000);
    sqlite3_extended_result_codes(m_db, 1);
    // A commit is on the disk when it returns (the rollback journal and a
    // full sync): what the ledger says happened, happened.
    if (!exec("PRAGMA foreign_keys=ON; PRAGMA synchronous=FULL; PRAGMA journal_mode=DELETE;")) {
        sqlite3_close_v2(std::exchange(m_db, nullptr));
        return false;
    }
    bool ok = begin();
    Statement ids(*this, "SELECT (SELECT application_id FROM pragma_application_id),"
                         " (SELECT user_version FROM pragma_user_version),"
                         " (SELECT count(*) FROM sqlite_schema)");
    ok = ok && ids.next();
    const qint64 appId = ok ? ids.integer(0) : 0, version = ok ? ids.integer(1) : 0, objects = ok ? ids.integer(2) : 0;
    if (ok && objects == 0) {
        ok = exec(kSchema) && exec(kSchema2)
            && exec(QStringLiteral("PRAGMA application_id=%1; PRAGMA user_version=%2;")
                        .arg(kApplicationId)
                        .arg(kSchemaVersion)
                        .toLatin1()
                        .constData());
    } else if (ok && appId == kApplicationId && version == 1) { // an earlier version's ledger, brought up to date
        ok = exec(kSchema2) && exec(QStringLiteral("PRAGMA user_version=%1;").arg(kSchemaVersion).toLatin1().constData());
    } else if (ok && (appId != kApplicationId || version != kSchemaVersion)) {
        m_failure = {FailureKind::FileAccess,
                     tr("the download ledger %1: not a ledger of this version of the program; move it "
                        "aside to start a new one")
                         .arg(QDir::toNativeSeparators(path))};
        ok = false;
    }
    if (!ok || !commit()) {
        rollback();
        sqlite3_close_v2(std::exchange(m_db, nullptr));
        return false;
    }
    return true;
}

bool Ledger::begin() { return exec("BEGIN IMMEDIATE"); }

bool Ledger::commit()
{
    if (!exec("COMMIT"))
        return false;
    if (m_observer)
        m_observer();
    return true;
}

void Ledger::rollback()
{
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::optional<qint64> Ledger::fileId(const FileIdentity &file)
{
    Statement insert(*this, "INSERT INTO files(path, device, inode) VALUES(?, ?, ?) "
                            "ON CONFLICT DO UPDATE SET path = path RETURNING id");
    insert.bind(file.path).bind(file.device).bind(file.inode);
    if (!insert.next())
        return std::nullopt;
    return insert.integer(0);
}

std::optional<FileIdentity> Ledger::file(qint64 id)
{
    Statement select(*this, "SELECT path, device, inode FROM files WHERE id = ?");
    select.bind(id);
    if (!select.next())
        return std::nullopt;
    return FileIdentity{select.text(0), select.integer(1), select.integer(2)};
}

std::optional<QList<PendingDownload>> Ledger::pending(int machine)
{
    Statement select(*this, "SELECT d.id, r.file, r.offset, r.line FROM downloads d JOIN records r ON r.download = d.id "
                            "WHERE d.pending AND d.machine = ? AND d.state = 'stored' ORDER BY d.id DESC, r.seq");
    select.bind(machine);
    QList<PendingDownload> list;
    while (select.next()) {
        if (list.isEmpty() || list.last().id != select.integer(0))
            list.append(PendingDownload{select.integer(0), {}});
        list.last().records.append({select.integer(1), select.integer(2), select.blob(3)});
    }
    if (!select.ok())
        return std::nullopt;
    return list;
}

std::optional<QList<InterruptedAppend>> Ledger::interruptedAppends()
{
    Statement select(*this, "SELECT d.id, f.path, f.device, f.inode, d.append_at, d.append_block FROM downloads d "
                            "JOIN files f ON f.id = d.file WHERE d.state = 'appending' ORDER BY d.id");
    // The block is the download's records that go to its file from where the
    // append began (a CR LF first when the first one begins two bytes on);
    // an earlier version kept it whole beside them.
    Statement lines(*this, "SELECT r.offset, r.line FROM records r JOIN downloads d ON d.id = r.download "
                           "WHERE r.download = ? AND r.file = d.file AND r.offset >= d.append_at ORDER BY r.seq");
    QList<InterruptedAppend> list;
    while (select.next()) {
        InterruptedAppend a{select.integer(0), {select.text(1), select.integer(2), select.integer(3)}, select.integer(4),
                            select.blob(5)};
        if (select.isNull(5)) {
            lines.reset().bind(a.id);
            while (lines.next())
                a.block += (a.block.isEmpty() && lines.integer(0) == a.at + 2 ? QByteArray("\r\n") : QByteArray()) + lines.blob(1);
            if (!lines.ok())
                return std::nullopt;
        }
        list.append(a);
    }
    if (!select.ok())
        return std::nullopt;
    return list;
}

std::optional<qint64> Ledger::addDownload(const DownloadFacts &facts)
{
    Statement insert(*this, "INSERT INTO downloads(started, program, port, device, machine) VALUES(?, ?, ?, ?, ?) "
                            "RETURNING id");
    insert.bind(timeText(facts.started)).bind(facts.program).bind(facts.port).bind(facts.device).bind(facts.machine);
    if (!insert.next())
        return std::nullopt;
    return insert.integer(0);
}

bool Ledger::setRecords(qint64 download, const QList<LedgerRecord> &records)
{
    Statement insert(*this, "INSERT INTO records(download, seq, file, offset, line) VALUES(?, ?, ?, ?, ?)");
    for (qsizetype i = 0; i < records.size(); ++i)
        if (!insert.reset().bind(download).bind(i).bind(records[i].file).bind(records[i].offset).bind(records[i].line).run())
            return false;
    return insert.ok();
}

bool Ledger::startAppend(const AppendPlan &plan)
{
    // The block is not kept twice: the records hold its lines (interruptedAppends()).
    Statement update(*this, "UPDATE downloads SET file = ?, append_at = ?, append_block = NULL, records = ?, added = ?, "
                            "continues = ?, state = 'appending', pending = 1 WHERE id = ?");
    update.bind(plan.file).bind(plan.at).bind(plan.records).bind(plan.added);
    (plan.continues ? update.bind(plan.continues) : update.bind(QVariant()));
    return update.bind(plan.download).run();
}

bool Ledger::appendDone(qint64 download, bool keepRecords)
{
    Statement update(*this, "UPDATE downloads SET state = 'stored', pending = 1, append_at = NULL, append_block = NULL "
                            "WHERE id = ? RETURNING continues");
    if (!update.bind(download).next())
        return update.ok() && false;
    const qint64 earlier = update.isNull(0) ? 0 : update.integer(0);
    update.next();
    return update.ok() && (earlier == 0 || supersede(earlier, download, keepRecords));
}

bool Ledger::moveRecords(qint64 download, qint64 by)
{
    Statement update(*this, "UPDATE records SET offset = offset + ? WHERE download = ? AND file = "
                            "(SELECT file FROM downloads WHERE id = ?) AND offset >= "
                            "(SELECT append_at FROM downloads WHERE id = ?)");
    Statement at(*this, "UPDATE downloads SET append_at = append_at + ? WHERE id = ?");
    return update.bind(by).bind(download).bind(download).bind(download).run() && at.bind(by).bind(download).run();
}

bool Ledger::abandonAppend(qint64 download, const QString &outcome)
{
    Statement update(*this, "UPDATE downloads SET state = 'ended', pending = 0, ending = 'failed', "
                            "outcome = ?, append_at = NULL, append_block = NULL WHERE id = ?");
    Statement drop(*this, "DELETE FROM records WHERE download = ?");
    return update.bind(outcome).bind(download).run() && drop.bind(download).run();
}

bool Ledger::explainUnfinished()
{
    // One that another program is finishing right now (its steps take
    // seconds) is left alone.
    Statement update(*this, "UPDATE downloads SET ending = 'failed', outcome = 'not known: the ledger could "
                            "not be updated after this download; its records stay pending' "
                            "WHERE state = 'stored' AND outcome = '' AND started < ?");
    return update.bind(timeText(QDateTime::currentDateTimeUtc().addSecs(-600))).run();
}

void Ledger::setBusyTimeout(int ms)
{
    if (m_db)
        sqlite3_busy_timeout(m_db, ms);
}

bool Ledger::explainInterrupted(qint64 download, const QString &outcome)
{
    Statement update(*this, "UPDATE downloads SET outcome = ?, ending = 'failed' WHERE id = ? AND outcome = ''");
    return update.bind(outcome).bind(download).run();
}

bool Ledger::setEarlier(qint64 download, const QList<EarlierRecords> &earlier)
{
    Statement insert(*this, "INSERT INTO earlier(download, file, records) VALUES(?, ?, ?)");
    for (const EarlierRecords &e : earlier)
        if (!insert.reset().bind(download).bind(e.file).bind(e.records).run())
            return false;
    return insert.ok();
}

bool Ledger::finish(qint64 download, bool pending, bool cleared, Ending ending, const QString &outcome, bool keepRecords)
{
    Statement update(*this, "UPDATE downloads SET pending = ?, cleared = ?, ending = ?, outcome = ?, "
                            "state = CASE state WHEN 'receiving' THEN 'ended' ELSE state END WHERE id = ?");
    update.bind(pending).bind(cleared).bind(QString::fromLatin1(endingText(ending)));
    if (!update.bind(outcome).bind(download).run())
        return false;
    if (pending || keepRecords)
        return true;
    Statement drop(*this, "DELETE FROM records WHERE download = ?");
    return drop.bind(download).run();
}

bool Ledger::supersede(qint64 download, qint64 by, bool keepRecords)
{
    Statement update(*this, "UPDATE downloads SET pending = 0, outcome = outcome || ? WHERE id = ?");
    if (!update.bind(tr("; continued by download %1").arg(by)).bind(download).run())
        return false;
    if (keepRecords)
        return true;
    Statement drop(*this, "DELETE FROM records WHERE download = ?");
    return drop.bind(download).run();
}

std::optional<QList<HistoryEntry>> Ledger::history(const QDateTime &since, const QString &port)
{
    Statement select(*this, "SELECT d.id, d.started, d.program, d.port, d.device, d.machine, d.records, d.added, "
                            "coalesce(f.path, ''), d.cleared, d.ending, d.outcome FROM downloads d "
                            "LEFT JOIN files f ON f.id = d.file WHERE d.started >= ? AND (? = '' OR d.port = ?) "
                            "ORDER BY d.started DESC, d.id DESC");
    Statement earlier(*this, "SELECT f.path, e.records FROM earlier e JOIN files f ON f.id = e.file "
                             "WHERE e.download = ? ORDER BY f.path");
    select.bind(since.isValid() ? timeText(since) : QString()).bind(port).bind(port);
    QList<HistoryEntry> list;
    while (select.next()) {
        HistoryEntry e;
        e.id = select.integer(0);
        e.facts = {QDateTime::fromString(select.text(1), Qt::ISODateWithMs), select.text(2), select.text(3),
                   select.text(4), int(select.integer(5))};
        e.records = int(select.integer(6));
        e.added = int(select.integer(7));
        e.file = select.text(8);
        e.cleared = select.integer(9) != 0;
        e.ending = endingOf(select.text(10));
        e.outcome = select.text(11);
        earlier.reset().bind(e.id);
        while (earlier.next())
            e.earlier.append({earlier.text(0), int(earlier.integer(1))});
        list.append(e);
    }
    if (!select.ok() || !earlier.ok())
        return std::nullopt;
    return list;
}

bool Ledger::prune(const QDateTime &before)
{
    // A download still pending is kept whatever its age: the terminal may
    // still hold its records, and the next download must not store them again.
    Statement drop(*this, "DELETE FROM downloads WHERE started < ? AND state <> 'appending' AND NOT pending");
    Statement files(*this, "DELETE FROM files WHERE id NOT IN (SELECT file FROM downloads WHERE file IS NOT NULL "
                           "UNION SELECT file FROM records UNION SELECT file FROM earlier)");
    return drop.bind(timeText(before)).run() && files.run();
}

} // namespace vx
