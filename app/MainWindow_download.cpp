// "Download Data": the data file, the download with its echo, and the lines
// of the automation after the last record. The download engine stores the
// records (exactly once, on the disk before any clear); the window shows
// what it reports.
#include "MainWindow.h"

#include "DataFile.h"
#include "Downloader.h"
#include "ProgramFolder.h"
#include "Status.h"
#include "Record.h"
#include "SettingsStore.h"
#include "UserSettings.h"
#include "Dialogs.h"
#include "TerminalLink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

namespace {
constexpr qint64 kMessageLimit = 60000;
const QString kDataFilter = QStringLiteral("(*.txt)|*.txt");

QString recordsText(int n) { return n == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(n); }

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
        const vx::Answer answer = dialogs.ask({vx::Icon::Exclamation, vx::Buttons::OkCancel, vx::appTitle(),
                                               QStringLiteral("File already exists, append?")});
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
        const QString proposed = m_settings.read(vx::key::DownloadFile, vx::joinPath(folder, today));
        return chooseFileToAppend(m_dialogs, {QStringLiteral("Save downloaded data"), folder, kDataFilter, proposed},
                                  fileName);
    }
    fileName = vx::joinPath(m_folderEdit->text(), m_fileNameFormat == kFixedFileName ? m_fixedFileNameEdit->text() : today);
    return true;
}

// What the window shows of a download as it runs: each record's line, the
// counter in the status bar; the closing program stops it.
class MainWindow::DownloadView : public vx::DownloadEvents {
public:
    explicit DownloadView(MainWindow &w) : m_w(w) {}
    void totalKnown(int records) override
    {
        m_w.m_expected = records;
        m_w.m_progressBar->setRange(0, std::max(records, 1));
        m_w.m_progressBar->setValue(0);
        m_w.m_progressBar->show();
        m_w.showProgress(0, Progress::Running);
    }
    void recordArrived(int number, const QString &line) override
    {
        m_w.showProgress(number, Progress::Running);
        m_w.showRecordLine(line);
    }
    bool stopRequested() override { return m_w.m_unloading || m_w.m_stopRequested; }

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

    // Closed whichever way the branch ends (the error path included).
    vx::RecordFile file(*m_fileCalls);
    vx::DataFile device;
    vx::DataFileStream stream(device);
    const auto opened = file.open(fileName);
    if (opened == vx::RecordFile::Opened::Failed)
        return file.failure();
    if (opened == vx::RecordFile::Opened::NotRegular && !device.openAppend(fileName))
        return device.failure();

    vx::DownloadJob job;
    job.machine = machine;
    job.program = QStringLiteral("vx500-monitor");
    job.port = m_portBox->currentText();
    job.clear = checkValue(m_clearDataBox) == 1;
    job.updateTime = checkValue(m_updateTimeBox) == 1;
    job.powerDown = checkValue(m_powerDownBox) == 1;
    job.now = m_now;
    job.askCount = true; // for the progress out of a total
    job.retentionDays = vx::historyDays(m_settings.read(vx::key::HistoryDays, QString()));
    job.keepRecords = m_settings.read(vx::key::KeepRecords, QString()) == u"1";
    vx::Downloader downloader(*m_link, job);
    if (file.isOpen()) {
        if (!downloader.prepare(file))
            return downloader.failure();
    } else {
        downloader.prepare(stream);
    }

    m_downloadStart = m_now(); // the PC clock: the time shown is the operator's
    m_expected = -1;
    m_stopRequested = false;
    m_dataFile = file.isOpen() ? file.identity().path : fileName;
    showProgress(0, Progress::Running);
    m_stopButton->show();
    DownloadView view(*this);
    const vx::DownloadResult r = downloader.run(view);
    m_stopButton->hide();
    m_progressBar->hide();
    using End = vx::DownloadResult::End;
    const bool finished = r.end == End::Complete && r.stored;
    showProgress(r.records, finished && !m_unloading ? Progress::Finished : Progress::Stopped);
    if (m_unloading)
        return std::nullopt; // the program is ending: what arrived is kept

    if (finished) {
        QString line = QStringLiteral("Download Process Finished\r\nData Saved");
        for (const vx::StepResult &step : r.steps)
            line += QStringLiteral("\r\n") + automationLine(step, r.records);
        showRecordLine(line);
        return std::nullopt;
    }
    if (r.end == End::Stopped)
        showRecordLine(QStringLiteral("Download Stopped"));
    else if (r.end == End::TooLong)
        showRecordLine(QStringLiteral("More records than a terminal holds (over %1): Data Not Cleared")
                           .arg(vx::kMaxDownloadRecords));
    else if (r.end != End::Complete && !r.storeFailure)
        showRecordLine(QStringLiteral("ErrCode: %1, %2").arg(r.status).arg(m_link->statusText(r.status)));
    if (r.status == vx::VX_ERR_TIMEOUT && r.end == End::Failed)
        showNoAnswer(machine);
    // Where the records are, after the failure's line (or before its box).
    const QString held = QStringLiteral("the terminal still holds all its records.");
    const QString where = file.isOpen() ? file.identity().path : fileName;
    if (r.unconfirmed)
        showLine(QStringLiteral("%1 written to %2, not confirmed on the disk; %3").arg(recordsText(r.records), where, held));
    else if (!r.stored || r.records == 0)
        showLine(QStringLiteral("No records saved; ") + held);
    else
        showLine(QStringLiteral("%1 saved in %2; %3").arg(recordsText(r.records), where, held));
    return r.storeFailure;
}

// The line of one step after the last record. The clear, the clock and the
// power-down lines are shown whatever the terminal answered; a clear that
// was not sent says why.
QString MainWindow::automationLine(const vx::StepResult &step, int saved) const
{
    switch (step.step) {
    case vx::Step::SetTime:
        return QStringLiteral("Time Updated");
    case vx::Step::PowerDown:
        return QStringLiteral("Power Down");
    case vx::Step::Clear:
        break;
    }
    if (step.outcome != vx::StepResult::Withheld)
        return QStringLiteral("Data Cleared");
    switch (step.why) {
    case vx::StepResult::NotOnDisk:
        return QStringLiteral("Data Not Cleared: the data file is a device or a pipe, not a file on the disk");
    case vx::StepResult::CountFailed:
        return QStringLiteral("Data Not Cleared: the record count failed (ErrCode: %1, %2)")
            .arg(step.status)
            .arg(m_link->statusText(step.status));
    case vx::StepResult::CountDiffers:
        break;
    }
    return QStringLiteral("Data Not Cleared: the terminal holds %1, %2 %3 saved")
        .arg(recordsText(step.held))
        .arg(saved)
        .arg(saved == 1 ? QStringLiteral("was") : QStringLiteral("were"));
}

void MainWindow::showProgress(int records, Progress state)
{
    const auto clock = [](qint64 ms) {
        const qint64 seconds = ms / 1000;
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    };
    const qint64 ms = std::max<qint64>(0, m_downloadStart.msecsTo(m_now()));
    const QString count = recordsText(records);
    switch (state) {
    case Progress::Running:
        if (m_expected < 0) {
            m_progressLabel->setText(QStringLiteral("Downloading: %1, %2").arg(count, clock(ms)));
            break;
        }
        m_progressBar->setValue(std::min(records, m_progressBar->maximum()));
        m_progressLabel->setText(
            QStringLiteral("Downloading: %1 of %2, %3").arg(records).arg(recordsText(m_expected), clock(ms))
            + (records > 0 && records < m_expected
                   ? QStringLiteral(", %1 left").arg(clock(ms * (m_expected - records) / records))
                   : QString()));
        break;
    case Progress::Finished:
        m_progressLabel->setText(QStringLiteral("%1 saved in %2 (%3)").arg(count, m_dataFile, clock(ms)));
        break;
    case Progress::Stopped:
        m_progressLabel->setText(QStringLiteral("Download stopped after %1").arg(count));
        break;
    }
}
