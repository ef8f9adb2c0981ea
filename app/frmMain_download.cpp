// "Download Data": the data file, the record loop with its echo, and the
// automation after the last record.
#include "frmMain.h"

#include "DataFile.h"
#include "Record.h"
#include "ProgramFolder.h"
#include "SettingsStore.h"
#include "modGeneral.h"
#include "ucVX300_500.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopeGuard>

namespace {
constexpr qint64 kMessageLimit = 60000;
const QString kDataFilter = QStringLiteral("(*.txt)|*.txt");
} // namespace

void frmMain::ConvertFirstField(QString &io_sData)
{
    // The command-line tool converts the same way: one rule for every file.
    io_sData = vx::convertFirstField(io_sData);
}

// The file of this download; false when the operator cancelled the dialog.
bool frmMain::chooseDataFile(QString &o_sFileName)
{
    const QString today =
        vx::formatDatePattern(m_now().date(), cboDateFormat->currentText()) + QStringLiteral(".txt");
    if (CheckValue(chkSaveData) == 0) {
        const QString folder = dataFolder();
        const QString proposed = m_settings.read(vx::key::DownloadFile, vx::joinPath(folder, today));
        return modGeneral::SaveDialogAppend(m_dialogs, QStringLiteral("Save downloaded data"), folder, kDataFilter,
                                            proposed, o_sFileName);
    }
    o_sFileName = vx::joinPath(txtPath->text(), m_iFilenameFormat == kFixedFilename ? txtFixedFilename->text() : today);
    return true;
}

void frmMain::DownloadData(qint16 iID)
{
    QString fileName;
    if (!chooseDataFile(fileName))
        return;

    // Closed whichever way the branch ends (the error path included).
    vx::DataFile file;
    if (!file.openAppend(fileName))
        throw file.failure();
    m_vx->BeginDownload(iID);
    m_downloadClock.start();
    int records = 0;
    bool finished = false;
    // Nothing clears the terminal before every record is on the disk: a
    // download that fails before then says where the records are, after its
    // failure line (or before its failure's box).
    bool allOnDisk = false, syncFailed = false;
    const auto whereTheRecordsAre = [&] {
        if (allOnDisk || m_bUnloading)
            return;
        const QString held = QStringLiteral("the terminal still holds all its records.");
        if (records == 0)
            showLine(QStringLiteral("No records saved; ") + held);
        else
            showLine(QStringLiteral("%1 %2 %3 %4; %5")
                         .arg(QString::number(records), records == 1 ? QStringLiteral("record") : QStringLiteral("records"),
                              syncFailed ? QStringLiteral("written to") : QStringLiteral("saved in"),
                              syncFailed ? fileName + QStringLiteral(", not confirmed on the disk") : fileName, held));
    };
    showProgress(records, Progress::Running);
    const auto finally =
        qScopeGuard([&] { showProgress(records, finished ? Progress::Finished : Progress::Stopped); });

    QString sData;
    try {
        do {
            m_vx->GetRecord(sData);
            QString line;
            const qint32 code = m_vx->ErrCode();
            if (code == 0) {
                ConvertFirstField(sData);
                if (!file.writeLine(sData))
                    throw file.failure();
                line = sData;
                showProgress(++records, Progress::Running);
            } else if (code == 1) {
                // Nothing is lost: the records are on the disk before the
                // terminal is told to forget them.
                if (const auto failure = m_syncDataFile(file)) {
                    syncFailed = true;
                    throw *failure;
                }
                allOnDisk = true;
                line = QStringLiteral("Download Process Finished\r\nData Saved");
                RunAutomation(iID, records, file.isRegularFile(), line);
                m_vx->ErrCode(1);
                finished = !m_bUnloading;
            } else {
                line = QStringLiteral("ErrCode: %1, %2").arg(code).arg(m_vx->ErrMessage(code));
            }
            if (m_lTxtChars > kMessageLimit)
                cmdClear_Click(kClearGeneral);
            showLine(line);
            if (m_bUnloading)
                break; // the program is ending: keep what has arrived
        } while (m_vx->ErrCode() == 0);
    } catch (...) {
        whereTheRecordsAre();
        throw;
    }
    whereTheRecordsAre();
    file.close();
}

// The steps chosen on the Miscellaneous tab, in this order, each whatever
// the terminal answers to the one before; a closing program sends no more.
// The data is cleared only when the terminal holds exactly the records
// saved, into a file on the disk: an end of the records that came too early
// must not cost the rest, nor must a device or a pipe that keeps nothing.
void frmMain::RunAutomation(qint16 iID, int iSaved, bool bOnDisk, QString &io_sLine)
{
    if (CheckValue(chkClearData) == 1 && !m_bUnloading && !bOnDisk) {
        io_sLine += QStringLiteral("\r\nData Not Cleared: the data file is a device or a pipe, not a file on the disk");
    } else if (CheckValue(chkClearData) == 1 && !m_bUnloading) {
        qint16 held = 0;
        m_vx->GetRecordCount(iID, held);
        if (m_vx->ErrCode() != 0) {
            io_sLine += QStringLiteral("\r\nData Not Cleared: the record count failed (ErrCode: %1, %2)")
                            .arg(m_vx->ErrCode())
                            .arg(m_vx->ErrMessage());
        } else if (held != iSaved) {
            io_sLine += QStringLiteral("\r\nData Not Cleared: the terminal holds %1 records, %2 were saved")
                            .arg(held)
                            .arg(iSaved);
        } else {
            m_vx->ClearData(iID);
            io_sLine += QStringLiteral("\r\nData Cleared");
        }
    }
    if (CheckValue(chkUpdateTime) == 1 && !m_bUnloading) {
        m_vx->SetTime(iID, m_now());
        io_sLine += QStringLiteral("\r\nTime Updated");
    }
    if (CheckValue(chkPowerDown) == 1 && !m_bUnloading) {
        m_vx->PowerDown(iID);
        io_sLine += QStringLiteral("\r\nPower Down");
    }
}

void frmMain::showProgress(int records, Progress state)
{
    const qint64 seconds = m_downloadClock.elapsed() / 1000;
    const QString elapsed = QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    const QString count = records == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(records);
    switch (state) {
    case Progress::Running:
        lblProgress->setText(QStringLiteral("Downloading: %1, %2").arg(count, elapsed));
        break;
    case Progress::Finished:
        lblProgress->setText(QStringLiteral("Downloaded %1 in %2").arg(count, elapsed));
        break;
    case Progress::Stopped:
        lblProgress->setText(QStringLiteral("Download stopped after %1").arg(count));
        break;
    }
}
