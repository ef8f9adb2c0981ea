#include "Processes.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace vx::test {

namespace {

// The child gets SIGKILL when this process ends, and ends at once if this
// process ended between the fork and that request.
void startDyingWithUs(QProcess &process, const QString &program, const QStringList &arguments)
{
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
    });
    process.start(program, arguments);
}

void killAndReap(QProcess &process, int graceMs)
{
    process.terminate();
    if (!process.waitForFinished(graceMs)) {
        process.kill();
        process.waitForFinished(-1);
    }
}

} // namespace

QString simProgram() { return QStringLiteral(VX500_SIM_BINARY); }
QString toolProgram() { return QStringLiteral(VX500CTL_BINARY); }

QProcessEnvironment withConfigDir(const QString &dir)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir);
    environment.insert(QStringLiteral("HOME"), dir);
    environment.insert(QStringLiteral("XDG_STATE_HOME"), dir + QStringLiteral("/state"));
    return environment;
}

ToolResult runProgram(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
                      const QByteArray &input, int timeoutMs, const QString &outFile, const QString &errFile)
{
    QProcess p;
    p.setProcessEnvironment(environment);
    if (!outFile.isEmpty())
        p.setStandardOutputFile(outFile, QIODevice::Append);
    if (!errFile.isEmpty())
        p.setStandardErrorFile(errFile, QIODevice::Append);
    startDyingWithUs(p, program, arguments);
    if (!p.waitForStarted(10'000))
        return {};
    p.write(input);
    p.closeWriteChannel();
    const bool ended = p.waitForFinished(timeoutMs);
    if (!ended)
        killAndReap(p, 0);
    const bool normal = ended && p.exitStatus() == QProcess::NormalExit;
    return {normal ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

SimProcess::SimProcess(const QStringList &arguments, const QProcessEnvironment &environment)
{
    m_process.setProcessEnvironment(environment);
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("stderr")));
    startDyingWithUs(m_process, simProgram(), arguments);
    const QDeadlineTimer deadline(20'000);
    while (!m_process.canReadLine() && !deadline.hasExpired() && m_process.state() != QProcess::NotRunning)
        m_process.waitForReadyRead(100);
    if (m_process.canReadLine())
        m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
}

SimProcess::~SimProcess() { killAndReap(m_process, 2000); }

void SimProcess::signal(int number)
{
    if (m_process.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(m_process.processId()), number);
}

int SimProcess::stop()
{
    m_process.terminate();
    return waitForEnd();
}

int SimProcess::waitForEnd(int msecs)
{
    m_process.waitForFinished(msecs);
    const bool ended = m_process.state() == QProcess::NotRunning && m_process.error() != QProcess::FailedToStart;
    return ended && m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QString SimProcess::errors() const
{
    QFile f(m_dir.filePath(QStringLiteral("stderr")));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

bool SimProcess::waitForErrors(const QString &text, int msecs) const
{
    const QDeadlineTimer deadline(msecs);
    while (!errors().contains(text) && !deadline.hasExpired())
        QThread::msleep(10);
    return errors().contains(text);
}

} // namespace vx::test
