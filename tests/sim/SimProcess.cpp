#include "SimProcess.h"

#include <QDeadlineTimer>

namespace vx::sim::test {

SimProcess::SimProcess(const QStringList &arguments, const QProcessEnvironment &environment)
{
    m_process.setProcessEnvironment(environment);
    m_process.start(QStringLiteral(VX500_SIM_BINARY), arguments);
    if (!m_process.waitForStarted(5000))
        return;
    QDeadlineTimer deadline(10'000);
    while (!m_process.canReadLine() && !deadline.hasExpired()
           && m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    if (m_process.canReadLine())
        m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
}

SimProcess::~SimProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

bool SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    m_process.terminate();
    return waitForEnd();
}

bool SimProcess::waitForEnd(int msecs)
{
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(msecs))
        return false;
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

QString SimProcess::errors()
{
    m_errors += m_process.readAllStandardError();
    return QString::fromLocal8Bit(m_errors);
}

} // namespace vx::sim::test
