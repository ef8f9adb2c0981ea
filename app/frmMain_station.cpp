// The reader station tab: version and information queries.
#include "frmMain.h"

#include "modGeneral.h"
#include "ucVX300_500.h"

#include <QComboBox>
#include <QPlainTextEdit>

void frmMain::cmdDK90_Click(int index)
{
    // One exchange at a time: ignored while any command runs, and it holds
    // the other buttons off while it runs itself.
    if (m_bBusy)
        return;
    setBusy(true);
    setCursor(Qt::WaitCursor);

    m_vx->Timeout(vx::kStationTimeoutMs);
    m_vx->CommPort(static_cast<qint16>(cboCommPort->currentIndex() + 1));
    showPort();
    QString text;
    m_bStationQuery = true;
    if (index == kStationVersion)
        m_vx->DS90_GetVersion(text);
    else if (index == kStationInformation)
        m_vx->DS90_GetInformation(text);
    m_bStationQuery = false;
    const QString line = m_vx->ErrCode() == 0 ? text : m_vx->ErrMessage();
    modGeneral::AppendLine(txtDK90, line);

    unsetCursor();
    setBusy(false);
}
