#include "EndToEnd.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <csignal>

namespace vx::test {

EndToEndTest::EndToEndTest() : m_env(QProcessEnvironment::systemEnvironment())
{
    m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
}

EndToEndTest::~EndToEndTest()
{
    if (m_sim.state() != QProcess::NotRunning) {
        m_sim.terminate();
        if (!m_sim.waitForFinished(10'000)) {
            m_sim.kill();
            m_sim.waitForFinished(5000);
        }
    }
}

bool EndToEndTest::startSim(const QStringList &arguments)
{
    m_sim.setProcessEnvironment(m_env);
    m_sim.setStandardErrorFile(path(QStringLiteral("sim.log")));
    m_sim.start(QStringLiteral(VX500_SIM_BINARY), QStringList{QStringLiteral("--log")} + arguments);
    if (!m_sim.waitForStarted(10'000))
        return false;
    QDeadlineTimer deadline(20'000);
    while (!m_sim.canReadLine() && !deadline.hasExpired() && m_sim.state() == QProcess::Running)
        m_sim.waitForReadyRead(500);
    if (!m_sim.canReadLine())
        return false;
    device = QString::fromLocal8Bit(m_sim.readLine()).trimmed();
    return !device.isEmpty();
}

ToolResult EndToEndTest::ctlRaw(const QStringList &arguments, const QByteArray &input)
{
    QProcess p;
    p.setProcessEnvironment(m_env);
    if (!m_outputFile.isEmpty())
        p.setStandardOutputFile(m_outputFile);
    p.start(QStringLiteral(VX500CTL_BINARY), arguments);
    ToolResult r;
    if (!p.waitForStarted(10'000))
        return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60'000)) {
        p.kill();
        p.waitForFinished(5000);
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

ToolResult EndToEndTest::ctl(QStringList arguments, const QByteArray &input)
{
    if (!arguments.contains(QStringLiteral("--port")))
        arguments = QStringList{QStringLiteral("--port"), device} + arguments;
    return ctlRaw(arguments, input);
}

ToolResult EndToEndTest::ctlToFile(const QString &outputFile, const QStringList &arguments)
{
    m_outputFile = outputFile;
    ToolResult r = ctl(arguments);
    m_outputFile.clear();
    return r;
}

QString EndToEndTest::simLog() const
{
    QFile f(m_dir.filePath(QStringLiteral("sim.log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

bool EndToEndTest::wakeTerminal()
{
    static const QString woke = QStringLiteral("the terminal wakes up");
    const qsizetype before = simLog().count(woke);
    if (m_sim.state() != QProcess::Running)
        return false;
    ::kill(static_cast<pid_t>(m_sim.processId()), SIGUSR1);
    QDeadlineTimer deadline(10'000);
    while (simLog().count(woke) == before && !deadline.hasExpired())
        QThread::msleep(10);
    return simLog().count(woke) > before;
}

} // namespace vx::test
