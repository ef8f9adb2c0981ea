// The built vx500-sim as a child process: started with its options, its
// device path read from the first line of its output, stopped at the end.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace vx::sim::test {

class SimProcess {
public:
    explicit SimProcess(const QStringList &arguments,
                        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    ~SimProcess();

    bool started() const { return !m_device.isEmpty(); }
    QString device() const { return m_device; }
    QProcess &process() { return m_process; }

    // Ends the simulator with SIGTERM; true when it ended with status 0.
    bool stop();
    // Waits for the simulator to end by itself; true when it did with status 0.
    bool waitForEnd(int msecs = 5000);
    // Everything it printed on stderr so far.
    QString errors();

private:
    QProcess m_process;
    QString m_device;
    QByteArray m_errors;
};

} // namespace vx::sim::test
