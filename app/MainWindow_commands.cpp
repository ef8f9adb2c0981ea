// The device buttons of the general tab: one handler for the control array
// cmd, its common frame, the result step and the error path.
#include "MainWindow.h"
#include "PortNames.h"

#include "Dialogs.h"
#include "Numbers.h"
#include "modGeneral.h"
#include "TerminalLink.h"

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

qint16 MainWindow::machineNumber(const QString &text) const
{
    const auto value = vx::toInt16(vx::leadingNumber(text));
    if (!value)
        throw vx::Failure{vx::FailureKind::Overflow};
    return *value;
}

// The user's general date form: the short date (with the full year) and
// the long time, the time left out at exactly midnight.
QString MainWindow::generalDate(const QDateTime &dt) const
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
void MainWindow::showLine(const QString &line)
{
    modGeneral::AppendLine(txt, line);
    m_logChars += line.size() + 2;
}

void MainWindow::cmd_Click(int index)
{
    if (m_busy)
        return;
    setBusy(true);
    // Over this window only: message boxes and the save dialog keep the arrow.
    setCursor(Qt::WaitCursor);

    try {
        m_vx->setCommPort(static_cast<qint16>(cboCommPort->currentIndex() + 1));
        showPort(); // a mapping may have changed since the port was picked
        const qint16 id = machineNumber(txtID->text());
        m_vx->setTimeout(vx::kTerminalTimeoutMs);

        QString line;
        bool ran = true; // an operation went out, and its result is shown
        switch (index) {
        case kCmdSetTime:
            m_vx->setTime(id, terminalTime(dtpDate->date(), dtpTime->time()));
            break;
        case kCmdGetTime: {
            QDateTime dt;
            m_vx->readTime(id, dt);
            if (m_vx->status() == 0)
                line = generalDate(dt);
            break;
        }
        case kCmdRecordCount: {
            qint16 count = 0;
            m_vx->readRecordCount(id, count);
            line = QString::number(count);
            break;
        }
        case kCmdSetID:
            m_vx->setMachineNumber(id, machineNumber(txtNewID->text()));
            break;
        case kCmdGetID: {
            qint16 number = 0;
            m_vx->readMachineNumber(id, number);
            line = QString::number(number);
            break;
        }
        case kCmdGetVersion:
            m_vx->readVersion(id, line);
            break;
        case kCmdClearData:
            // No is the default: Enter never wipes a terminal.
            // Answered No, nothing was done: no line speaks of it.
            ran = m_dialogs.ask({vx::Icon::Question, vx::Buttons::YesNo, vx::appTitle(),
                                 QStringLiteral("Clear the data of terminal?"), vx::Answer::No})
                == vx::Answer::Yes;
            if (ran)
                m_vx->clearData(id);
            break;
        case kCmdRecoverData:
            m_vx->recoverData(id);
            break;
        case kCmdInvokeTest:
            m_vx->runSelfTest(id);
            break;
        case kCmdPowerDown:
            m_vx->powerDown(id);
            break;
        case kCmdDownload:
            DownloadData(id);
            break;
        case kCmdSyncTime: {
            const QDateTime now = m_now();
            m_vx->setTime(id, terminalTime(now.date(), now.time()));
            break;
        }
        default:
            break;
        }

        // The result step (the download writes its own lines).
        if (index != kCmdDownload && ran) {
            const qint32 code = m_vx->status();
            if (code != 0)
                line = QStringLiteral("ErrCode: %1, %2").arg(code).arg(m_vx->statusText(code));
            if (code == vx::VX_ERR_TIMEOUT)
                showNoAnswer(id);
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
void MainWindow::failed(const vx::Failure &failure)
{
    setBusy(false);
    unsetCursor();
    m_dialogs.report(failure);
}

void MainWindow::showNoAnswer(qint16 id)
{
    lblProgress->setText(QStringLiteral("No answer on %1 from machine %2: is the terminal switched on and in its "
                                        "station?")
                             .arg(vx::portAndDevice(cboCommPort->currentText(), m_vx->portName()))
                             .arg(id));
}

void MainWindow::cmdClear_Click(int index)
{
    if (index == kClearGeneral) {
        txt->clear();
        m_logChars = 0;
    } else if (index == kClearStation) {
        txtDK90->clear();
    }
}
