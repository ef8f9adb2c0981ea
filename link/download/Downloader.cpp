#include "download/Downloader.h"

#include "download/LegacySideFiles.h"
#include "terminal/Record.h"
#include "terminal/Status.h"
#include "terminal/TerminalLink.h"

#include <QDir>

#include <algorithm>

namespace vx {

void DownloadEvents::totalKnown(int) {}
void DownloadEvents::recordArrived(int, const QString &) {}
void DownloadEvents::streamEnded(const DownloadResult &) {}
void DownloadEvents::stepDone(const StepResult &) {}
void DownloadEvents::chooseSteps(bool &, bool &, bool &) {}
bool DownloadEvents::stopRequested() { return false; }
bool DownloadEvents::portFailed() { return false; }

const StepResult *DownloadResult::step(Step which) const
{
    const auto it = std::find_if(steps.begin(), steps.end(), [which](const StepResult &s) { return s.step == which; });
    return it == steps.end() ? nullptr : &*it;
}

bool DownloadResult::cleared() const
{
    const StepResult *clear = step(Step::Clear);
    return clear && clear->outcome == StepResult::Done;
}

QString recordsText(int n) { return Downloader::tr("%n record(s)", nullptr, n); }

QString whereRecordsAre(int received, int added, const QString &file, const QList<EarlierFile> &earlier)
{
    if (received == 0)
        return Downloader::tr("no records received");
    if (added == received && earlier.isEmpty())
        return Downloader::tr("%1 received and saved in %2").arg(recordsText(received), QDir::toNativeSeparators(file));
    QString text = recordsText(received) + Downloader::tr(" received");
    if (added > 0)
        text += Downloader::tr(", %1 saved in %2").arg(added).arg(QDir::toNativeSeparators(file));
    int unsaved = received - added;
    for (const EarlierFile &e : earlier) {
        text += Downloader::tr(", %1 already in %2").arg(e.records).arg(QDir::toNativeSeparators(e.path));
        unsaved -= e.records;
    }
    if (unsaved > 0)
        text += added == 0 && earlier.isEmpty() ? Downloader::tr(", none saved") : Downloader::tr(", %1 not saved").arg(unsaved);
    return text;
}

QString historyLine(const HistoryEntry &e)
{
    if (e.ending == Ending::NotStarted)
        return e.outcome;
    const QString where = whereRecordsAre(e.records, e.added, e.file, e.earlier);
    return e.outcome.isEmpty() ? where : where + QStringLiteral("; ") + e.outcome;
}

namespace {

// The CR LF lines of a block, each with its offset from the block's start.
QList<std::pair<qint64, QByteArray>> splitLines(const QByteArray &lines)
{
    QList<std::pair<qint64, QByteArray>> out;
    for (qsizetype at = 0; at < lines.size();) {
        const qsizetype end = lines.indexOf("\r\n", at);
        const qsizetype next = end < 0 ? lines.size() : end + 2;
        out.append({at, lines.mid(at, next - at)});
        at = next;
    }
    return out;
}

} // namespace

bool Downloader::ledgerFailed()
{
    m_failure = m_ledger.failure();
    m_ledger.rollback();
    return false;
}

bool Downloader::prepare(RecordFile &file, const QString &ledgerPath)
{
    m_file = &file;
    if (!m_ledger.open(ledgerPath))
        return ledgerFailed();
    const QDateTime before = m_job.now().addDays(-m_job.retentionDays);
    if (!m_ledger.begin() || !m_ledger.prune(before) || !m_ledger.explainUnfinished() || !m_ledger.commit())
        return ledgerFailed();
    return recoverAppends() && takeOverSideFiles();
}

// An append that a kill interrupted is finished when its file still ends
// with a beginning of its block. A file changed since, moved or replaced, is
// left alone: the clear was never sent, so the terminal still holds those
// records and the next download stores them again.
bool Downloader::recoverAppends()
{
    const auto appends = m_ledger.interruptedAppends();
    if (!appends)
        return ledgerFailed();
    for (const InterruptedAppend &a : *appends) {
        RecordFile there;
        RecordFile *f = a.file == m_file->identity() ? m_file : &there;
        if (f == &there && there.open(a.file.path, false) != RecordFile::Opened::Regular && there.inUse())
            continue; // its own program is still at it
        const qint64 written = f->isOpen() && f->identity() == a.file ? f->size() - a.at : -1;
        const qint64 common = std::min<qint64>(written, a.block.size());
        bool finished = written >= 0 && f->holds(a.at, a.block.left(common)) && (common == a.block.size() || written == common);
        qint64 landed = 0;
        if (finished && common < a.block.size() && !f->append(a.block.mid(common), landed)) {
            m_failure = f->failure();
            return false;
        }
        if (!m_ledger.begin())
            return ledgerFailed();
        // Finished here, it is pending: the clear was never sent.
        const bool noted = finished
            ? m_ledger.appendDone(a.id, m_job.keepRecords)
                && m_ledger.explainInterrupted(a.id, tr("failed: the program ended while saving the "
                                                        "records; the next run finished saving them; "
                                                        "the terminal kept them"))
            : m_ledger.abandonAppend(a.id, tr("failed: the data file changed while the records were "
                                              "appended; the terminal kept them"));
        if (!noted || !m_ledger.commit())
            return ledgerFailed();
    }
    return true;
}

bool Downloader::takeOverSideFiles()
{
    const auto found = vx::takeOverSideFiles(*m_file, m_failure);
    if (!found)
        return false;
    if (!found->found)
        return true;
    // The ledger first, then the side files go: a kill in between leaves
    // them to be taken over again, which finds the ledger has them.
    if (!found->lines.isEmpty() && !noteSideFileLines(*found))
        return false;
    return vx::removeSideFiles(*m_file, m_failure);
}

bool Downloader::noteSideFileLines(const UnclearedLines &found)
{
    if (!m_ledger.begin())
        return ledgerFailed();
    const auto file = m_ledger.fileId(m_file->identity());
    const auto pending = m_ledger.pending(m_job.machine);
    if (!file || !pending)
        return ledgerFailed();
    const QByteArray first = splitLines(found.lines).value(0).second;
    for (const PendingDownload &d : *pending)
        if (found.offset >= 0 && !d.records.isEmpty() && d.records[0].file == *file && d.records[0].offset == found.offset
            && d.records[0].line == first) { // taken over before
            m_ledger.rollback();
            return true;
        }
    const auto id = m_ledger.addDownload({m_job.now(), tr("an earlier version"), m_job.port, QString(), m_job.machine});
    if (!id)
        return ledgerFailed();
    QList<LedgerRecord> records;
    for (const auto &[at, line] : splitLines(found.lines))
        records.append({*file, found.offset + at, line});
    // Lines that FILE no longer holds are no longer a reason to skip anything.
    const bool stillThere = found.offset >= 0;
    if (!(stillThere ? m_ledger.setRecords(*id, records) : true)
        || !m_ledger.startAppend({*id, *file, 0, int(records.size()), 0, 0}) || !m_ledger.appendDone(*id, true)
        || !m_ledger.finish(*id, stillThere, false, Ending::Complete, tr("not cleared (found beside the data file)"), true)
        || !m_ledger.commit())
        return ledgerFailed();
    return true;
}

DownloadResult Downloader::run(DownloadEvents &events)
{
    DownloadResult r;
    m_facts = {m_job.now(), m_job.program, m_job.port, m_link.portName(), m_job.machine};
    r.file = m_file ? m_file->identity().path : QString();
    QList<QByteArray> lines;
    qint64 bytes = 0;
    if (m_job.askCount) { // without an answer the download goes on without a total
        qint16 held = 0;
        m_link.readRecordCount(m_job.machine, held);
        if (m_link.status() == VX_SUCCESS && held >= 0)
            events.totalKnown(held);
    }
    if (!events.portFailed())
        m_link.beginDownload(m_job.machine);
    // A port that could not be used: no request reached the terminal.
    if (events.portFailed() || (m_link.status() == VX_ERR_PORT_NOT_OPEN && !m_link.port().isOpen())) {
        r.end = DownloadResult::End::NotStarted;
        r.status = m_link.status();
        r.portFailure = m_link.port().lastError();
        events.streamEnded(r);
        if (m_file)
            noteNotStarted(r);
        return r;
    }
    for (;;) {
        if (events.portFailed()) {
            r.end = DownloadResult::End::PortFailed;
            r.portFailure = m_link.port().lastError();
            break;
        }
        if (events.stopRequested()) {
            r.end = DownloadResult::End::Stopped;
            break;
        }
        QString record;
        m_link.nextRecord(record);
        r.status = m_link.status();
        if (events.portFailed()) {
            r.end = DownloadResult::End::PortFailed;
            r.portFailure = m_link.port().lastError();
            break;
        }
        if (r.status != VX_SUCCESS) {
            // A wait that a stop cut short (the program closing) is no failure of the terminal's.
            r.end = r.status == VX_END_OF_STREAM ? DownloadResult::End::Complete
                : events.stopRequested()         ? DownloadResult::End::Stopped
                                                 : DownloadResult::End::Failed;
            break;
        }
        if (!firstFieldConvertible(record))
            ++r.unconverted;
        const QString converted = convertFirstField(record);
        if (m_stream) {
            if (!m_stream->writeLine(converted)) {
                r.storeFailure = m_stream->failure();
                break;
            }
        } else {
            QByteArray line = dataFileLine(converted);
            if (lines.size() >= kMaxDownloadRecords || bytes + line.size() > kMaxDownloadBytes) {
                r.end = DownloadResult::End::TooLong;
                break;
            }
            bytes += line.size();
            lines.append(std::move(line));
        }
        events.recordArrived(++r.records, converted);
    }

    if (m_stream) {
        if (!r.storeFailure && !m_stream->flush())
            r.storeFailure = m_stream->failure();
        r.stored = !r.storeFailure;
        r.added = r.stored ? r.records : 0;
    } else {
        r.stored = store(lines, r);
    }
    events.streamEnded(r);
    events.chooseSteps(m_job.clear, m_job.updateTime, m_job.powerDown);
    if (r.end == DownloadResult::End::Complete && r.stored)
        runSteps(events, r);
    if (m_file)
        r.ledgerFailure = finish(r);
    return r;
}

// True when the record's file, the very one the ledger names, still holds
// its line where the ledger says.
bool Downloader::holds(const LedgerRecord &record)
{
    auto &file = m_readers[record.file];
    if (!file) {
        file = std::make_shared<RecordFile>();
        const auto identity = m_ledger.file(record.file);
        if (identity && *identity == m_file->identity())
            return m_file->holds(record.offset, record.line);
        if (!identity || !file->openToRead(identity->path) || !(file->identity() == *identity))
            file->close();
    }
    return file->isOpen() ? file->holds(record.offset, record.line)
                          : m_ledger.file(record.file) == m_file->identity() && m_file->holds(record.offset, record.line);
}

bool Downloader::store(const QList<QByteArray> &lines, DownloadResult &r)
{
    const auto failed = [&](const Failure &failure) {
        m_ledger.rollback();
        r.storeFailure = failure;
        return false;
    };
    if (!m_ledger.begin())
        return failed(m_ledger.failure());
    const auto id = m_ledger.addDownload(m_facts);
    const auto file = m_ledger.fileId(m_file->identity());
    const auto candidates = m_ledger.pending(m_job.machine);
    if (!id || !file || !candidates)
        return failed(m_ledger.failure());
    m_id = *id;
    m_readers.clear();

    // The longest run of this download's first records that an earlier one
    // stored and whose files still hold them where the ledger says.
    const PendingDownload *earlier = nullptr;
    int skip = 0;
    for (const PendingDownload &c : *candidates) {
        int k = 0;
        while (k < lines.size() && k < c.records.size() && c.records[k].line == lines[k] && holds(c.records[k]))
            ++k;
        if (k > skip)
            skip = k, earlier = &c;
    }
    r.skipped = skip;
    QList<LedgerRecord> records = earlier ? earlier->records.mid(0, skip) : QList<LedgerRecord>();
    if (!noteEarlier(records, r))
        return failed(m_ledger.failure());
    // A download cut short within the records of an earlier one brings
    // nothing new: that one stays in charge of them.
    if (earlier && skip == lines.size() && skip < earlier->records.size() && r.end != DownloadResult::End::Complete) {
        if (!m_ledger.startAppend({m_id, *file, 0, int(lines.size()), 0, 0}) || !m_ledger.appendDone(m_id, false)
            || !m_ledger.commit())
            return failed(m_ledger.failure());
        return true;
    }
    QByteArray block = skip < lines.size() && m_file->endsInsideLine() ? QByteArray("\r\n") : QByteArray();
    const qint64 at = m_file->end();
    qint64 blockSize = block.size(); // made once to its size: the download's records are held twice, not more
    for (qsizetype i = skip; i < lines.size(); ++i)
        blockSize += lines[i].size();
    block.reserve(blockSize);
    for (qsizetype i = skip; i < lines.size(); ++i) {
        records.append({*file, at + block.size(), lines[i]});
        block += lines[i];
    }
    const AppendPlan plan{m_id, *file, at, int(lines.size()), int(lines.size() - skip), earlier ? earlier->id : 0};
    if (!m_ledger.setRecords(m_id, records) || !m_ledger.startAppend(plan))
        return failed(m_ledger.failure());
    if (block.isEmpty() && !m_ledger.appendDone(m_id, m_job.keepRecords))
        return failed(m_ledger.failure());
    if (!m_ledger.commit())
        return failed(m_ledger.failure());
    if (block.isEmpty())
        return true;
    r.added = int(lines.size() - skip);

    qint64 landed = 0;
    const bool appended = m_file->append(block, landed);
    if (!appended) {
        r.storeFailure = m_file->failure();
        r.unconfirmed = m_file->size() != at;
    }
    // A failed append was cut back: nothing of this download is stored, and
    // an earlier one it continued stays in charge of its records.
    if (!m_ledger.begin())
        return failed(m_ledger.failure());
    if (!appended && !r.unconfirmed)
        r.added = 0;
    const bool noted = appended
        ? (landed == at || m_ledger.moveRecords(m_id, landed - at)) && m_ledger.appendDone(m_id, m_job.keepRecords)
        : m_file->size() != at
            || m_ledger.finish(m_id, false, false, Ending::Failed, tr("failed: ") + describe(m_file->failure()), false);
    if (!noted || !m_ledger.commit()) {
        const Failure failure = r.storeFailure.value_or(m_ledger.failure());
        return failed(failure);
    }
    return appended;
}

// Where the records are that this download received but an earlier one
// stored, file by file, in the result and in the ledger.
bool Downloader::noteEarlier(const QList<LedgerRecord> &records, DownloadResult &r)
{
    QList<EarlierRecords> byFile;
    for (const LedgerRecord &record : records) {
        if (byFile.isEmpty() || byFile.last().file != record.file)
            byFile.append({record.file, 0});
        ++byFile.last().records;
    }
    r.earlier.clear();
    for (const EarlierRecords &e : byFile) {
        const auto identity = m_ledger.file(e.file);
        if (!identity)
            return false;
        // The file of this download under its name now, if it was renamed.
        r.earlier.append({*identity == m_file->identity() ? m_file->identity().path : identity->path, e.records});
    }
    return m_ledger.setEarlier(m_id, byFile);
}

// A download whose port could not be used is in the history as not started.
void Downloader::noteNotStarted(const DownloadResult &r)
{
    const QString why = tr("not started: ") + describe(r.portFailure.value_or(Failure{}));
    if (m_ledger.begin()) {
        const auto id = m_ledger.addDownload(m_facts);
        if (id && m_ledger.finish(*id, false, false, Ending::NotStarted, why, false))
            m_ledger.commit();
    }
    m_ledger.rollback();
}

// The chosen steps, in this order. The clear goes out only for records on
// the disk, and only when the terminal holds exactly the records of this
// download: an end of the records that came too early must not cost the rest.
void Downloader::runSteps(DownloadEvents &events, DownloadResult &r)
{
    const auto outcome = [&](Step step) {
        const qint32 status = m_link.status();
        return StepResult{step, status == VX_SUCCESS ? StepResult::Done : StepResult::Refused, StepResult::NotOnDisk, status, 0};
    };
    const auto report = [&](const StepResult &s) {
        r.steps.append(s);
        events.stepDone(s);
    };
    // A step not sent because of a stop or a failed port is reported as such.
    const auto go = [&](Step step) {
        const bool stopped = events.stopRequested();
        if (stopped || events.portFailed()) {
            report({step, StepResult::Withheld, stopped ? StepResult::Stopped : StepResult::PortLost, 0, 0});
            return false;
        }
        return true;
    };
    if (m_job.clear && go(Step::Clear)) {
        if (!m_file) {
            report({Step::Clear, StepResult::Withheld, StepResult::NotOnDisk, 0, 0});
        } else {
            qint16 held = 0;
            m_link.readRecordCount(m_job.machine, held);
            const qint32 status = m_link.status();
            if (events.portFailed())
                return report({Step::Clear, StepResult::Withheld, StepResult::CountFailed, status, 0});
            if (status != VX_SUCCESS)
                report({Step::Clear, StepResult::Withheld, StepResult::CountFailed, status, 0});
            else if (held != r.records)
                report({Step::Clear, StepResult::Withheld, StepResult::CountDiffers, status, held});
            else {
                m_link.clearData(m_job.machine);
                report(outcome(Step::Clear));
            }
        }
    }
    if (m_job.updateTime && go(Step::SetTime)) {
        m_link.setTime(m_job.machine, m_job.now());
        report(outcome(Step::SetTime));
    }
    if (m_job.powerDown && go(Step::PowerDown)) {
        m_link.powerDown(m_job.machine);
        report(outcome(Step::PowerDown));
    }
}

QString whyNotDone(const StepResult &s, int stored)
{
    if (s.outcome == StepResult::Refused)
        return QStringLiteral("ErrCode: %1, %2").arg(s.status).arg(QLatin1String(statusText(s.status)));
    switch (s.why) {
    case StepResult::NotOnDisk:
        return Downloader::tr("the data file is a device or a pipe, not a file on the disk");
    case StepResult::CountFailed:
        return Downloader::tr("the record count failed (ErrCode: %1, %2)").arg(s.status).arg(QLatin1String(statusText(s.status)));
    case StepResult::CountDiffers:
        return Downloader::tr("the terminal holds %1, %2 stored by this download").arg(recordsText(s.held)).arg(stored);
    case StepResult::Stopped:
        return Downloader::tr("stopped before it was sent");
    case StepResult::PortLost:
        return Downloader::tr("the port failed before it was sent");
    }
    return {};
}

// The ledger's word on how it ended: pending while the terminal may still
// hold records stored by it.
std::optional<Failure> Downloader::finish(const DownloadResult &r)
{
    using End = DownloadResult::End;
    if (m_id == 0)
        return std::nullopt;
    const bool complete = r.end == End::Complete && r.stored;
    const bool cleared = r.cleared();
    // Records written but not confirmed on the disk stay in the ledger until
    // the next run finds out whether the file holds them.
    const bool pending = (r.stored || r.unconfirmed) && r.records > 0 && !(complete && (cleared || !m_job.clear));
    QString outcome;
    Ending ending = Ending::Failed;
    if (r.storeFailure)
        outcome = tr("failed: ") + describe(*r.storeFailure);
    else if (r.end == End::Stopped)
        outcome = tr("stopped; the terminal keeps its records"), ending = Ending::Stopped;
    else if (r.end == End::TooLong)
        outcome = tr("failed: more records than a terminal holds; not cleared");
    else if (r.end == End::PortFailed)
        outcome = tr("failed: %1; the terminal keeps its records").arg(describe(r.portFailure.value_or(Failure{})));
    else if (r.end != End::Complete)
        outcome = tr("failed: ErrCode: %1, %2; the terminal keeps its records").arg(r.status).arg(m_link.statusText(r.status));
    else if (!m_job.clear)
        outcome = tr("kept on the terminal"), ending = Ending::Complete;
    else
        outcome = cleared ? tr("cleared") : tr("not cleared"), ending = Ending::Complete;
    if (const StepResult *s = r.step(Step::Clear); s && s->outcome != StepResult::Done)
        outcome = tr("not cleared: ") + whyNotDone(*s, r.records);
    if (m_ledger.begin() && m_ledger.finish(m_id, pending, cleared, ending, outcome, m_job.keepRecords) && m_ledger.commit())
        return std::nullopt;
    Failure failure = m_ledger.failure();
    m_ledger.rollback();
    failure.detail += tr("; how this download ended is not noted: the next download notes it as not known");
    return failure;
}

} // namespace vx
