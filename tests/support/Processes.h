// The built programs as child processes of a test: vx500-sim and vx500ctl.
// A child dies with the test process however that ends (a failed assertion,
// a crash, a time-out kill), and every object kills and reaps its child.
//
//   SimProcess sim({"--generate", "5", "--log"});     // link vxtestprocs
//   ASSERT_TRUE(sim.started()) << qPrintable(sim.errors());
//   const ToolResult r = runTool({"--port", sim.device(), "count"});
//   EXPECT_EQ(r.status, 0);
//   sim.signal(SIGUSR1);                               // wakes the terminal
//   ASSERT_TRUE(sim.waitForErrors("wakes up"));
//   EXPECT_EQ(sim.stop(), 0);                          // SIGTERM, status 0
// Children share the test's private settings folder (TestMain); one of their
// own: SimProcess sim(args, withConfigDir(dir)), runTool(args, withConfigDir(dir)).
#pragma once

#include <QProcess>
#include <QTemporaryDir>

namespace vx::test {

QString simProgram();
QString toolProgram();

// This process's environment with the user's settings folder (and home) at dir.
QProcessEnvironment withConfigDir(const QString &dir);

struct ToolResult {
    int status = -1; // the exit status; -1 when it did not start, crashed or ran out of time
    QByteArray out;
    QByteArray err;
};

// Runs a program to its end with input on its standard input; killed after
// timeoutMs. With outFile (errFile) its standard output (error) is appended
// to that file.
ToolResult runProgram(const QString &program, const QStringList &arguments,
                      const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                      const QByteArray &input = {}, int timeoutMs = 60'000, const QString &outFile = {},
                      const QString &errFile = {});
inline ToolResult runTool(const QStringList &arguments,
                          const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                          const QByteArray &input = {}, int timeoutMs = 60'000, const QString &outFile = {},
                          const QString &errFile = {})
{
    return runProgram(toolProgram(), arguments, environment, input, timeoutMs, outFile, errFile);
}

// The simulator, started with its options; its device path is the first line
// of its output. Its standard error goes to a file, so a long log never stalls it.
class SimProcess {
public:
    explicit SimProcess(const QStringList &arguments,
                        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    // SIGTERM, then SIGKILL if it has not ended within two seconds.
    ~SimProcess();

    bool started() const { return !m_device.isEmpty(); }
    QString device() const { return m_device; }
    void signal(int number);
    // SIGTERM, then its exit status as waitForEnd gives it.
    int stop();
    // Waits for it to end by itself; its exit status, -1 while it runs or after a crash.
    int waitForEnd(int msecs = 5000);
    // Everything it wrote to its standard error so far; waits for a text there.
    QString errors() const;
    bool waitForErrors(const QString &text, int msecs = 5000) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_device;
};

} // namespace vx::test
