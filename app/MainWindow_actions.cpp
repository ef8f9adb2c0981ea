// The terminal actions of the general tab: one table row per button, its
// handler the code of that action; what every exchange does around it, the
// result step, and the failure path.
#include "MainWindow.h"

#include "Dialogs.h"
#include "terminal/Numbers.h"
#include "portnames/PortNames.h"
#include "terminal/TerminalLink.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
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

// The buttons, in the order Tab moves through them within each group; a new
// terminal command's button is one more row here.
std::span<const MainWindow::TerminalAction> MainWindow::terminalActions()
{
    using W = MainWindow;
    static const TerminalAction actions[] = {
        {"setTimeButton", QT_TR_NOOP("&Set Time"), Group::Settings, 1, 0,
         [](W &w, qint16 machine) -> ActionEnd {
             w.m_link->setTime(machine, terminalTime(w.m_dateEdit->date(), w.m_timeEdit->time()));
             return QString();
         }},
        {"getTimeButton", QT_TR_NOOP("Get T&ime"), Group::Settings, 1, 1,
         [](W &w, qint16 machine) -> ActionEnd {
             QDateTime dt;
             w.m_link->readTime(machine, dt);
             return w.m_link->status() == 0 ? generalDate(dt) : QString();
         }},
        {"syncTimeButton", QT_TR_NOOP("S&ync. Time"), Group::Settings, 1, 2,
         [](W &w, qint16 machine) -> ActionEnd {
             const QDateTime now = w.m_now();
             w.m_link->setTime(machine, terminalTime(now.date(), now.time()));
             return QString();
         }},
        {"setMachineNumberButton", QT_TR_NOOP("Set M&ach#"), Group::Settings, 2, 1,
         [](W &w, qint16 machine) -> ActionEnd {
             const auto number = machineNumber(w.m_newMachineEdit->text());
             if (!number)
                 return vx::Failure{.kind = vx::FailureKind::Overflow};
             w.m_link->setMachineNumber(machine, *number);
             return QString();
         }},
        {"getMachineNumberButton", QT_TR_NOOP("Get Mac&h#"), Group::Settings, 2, 2,
         [](W &w, qint16 machine) -> ActionEnd {
             qint16 number = 0;
             w.m_link->readMachineNumber(machine, number);
             return QString::number(number);
         }},
        // The service buttons (shown only under the master password) come
        // last in their groups, so that without them there is no hole.
        {"powerDownButton", QT_TR_NOOP("&Power Down"), Group::Device, 0, 0,
         [](W &w, qint16 machine) -> ActionEnd {
             w.m_link->powerDown(machine);
             return QString();
         }},
        {"getVersionButton", QT_TR_NOOP("Get Versio&n"), Group::Device, 0, 1,
         [](W &w, qint16 machine) -> ActionEnd {
             QString version;
             w.m_link->readVersion(machine, version);
             return version;
         }},
        {"batteryVoltageButton", QT_TR_NOOP("&Battery Voltage"), Group::Device, 1, 0, nullptr, false,
         QT_TR_NOOP("Not offered in the window: vx500ctl voltage reads it")},
        {"selfTestButton", QT_TR_NOOP("Invo&ke Test"), Group::Device, 1, 1,
         [](W &w, qint16 machine) -> ActionEnd {
             w.m_link->runSelfTest(machine);
             return QString();
         },
         true},
        {"downloadButton", QT_TR_NOOP("&Download Data"), Group::Data, 0, 0,
         [](W &w, qint16 machine) -> ActionEnd {
             if (auto failure = w.download(machine))
                 return *failure;
             return Done{}; // the download writes its own lines
         }},
        {"recordCountButton", QT_TR_NOOP("&Record Count"), Group::Data, 0, 1,
         [](W &w, qint16 machine) -> ActionEnd {
             qint16 count = 0;
             w.m_link->readRecordCount(machine, count);
             return QString::number(count);
         }},
        {"clearDataButton", QT_TR_NOOP("C&lear Data"), Group::Data, 1, 0,
         [](W &w, qint16 machine) -> ActionEnd {
             // No is the default: Enter never wipes a terminal. Answered No,
             // nothing was done: no line speaks of it.
             if (w.m_dialogs.ask({vx::Icon::Question, vx::Buttons::YesNo, vx::appTitle(),
                                  tr("Clear the data of terminal?"), vx::Answer::No})
                 != vx::Answer::Yes)
                 return Done{};
             w.m_link->clearData(machine);
             return QString();
         }},
        {"recoverDataButton", QT_TR_NOOP("R&ecover Data"), Group::Data, 1, 1,
         [](W &w, qint16 machine) -> ActionEnd {
             w.m_link->recoverData(machine);
             return QString();
         },
         true},
    };
    return actions;
}

std::optional<qint16> MainWindow::machineNumber(const QString &text)
{
    return vx::toInt16(vx::leadingNumber(text));
}

// The user's general date form: the short date (with the full year) and
// the long time, the time left out at exactly midnight.
QString MainWindow::generalDate(const QDateTime &dt)
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

void MainWindow::appendLine(QPlainTextEdit *log, const QString &line)
{
    QTextCursor caret(log->document());
    caret.movePosition(QTextCursor::End);
    caret.insertText(line + QStringLiteral("\r\n"));
    log->setTextCursor(caret);
    log->verticalScrollBar()->setValue(log->verticalScrollBar()->maximum());
}

// A line in the general message box; the box is emptied first once it
// holds more than 60000 characters (download lines only).
void MainWindow::showLine(const QString &line)
{
    appendLine(m_log, line);
    m_logChars += line.size() + 2;
}

void MainWindow::runAction(const TerminalAction &action)
{
    if (!action.run) // a row not offered has no handler
        return;
    std::optional<vx::Failure> failure;
    {
        const auto command = m_guard.start();
        if (!command)
            return;
        setResult(QString()); // an earlier result must not pass for this one's
        failure = exchange(action);
    }
    // The action is over, its files are closed; then its failure is shown.
    if (failure) {
        if (m_resultLabel->text().isEmpty())
            setResult(captionOf(action) + QStringLiteral(": ") + vx::describe(*failure));
        presentFailure(*failure);
    }
}

QString MainWindow::captionOf(const TerminalAction &action)
{
    return tr(action.caption).remove(QLatin1Char('&'));
}

void MainWindow::setResult(const QString &text, const QString &whole)
{
    m_resultLabel->setText(text);
    m_resultLabel->setToolTip(whole);
}

std::optional<vx::Failure> MainWindow::exchange(const TerminalAction &action)
{
    try {
        m_link->setCommPort(static_cast<qint16>(m_portBox->currentIndex() + 1));
        showPort(); // a mapping may have changed since the port was picked
        const auto machine = machineNumber(m_machineEdit->text());
        if (!machine)
            return vx::Failure{.kind = vx::FailureKind::Overflow};
        m_link->setTimeout(vx::kTerminalTimeoutMs);
        const ActionEnd end = action.run(*this, *machine);
        if (const auto *failure = std::get_if<vx::Failure>(&end))
            return *failure;
        if (const auto *line = std::get_if<QString>(&end))
            showResult(action, *line, *machine);
        return std::nullopt;
    } catch (const std::bad_alloc &) {
        return vx::Failure{.kind = vx::FailureKind::OutOfMemory};
    } catch (const std::exception &error) {
        return vx::Failure{vx::FailureKind::Internal, QString::fromLocal8Bit(error.what())};
    }
}

// The result step: the terminal's status, its line, or "OK"; the same in
// the status bar after the button's caption.
void MainWindow::showResult(const TerminalAction &action, QString line, qint16 machine)
{
    const qint32 code = m_link->status();
    if (code != 0)
        line = QStringLiteral("ErrCode: %1, %2").arg(code).arg(m_link->statusText(code));
    else if (line.isEmpty())
        line = tr("OK");
    if (code == vx::VX_ERR_TIMEOUT)
        showNoAnswer(machine);
    else
        setResult(captionOf(action) + QStringLiteral(": ") + line);
    showLine(line);
}

void MainWindow::presentFailure(const vx::Failure &failure)
{
    m_dialogs.report(failure, m_stationQuery ? vx::appTitle() : QString());
}

void MainWindow::showNoAnswer(qint16 machine)
{
    setResult(tr("No answer on %1 from machine %2: is the terminal switched on and in its "
                                            "station?")
                                 .arg(vx::portAndDevice(m_portBox->currentText(), m_link->portName()))
                                 .arg(machine));
}

void MainWindow::clearLog()
{
    m_log->clear();
    m_logChars = 0;
}

void MainWindow::clearStationLog() { m_stationLog->clear(); }
