// "Download Data": the data file, the download with its echo, and the lines
// of the automation after the last record. The download engine stores the
// records (exactly once, on the disk before any clear); the window shows
// what it reports.
#include "MainWindow.h"

#include "download/DownloadSession.h"
#include "ProgramFolder.h"
#include "terminal/Status.h"
#include "terminal/Record.h"
#include "SettingsStore.h"
#include "settings/UserSettings.h"
#include "Dialogs.h"
#include "terminal/TerminalLink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
constexpr qint64 kMessageLimit = 60000;
const QString kDataFilter = QStringLiteral("(*.txt)|*.txt");

// The save-file chooser: shows the save dialog with the proposed name; a
// chosen file that exists must be confirmed with "File already exists,
// append?", and Cancel there opens the dialog again with the proposed name.
// True with the chosen path in fileName, false when the dialog was cancelled.
bool chooseFileToAppend(vx::Dialogs &dialogs, const vx::SaveRequest &request, QString &fileName)
{
    for (;;) {
        const auto chosen = dialogs.saveFileName(request);
        if (!chosen)
            return false;
        fileName = *chosen;
        if (!QFileInfo::exists(fileName))
            return true;
        const vx::Answer answer = dialogs.ask({.icon = vx::Icon::Exclamation, .buttons = vx::Buttons::OkCancel,
                                               .title = vx::appTitle(), .text = MainWindow::tr("File already exists, append?")});
        if (answer == vx::Answer::Ok)
            return true;
    }
}

} // namespace

// The file of this download; false when the operator cancelled the dialog.
bool MainWindow::chooseDataFile(QString &fileName)
{
    const QString today =
        vx::formatDatePattern(m_now().date(), m_dateFormatBox->currentText()) + QStringLiteral(".txt");
    if (checkValue(m_saveDataBox) == 0) {
        const QString folder = dataFolder();
        const QString proposed = m_settings.read(vx::key::DownloadFile, QDir::toNativeSeparators(QDir(folder).filePath(today)));
        return chooseFileToAppend(m_dialogs, {tr("Save downloaded data"), folder, kDataFilter, proposed},
                                  fileName);
    }
    fileName = QDir::toNativeSeparators(QDir(m_folderEdit->text()).filePath(m_fileNameFormat == kFixedFileName ? m_fixedFileNameEdit->text() : today));
    return true;
}

// What the window shows of a download as it runs: each record's line, the
// count so far and the time in the status bar; Stop and the closing program
// end it.
class MainWindow::DownloadView : public vx::DownloadEvents {
public:
    explicit DownloadView(MainWindow &w) : m_w(w) {}
    void recordArrived(int number, const QString &line) override
    {
        m_w.showProgress(number);
        m_w.showRecordLine(line);
    }
    // The boxes as they stand when the records end: a change during the
    // download applies to it.
    void chooseSteps(bool &clear, bool &updateTime, bool &powerDown) override
    {
        clear = checkValue(m_w.m_clearDataBox) == 1;
        updateTime = checkValue(m_w.m_updateTimeBox) == 1;
        powerDown = checkValue(m_w.m_powerDownBox) == 1;
    }
    bool stopRequested() override { return m_w.m_guard.stopRequested(); }

private:
    MainWindow &m_w;
};

void MainWindow::showRecordLine(const QString &line)
{
    if (m_logChars > kMessageLimit)
        clearLog();
    showLine(line);
}

// The download's own failures (its data file) are returned, after the lines
// that say where the records are.
std::optional<vx::Failure> MainWindow::download(qint16 machine)
{
    QString fileName;
    if (!chooseDataFile(fileName))
        return std::nullopt;

    vx::DownloadJob job;
    job.machine = machine;
    job.program = QStringLiteral("vx500-monitor");
    job.port = m_portBox->currentText();
    job.now = m_now;
    job.retentionDays = vx::historyDays(m_settings.read(vx::key::HistoryDays, QString()));
    job.keepRecords = m_settings.read(vx::key::KeepRecords, QString()) == u"1";
    vx::DownloadSession session(*m_link, job); // the file is closed whichever way this ends
    if (!session.open(fileName, *m_fileCalls))
        return session.failure();

    m_downloadStart = m_now(); // the PC clock: the time shown is the operator's
    m_dataFile = session.target();
    showProgress(0);
    m_stopButton->show();
    DownloadView view(*this);
    const vx::DownloadResult r = session.run(view);
    m_stopButton->hide();
    showOutcome(r);
    if (m_guard.isEnding())
        return std::nullopt; // the program is ending: what arrived is kept

    using End = vx::DownloadResult::End;
    if (r.end == End::NotStarted)
        return std::nullopt; // the port's failure was shown as it happened
    if (r.end == End::Complete && r.stored) {
        QString line = tr("Download Process Finished\r\nData Saved");
        for (const vx::StepResult &step : r.steps)
            line += QStringLiteral("\r\n") + automationLine(step, r.records);
        showRecordLine(line);
        return r.ledgerFailure;
    }
    if (r.end == End::Stopped)
        showRecordLine(tr("Download Stopped"));
    else if (r.end == End::TooLong)
        showRecordLine(tr("More records than a terminal holds (over %1): Data Not Cleared")
                           .arg(vx::kMaxDownloadRecords));
    else if (r.end != End::Complete && !r.storeFailure)
        showRecordLine(QStringLiteral("ErrCode: %1, %2").arg(r.status).arg(m_link->statusText(r.status)));
    // A terminal that never answered: where the window asked, and what to check.
    if (r.status == vx::VX_ERR_TIMEOUT && r.end == End::Failed && r.records == 0)
        showNoAnswer(machine);
    // Where the records are, after the failure's line (or before its box).
    showLine(recordsKept(r, false) + tr("; the terminal still holds all its records."));
    return r.storeFailure ? r.storeFailure : r.ledgerFailure;
}

// Where the records of a download that did not finish are; with `names`,
// the files by their names alone (the status bar's room).
QString MainWindow::recordsKept(const vx::DownloadResult &r, bool names) const
{
    if (r.unconfirmed)
        return tr("%1 written to %2, not confirmed on the disk")
            .arg(vx::recordsText(r.records), names ? QFileInfo(r.file).fileName() : QDir::toNativeSeparators(r.file));
    if (!r.stored || r.records == 0)
        return tr("No records saved");
    return recordsStored(r, names);
}

QString MainWindow::recordsStored(const vx::DownloadResult &r, bool names) const
{
    const auto shown = [names](const QString &path) { return names ? QFileInfo(path).fileName() : QDir::toNativeSeparators(path); };
    if (r.file.isEmpty()) // a device or a pipe
        return tr("%1 written to %2").arg(vx::recordsText(r.records), shown(m_dataFile));
    QList<vx::EarlierFile> earlier = r.earlier;
    for (vx::EarlierFile &e : earlier)
        e.path = shown(e.path);
    return vx::whereRecordsAre(r.records, r.added, shown(r.file), earlier);
}

// The line of one step after the last record: what the terminal did, or
// why it was not done.
QString MainWindow::automationLine(const vx::StepResult &step, int saved) const
{
    const bool done = step.outcome == vx::StepResult::Done;
    QString line;
    switch (step.step) {
    case vx::Step::Clear:
        line = done ? tr("Data Cleared") : tr("Data Not Cleared");
        break;
    case vx::Step::SetTime:
        line = done ? tr("Time Updated") : tr("Time Not Updated");
        break;
    case vx::Step::PowerDown:
        line = done ? tr("Power Down") : tr("Not Powered Down");
        break;
    }
    return done ? line : line + QStringLiteral(": ") + vx::whyNotDone(step, saved);
}

// The status bar after a download: how it ended, and where its records are
// (the files by name; their paths in its tooltip).
void MainWindow::showOutcome(const vx::DownloadResult &r)
{
    for (const bool names : {false, true}) {
        const QString text = outcome(r, names);
        names ? setResult(text, m_resultLabel->text()) : setResult(text);
    }
}

QString MainWindow::outcome(const vx::DownloadResult &r, bool names) const
{
    using End = vx::DownloadResult::End;
    switch (r.end) {
    case End::NotStarted:
        return tr("Download not started: ") + vx::describe(r.portFailure.value_or(vx::Failure{}));
    case End::Complete:
        if (r.stored)
            return QStringLiteral("%1 (%2)").arg(recordsStored(r, names), elapsed());
        break;
    case End::Stopped:
        return tr("Download stopped after %1: %2").arg(vx::recordsText(r.records), recordsKept(r, names));
    case End::Failed:
    case End::TooLong:
    case End::PortFailed:
        break;
    }
    return tr("Download failed after %1: %2").arg(vx::recordsText(r.records), recordsKept(r, names));
}

QString MainWindow::elapsed() const
{
    const qint64 seconds = std::max<qint64>(0, m_downloadStart.msecsTo(m_now())) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void MainWindow::showProgress(int records)
{
    setResult(tr("Downloading: %1, %2").arg(vx::recordsText(records), elapsed()));
}
