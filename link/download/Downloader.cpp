#include "Downloader.h"

#include "LegacySideFiles.h"
#include "Record.h"
#include "Status.h"
#include "TerminalLink.h"

#include <algorithm>

namespace vx {

void DownloadEvents::totalKnown(int) {}
void DownloadEvents::recordArrived(int, const QString &) {}
void DownloadEvents::streamEnded(const DownloadResult &) {}
void DownloadEvents::stepDone(const StepResult &) {}
bool DownloadEvents::stopRequested() { return false; }
bool DownloadEvents::portFailed() { return false; }

bool DownloadResult::cleared() const
{
    return std::any_of(steps.begin(), steps.end(),
                       [](const StepResult &s) { return s.step == Step::Clear && s.outcome == StepResult::Done; });
}

namespace {

QString recordsText(int n) { return n == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(n); }

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
    if (!m_ledger.begin() || !m_ledger.prune(before) || !m_ledger.commit())
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
        const bool noted = finished ? m_ledger.appendDone(a.id, m_job.keepRecords)
                                    : m_ledger.abandonAppend(a.id, QStringLiteral("failed: the data file changed while "
                                                                                  "the records were appended; the "
                                                                                  "terminal kept them"));
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
    if (found->lines.isEmpty())
        return true;
    if (!m_ledger.begin())
        return ledgerFailed();
    const auto id = m_ledger.addDownload({m_job.now(), QStringLiteral("an earlier version"), m_job.port, QString(), m_job.machine});
    const auto file = m_ledger.fileId(m_file->identity());
    if (!id || !file)
        return ledgerFailed();
    QList<LedgerRecord> records;
    for (const auto &[at, line] : splitLines(found->lines))
        records.append({*file, found->offset + at, line});
    // Lines that FILE no longer holds are no longer a reason to skip anything.
    const bool pending = found->offset >= 0;
    if (!(pending ? m_ledger.setRecords(*id, records) : true)
        || !m_ledger.startAppend({*id, *file, 0, {}, int(records.size()), 0, 0}) || !m_ledger.appendDone(*id, true)
        || !m_ledger.finish(*id, pending, false, false, QStringLiteral("not cleared (found beside the data file)"), true)
        || !m_ledger.commit())
        return ledgerFailed();
    return true;
}

DownloadResult Downloader::run(DownloadEvents &events)
{
    DownloadResult r;
    m_facts = {m_job.now(), m_job.program, m_job.port, m_link.portName(), m_job.machine};
    QList<QByteArray> lines;
    qint64 bytes = 0;
    if (m_job.askCount) { // without an answer the download goes on without a total
        qint16 held = 0;
        m_link.readRecordCount(m_job.machine, held);
        if (m_link.status() == VX_SUCCESS && held >= 0)
            events.totalKnown(held);
    }
    m_link.beginDownload(m_job.machine);
    for (;;) {
        if (events.portFailed()) {
            r.end = DownloadResult::End::PortFailed;
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
            break;
        }
        if (r.status != VX_SUCCESS) {
            r.end = r.status == VX_END_OF_STREAM ? DownloadResult::End::Complete : DownloadResult::End::Failed;
            break;
        }
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
    } else {
        r.stored = store(lines, r);
    }
    events.streamEnded(r);
    if (r.end == DownloadResult::End::Complete && r.stored)
        runSteps(events, r);
    if (m_file)
        finish(r);
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
    // A download cut short within the records of an earlier one brings
    // nothing new: that one stays in charge of them.
    if (earlier && skip == lines.size() && skip < earlier->records.size() && r.end != DownloadResult::End::Complete) {
        if (!m_ledger.startAppend({m_id, *file, 0, {}, int(lines.size()), 0, 0}) || !m_ledger.appendDone(m_id, false)
            || !m_ledger.commit())
            return failed(m_ledger.failure());
        return true;
    }
    QList<LedgerRecord> records = earlier ? earlier->records.mid(0, skip) : QList<LedgerRecord>();
    QByteArray block = skip < lines.size() && m_file->endsInsideLine() ? QByteArray("\r\n") : QByteArray();
    const qint64 at = m_file->end();
    for (qsizetype i = skip; i < lines.size(); ++i) {
        records.append({*file, at + block.size(), lines[i]});
        block += lines[i];
    }
    const AppendPlan plan{m_id, *file, at, block, int(lines.size()), int(lines.size() - skip), earlier ? earlier->id : 0};
    if (!m_ledger.setRecords(m_id, records) || !m_ledger.startAppend(plan))
        return failed(m_ledger.failure());
    if (block.isEmpty() && !m_ledger.appendDone(m_id, m_job.keepRecords))
        return failed(m_ledger.failure());
    if (!m_ledger.commit())
        return failed(m_ledger.failure());
    if (block.isEmpty())
        return true;

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
    const bool noted = appended
        ? (landed == at || m_ledger.moveRecords(m_id, landed - at)) && m_ledger.appendDone(m_id, m_job.keepRecords)
        : m_file->size() != at
            || m_ledger.finish(m_id, false, false, true, QStringLiteral("failed: ") + describe(m_file->failure()), false);
    if (!noted || !m_ledger.commit()) {
        const Failure failure = r.storeFailure.value_or(m_ledger.failure());
        return failed(failure);
    }
    return appended;
}

// The chosen steps, in this order. The clear goes out only for records on
// the disk, and only when the terminal holds exactly the records of this
// download: an end of the records that came too early must not cost the rest.
void Downloader::runSteps(DownloadEvents &events, DownloadResult &r)
{
    const auto go = [&] { return !events.stopRequested() && !events.portFailed(); };
    const auto outcome = [&](Step step) {
        const qint32 status = m_link.status();
        return StepResult{step, status == VX_SUCCESS ? StepResult::Done : StepResult::Refused, StepResult::NotOnDisk, status, 0};
    };
    const auto report = [&](const StepResult &s) {
        r.steps.append(s);
        events.stepDone(s);
    };
    if (m_job.clear && go()) {
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
    if (m_job.updateTime && go()) {
        m_link.setTime(m_job.machine, m_job.now());
        report(outcome(Step::SetTime));
    }
    if (m_job.powerDown && go()) {
        m_link.powerDown(m_job.machine);
        report(outcome(Step::PowerDown));
    }
}

// The ledger's word on how it ended: pending while the terminal may still
// hold records stored by it.
void Downloader::finish(const DownloadResult &r)
{
    using End = DownloadResult::End;
    if (m_id == 0)
        return;
    const bool complete = r.end == End::Complete && r.stored;
    const bool cleared = r.cleared();
    // Records written but not confirmed on the disk stay in the ledger until
    // the next run finds out whether the file holds them.
    const bool pending = (r.stored || r.unconfirmed) && r.records > 0 && !(complete && (cleared || !m_job.clear));
    QString outcome;
    if (r.storeFailure)
        outcome = QStringLiteral("failed: ") + describe(*r.storeFailure);
    else if (r.end == End::Stopped)
        outcome = QStringLiteral("stopped; the terminal keeps its records");
    else if (r.end == End::TooLong)
        outcome = QStringLiteral("failed: more records than a terminal holds; not cleared");
    else if (r.end != End::Complete)
        outcome = QStringLiteral("failed: ErrCode: %1, %2; the terminal keeps its records").arg(r.status).arg(m_link.statusText(r.status));
    else if (!m_job.clear)
        outcome = QStringLiteral("kept on the terminal");
    else if (cleared)
        outcome = QStringLiteral("cleared");
    for (const StepResult &s : r.steps) {
        if (s.step != Step::Clear || s.outcome == StepResult::Done)
            continue;
        if (s.outcome == StepResult::Refused)
            outcome = QStringLiteral("not cleared: the terminal answered ErrCode: %1, %2").arg(s.status).arg(m_link.statusText(s.status));
        else if (s.why == StepResult::CountFailed)
            outcome = QStringLiteral("not cleared: the record count failed (ErrCode: %1, %2)").arg(s.status).arg(m_link.statusText(s.status));
        else
            outcome = QStringLiteral("not cleared: the terminal holds %1, %2 stored").arg(recordsText(s.held)).arg(r.records);
    }
    if (outcome.isEmpty())
        outcome = QStringLiteral("not cleared");
    if (m_ledger.begin() && m_ledger.finish(m_id, pending, cleared, !complete, outcome, m_job.keepRecords))
        m_ledger.commit();
    m_ledger.rollback();
}

} // namespace vx
