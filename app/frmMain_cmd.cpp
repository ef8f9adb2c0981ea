// The device buttons of the general tab: one handler for the control array
// cmd, its common frame, the result step and the error path.
#include "frmMain.h"
#include "PortNames.h"

#include "Dialogs.h"
#include "Numbers.h"
#include "modGeneral.h"
#include "ucVX300_500.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTimeEdit>
#include <exception>
#include <new>

namespace {

// The moment the terminal is given: the date and time fields as they stand,
// to whole seconds. The terminal has no time zone, so the fields are kept in
// UTC, where every moment exists (a local moment that daylight saving skips
// would be no moment at all).
QDateTime terminalTime(const QDate &date, const QTime &time)
{
    return QDateTime(date, QTime(time.hour(), time.minute(), time.second()), Qt::UTC);
}

} // namespace

qint16 frmMain::machineNumber(const QString &text) const
{
    const auto value = vx::toInt16(vx::leadingNumber(text));
    if (!value)
        throw vx::Failure{vx::FailureKind::Overflow};
    return *value;
}

// The user's general date form: the short date (with the full year) and
// the long time, the time left out at exactly midnight.
QString frmMain::generalDate(const QDateTime &dt) const
{
    const QLocale locale;
    QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    if (!dateFormat.contains(QStringLiteral("yyyy")))
        dateFormat.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    const QString date = locale.toString(dt.date(), dateFormat);
    if (dt.time() == QTime(0, 0))
        return date;
    // The long time without the time zone.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t'));
    return date + QLatin1Char(' ') + locale.toString(dt.time(), timeFormat.trimmed());
}

// A line in the general message box; the box is emptied first once it
// holds more than 60000 characters (download lines only).
void frmMain::showLine(const QString &line)
{
    modGeneral::AppendLine(txt, line);
    m_lTxtChars += line.size() + 2;
}

void frmMain::cmd_Click(int index)
{
    if (m_bBusy)
        return;
    setBusy(true);
    // Over this window only: message boxes and the save dialog keep the arrow.
    setCursor(Qt::WaitCursor);

    try {
        m_vx->CommPort(static_cast<qint16>(cboCommPort->currentIndex() + 1));
        showPort(); // a mapping may have changed since the port was picked
        const qint16 iID = machineNumber(txtID->text());
        m_vx->Timeout(vx::kTerminalTimeoutMs);

        QString line;
        bool ran = true; // an operation went out, and its result is shown
        switch (index) {
        case kCmdSetTime:
            m_vx->SetTime(iID, terminalTime(dtpDate->date(), dtpTime->time()));
            break;
        case kCmdGetTime: {
            QDateTime dt;
            m_vx->GetTime(iID, dt);
            if (m_vx->ErrCode() == 0)
                line = generalDate(dt);
            break;
        }
        case kCmdRecordCount: {
            qint16 count = 0;
            m_vx->GetRecordCount(iID, count);
            line = QString::number(count);
            break;
        }
        case kCmdSetID:
            m_vx->SetID(iID, machineNumber(txtNewID->text()));
            break;
        case kCmdGetID: {
            qint16 id = 0;
            m_vx->GetID(iID, id);
            line = QString::number(id);
            break;
        }
        case kCmdGetVersion:
            m_vx->GetVersion(iID, line);
            break;
        case kCmdClearData:
            // No is the default: Enter never wipes a terminal.
            // Answered No, nothing was done: no line speaks of it.
            ran = m_dialogs.ask({vx::Icon::Question, vx::Buttons::YesNo, vx::appTitle(),
                                 QStringLiteral("Clear the data of terminal?"), vx::Answer::No})
                == vx::Answer::Yes;
            if (ran)
                m_vx->ClearData(iID);
            break;
        case kCmdRecoverData:
            m_vx->RecoverData(iID);
            break;
        case kCmdInvokeTest:
            m_vx->InvokeTest(iID);
            break;
        case kCmdPowerDown:
            m_vx->PowerDown(iID);
            break;
        case kCmdDownload:
            DownloadData(iID);
            break;
        case kCmdSyncTime: {
            const QDateTime now = m_now();
            m_vx->SetTime(iID, terminalTime(now.date(), now.time()));
            break;
        }
        default:
            break;
        }

        // The result step (the download writes its own lines).
        if (index != kCmdDownload && ran) {
            const qint32 code = m_vx->ErrCode();
            if (code != 0)
                line = QStringLiteral("ErrCode: %1, %2").arg(code).arg(m_vx->ErrMessage(code));
            if (code == vx::VX_ERR_TIMEOUT)
                showNoAnswer(iID);
            else if (line.isEmpty())
                line = QStringLiteral("OK");
            showLine(line);
        }
    } catch (const vx::Failure &failure) {
        failed(failure);
        return;
    } catch (const std::bad_alloc &) {
        failed({vx::FailureKind::OutOfMemory});
        return;
    } catch (const std::exception &error) {
        failed({vx::FailureKind::Internal, QString::fromLocal8Bit(error.what())});
        return;
    }

    unsetCursor();
    setBusy(false);
}

// The error path: the command is over, its files are closed (they closed
// while the error left the command), and the failure is reported.
void frmMain::failed(const vx::Failure &failure)
{
    setBusy(false);
    unsetCursor();
    m_dialogs.report(failure);
}

void frmMain::showNoAnswer(qint16 iID)
{
    lblProgress->setText(QStringLiteral("No answer on %1 from machine %2: is the terminal switched on and in its "
                                        "station?")
                             .arg(vx::portAndDevice(cboCommPort->currentText(), m_vx->PortName()))
                             .arg(iID));
}

void frmMain::cmdClear_Click(int index)
{
    if (index == kClearGeneral) {
        txt->clear();
        m_lTxtChars = 0;
    } else if (index == kClearStation) {
        txtDK90->clear();
    }
}
