// The reader station tab: version and information queries.
#include "MainWindow.h"

#include "modGeneral.h"
#include "TerminalLink.h"

#include <QComboBox>
#include <QPlainTextEdit>

void MainWindow::cmdDK90_Click(int index)
{
    // One exchange at a time: ignored while any command runs, and it holds
    // the other buttons off while it runs itself.
    if (m_busy)
        return;
    setBusy(true);
    setCursor(Qt::WaitCursor);

    m_vx->setTimeout(vx::kStationTimeoutMs);
    m_vx->setCommPort(static_cast<qint16>(cboCommPort->currentIndex() + 1));
    showPort();
    QString text;
    m_stationQuery = true;
    if (index == kStationVersion)
        m_vx->readStationVersion(text);
    else if (index == kStationInformation)
        m_vx->readStationInformation(text);
    m_stationQuery = false;
    const QString line = m_vx->status() == 0 ? text : m_vx->statusText();
    modGeneral::AppendLine(txtDK90, line);

    unsetCursor();
    setBusy(false);
}
