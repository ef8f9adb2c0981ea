// The one download: every record of a terminal into a data file, exactly
// once, then the steps chosen after it. The window, `vx500ctl download` and
// `vx500ctl watch` present what it reports; none of them stores a record
// itself.
//
// Into a regular file (the ledger's way): the records arrive into memory;
// when the stream ends (whole, failed or stopped) those that no earlier
// download already stored are appended to the file as one block, which the
// ledger notes before it is written and marks stored once the file and its
// folder are synced. Only then may the terminal be told to forget them, and
// only when it holds exactly the records of this download. A download whose
// clearing is not confirmed stays pending in the ledger: the next download
// of that machine number that begins with its records, which its file must
// still hold where the ledger says, does not store them again.
//
// Into anything else (a device, a pipe, a terminal): each line as it
// arrives, and never a clear.
#pragma once

#include "terminal/DataFile.h"
#include "terminal/Failure.h"
#include "download/Ledger.h"
#include "download/RecordFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace vx {

class TerminalLink;
struct UnclearedLines;

// The most records a terminal can state in its count; a stream that goes on
// beyond it (or beyond kMaxDownloadBytes) is not a terminal's.
constexpr int kMaxDownloadRecords = 32767;
constexpr qint64 kMaxDownloadBytes = 64 * 1024 * 1024;

struct DownloadJob {
    qint16 machine = 0;
    QString program;  // who downloads, for the history
    QString port;     // as the user names it
    bool clear = false;
    bool updateTime = false;
    bool powerDown = false;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    bool askCount = false;    // the record count first, for a progress out of a total (the tool on a terminal)
    bool keepRecords = false; // the ledger keeps records after they are cleared
    int retentionDays = 90;   // history older than this is forgotten
};

enum class Step { Clear, SetTime, PowerDown };

struct StepResult {
    Step step = Step::Clear;
    enum Outcome {
        Done,     // the terminal confirmed
        Refused,  // the terminal answered with a failure status
        Withheld, // the step was not sent (why)
    } outcome = Done;
    enum Why {
        NotOnDisk,    // the clear: the records went to a device or a pipe
        CountFailed,  // the clear: the record count before it failed
        CountDiffers, // the clear: the terminal holds another number of records
        Stopped,      // a stop was asked for before the step
        PortLost,     // the port failed before the step
    } why = NotOnDisk;
    qint32 status = 0; // the step's status; for CountFailed the count's
    int held = 0;      // CountDiffers: the records the terminal holds
};


struct DownloadResult {
    enum class End {
        Complete,   // the end of the records arrived
        Failed,     // a failure status ended the stream (status)
        Stopped,    // the presenter asked to stop
        TooLong,    // more than a terminal holds
        PortFailed, // the port failed during the stream
        NotStarted, // the port could not be used: nothing reached the terminal (portFailure)
    } end = End::Failed;
    qint32 status = 0;  // the link's status that ended the stream
    int records = 0;    // records that arrived
    int added = 0;      // of them written to the output by this download
    int skipped = 0;    // of them already stored by an earlier download, in `earlier`
    QString file;       // the data file that took the added records (empty: a stream)
    QList<EarlierFile> earlier;
    int unconverted = 0; // records whose first field no 32-bit number holds, written as they came
    bool stored = false; // every record that arrived is in its place (on the disk, for a file)
    bool unconfirmed = false; // written to the file, but the disk did not confirm them
    std::optional<Failure> storeFailure;
    std::optional<Failure> portFailure; // NotStarted: why the port could not be used
    std::optional<Failure> ledgerFailure; // how it ended could not be noted in the ledger (the records are stored)
    QList<StepResult> steps;
    bool cleared() const;
    // The outcome of one chosen step, if it was run or withheld.
    const StepResult *step(Step which) const;
};

// Why a step was not done, after "not cleared: " or the like: the status the
// terminal answered, or why it was not sent; stored: the records of the download.
QString whyNotDone(const StepResult &step, int stored);

// "1 record", "2 records".
QString recordsText(int n);
// Where the records of a stored download are, as the programs and the
// history say it: "5 records received and saved in /data/VX.txt", or
// "5 records received, 3 saved in /data/B.txt, 2 already in /data/A.txt".
QString whereRecordsAre(int received, int added, const QString &file, const QList<EarlierFile> &earlier);
// A download in the history, after its time, port and machine number: where
// its records are and how it ended.
QString historyLine(const HistoryEntry &entry);

// What a presenter shows and answers while a download runs.
class DownloadEvents {
public:
    virtual ~DownloadEvents() = default;
    // The terminal's record count, asked before the records (askCount).
    virtual void totalKnown(int records);
    virtual void recordArrived(int number, const QString &line);
    // The stream is over and what arrived is stored (or why not): before the steps.
    virtual void streamEnded(const DownloadResult &result);
    // Right after each step, while the link still holds its status.
    virtual void stepDone(const StepResult &step);
    // When the records have ended, before the steps: the steps as chosen
    // now (a window's boxes may have changed during the download).
    virtual void chooseSteps(bool &clear, bool &updateTime, bool &powerDown);
    // Asked before each record and each step: end the download there.
    virtual bool stopRequested();
    // True once the holder was told of a port failure: nothing more is sent.
    virtual bool portFailed();
};

// Where the lines of a download go that no disk keeps.
class LineStream {
public:
    virtual ~LineStream() = default;
    virtual bool writeLine(const QString &record) = 0;
    virtual bool flush() = 0;
    virtual Failure failure() const = 0;
};

// A device or a pipe opened as a data file, as a stream.
class DataFileStream : public LineStream {
public:
    explicit DataFileStream(DataFile &file) : m_file(file) {}
    bool writeLine(const QString &record) override { return m_file.writeLine(record); }
    bool flush() override { return m_file.sync(); }
    Failure failure() const override { return m_file.failure(); }

private:
    DataFile &m_file;
};

class Downloader {
    Q_DECLARE_TR_FUNCTIONS(vx::Downloader)

public:
    Downloader(TerminalLink &link, DownloadJob job) : m_link(link), m_job(std::move(job)) {}

    // Into a regular data file, open and locked. Opens the ledger, forgets
    // history older than the retention, finishes appends that a kill
    // interrupted and takes over the file's side files of earlier versions.
    // False (failure()) when any of it fails: nothing was sent.
    bool prepare(RecordFile &file, const QString &ledgerPath = Ledger::defaultPath());
    // Into a stream.
    void prepare(LineStream &stream) { m_stream = &stream; }
    const Failure &failure() const { return m_failure; }
    Ledger &ledger() { return m_ledger; }

    DownloadResult run(DownloadEvents &events);

private:
    bool recoverAppends();
    bool takeOverSideFiles();
    bool noteSideFileLines(const UnclearedLines &found);
    bool holds(const LedgerRecord &record);
    bool store(const QList<QByteArray> &lines, DownloadResult &result);
    bool noteEarlier(const QList<LedgerRecord> &records, DownloadResult &result);
    void noteNotStarted(const DownloadResult &result);
    void runSteps(DownloadEvents &events, DownloadResult &result);
    // Notes how the download ended; the ledger's failure when it could not.
    std::optional<Failure> finish(const DownloadResult &result);
    bool ledgerFailed();

    TerminalLink &m_link;
    DownloadJob m_job;
    RecordFile *m_file = nullptr;
    LineStream *m_stream = nullptr;
    Ledger m_ledger;
    Failure m_failure;
    DownloadFacts m_facts;
    qint64 m_id = 0;
    QHash<qint64, std::shared_ptr<RecordFile>> m_readers; // the other files that earlier downloads stored into
};

} // namespace vx
