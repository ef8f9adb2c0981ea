// The reader station tab: one table row per query.
#include "MainWindow.h"

#include "terminal/TerminalLink.h"

#include <QComboBox>
#include <QPlainTextEdit>

std::span<const MainWindow::StationQuery> MainWindow::stationQueries()
{
    static const StationQuery queries[] = {
        {"stationVersionButton", QT_TR_NOOP("Get VX500R/U Versi&on"), &vx::TerminalLink::readStationVersion},
        {"stationInformationButton", QT_TR_NOOP("Get VX500R/U &Information"), &vx::TerminalLink::readStationInformation},
    };
    return queries;
}

void MainWindow::queryStation(const StationQuery &query)
{
    // One exchange at a time, as any command (CommandGuard).
    const auto command = m_guard.start();
    if (!command)
        return;

    m_link->setTimeout(vx::kStationTimeoutMs);
    m_link->setCommPort(static_cast<qint16>(m_portBox->currentIndex() + 1));
    showPort();
    QString text;
    m_stationQuery = true;
    (m_link->*query.read)(text);
    m_stationQuery = false;
    const QString line = m_link->status() == 0 ? text : m_link->statusText();
    appendLine(m_stationLog, line);
    setResult(tr(query.caption).remove(QLatin1Char('&')) + QStringLiteral(": ") + line);
}
