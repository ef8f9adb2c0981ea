// What only the real program shows: standard output and standard error kept
// apart, what it makes of the kind of its standard output (a pipe, a file, a
// full device, a terminal), and watch ended by SIGTERM as the system ends it.
// Its exit statuses for line and disk faults: tests/faults.
#include "Processes.h"
#include "TestFiles.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace vx::test;

TEST(CtlProcess, StreamsTheKindOfStandardOutputAndWatchEndedBySigterm)
{
    QTemporaryDir dir;
    ASSERT_TRUE(writeFileBytes(dir.filePath("records.txt"), "00FF,x\n0002,a\tb\n"));
    const QProcessEnvironment env = withConfigDir(dir.filePath("config"));
    SimProcess sim({"--records", dir.filePath("records.txt"), "--firmware", "V2\x1b[2J"}, env);
    ASSERT_TRUE(sim.started()) << qPrintable(sim.errors());
    const QString watched = dir.filePath("watched.txt");
    const auto tool = [&](const QStringList &args) { return runTool(QStringList{"--port", sim.device()} + args, env); };
    // The tool with its standard output (and error, if given) going to a file or a device.
    const auto runToFile = [&](const QString &out, const QStringList &args, const QString &err = {}) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setStandardOutputFile(out, QIODevice::Append);
        if (!err.isEmpty())
            p.setStandardErrorFile(err, QIODevice::Append);
        p.start(toolProgram(), QStringList{"--port", sim.device()} + args);
        const bool ended = p.waitForFinished(60'000) && p.exitStatus() == QProcess::NormalExit;
        return ToolResult{ended ? p.exitCode() : -1, {}, err.isEmpty() ? p.readAllStandardError() : QByteArray()};
    };

    ToolResult r = tool({"download", "--clear"}); // a pipe
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.isEmpty());
    r = tool({"download"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "255,x\r\n2,a\tb\r\n");
    EXPECT_EQ(r.err, "2 records\n");
    EXPECT_EQ(tool({"version"}).out, "V2\x1b[2J\n");
    r = runToFile("/dev/full", {"count"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "vx500ctl: standard output: No space left on device\n");
    r = runToFile("/dev/full", {"download"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "0 records\nvx500ctl: standard output: No space left on device\n");

    // A terminal sees escapes and no counter among the records.
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    termios raw {};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    EXPECT_EQ(runToFile(name, {"download"}, name).status, 0);
    EXPECT_EQ(runToFile(name, {"version"}, name).status, 0);
    ::close(slave);
    QByteArray screen;
    char buffer[4096];
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        screen.append(buffer, n);
    ::close(master);
    EXPECT_EQ(screen, "255,x\r\n2,a\tb\r\n2 records\nV2\\x1b[2J\n");

    // Standard output appended to a regular file: the fault table.
    // Watch takes the docked terminal's records into the file and clears it, then ends at SIGTERM.
    QProcess watch;
    watch.setProcessEnvironment(env);
    watch.start(toolProgram(), {"--port", sim.device(), "watch", "-o", watched, "--clear", "--interval", "1"});
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains('\n') && clock.elapsed() < 20'000 && watch.state() != QProcess::NotRunning) {
        watch.waitForReadyRead(500);
        out += watch.readAllStandardOutput();
    }
    EXPECT_TRUE(out.endsWith(" machine 0: 2 records to " + watched.toUtf8() + "; cleared\n")) << out.constData();
    watch.terminate(); // SIGTERM, and only while it runs: never to a process id of 0
    ASSERT_TRUE(watch.waitForFinished(10'000));
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0) << watch.readAllStandardError().constData();
    EXPECT_EQ(fileBytes(watched), "255,x\r\n2,a\tb\r\n");
    EXPECT_EQ(tool({"count"}).out, "0\n");
}
