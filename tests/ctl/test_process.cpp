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
    // The tool with its standard output (and error) going to a pipe, or appended to a file or a device.
    const auto tool = [&](const QStringList &args, const QString &out = {}, const QString &err = {}) {
        return runTool(QStringList{"--port", sim.device()} + args, env, {}, 60'000, out, err);
    };
    const QByteArray full = "vx500ctl: standard output: No space left on device\n";
    const std::tuple<QStringList, QString, int, QByteArray, QByteArray> rows[] = {
        {{"download", "--clear"}, {}, 2, "", "vx500ctl: --clear needs the records in a regular file (-o FILE, or standard "
                                             "output redirected to one); standard output is not one, so nothing was done\n"},
        {{"download"}, {}, 0, "255,x\r\n2,a\tb\r\n", "2 records\n"}, {{"version"}, {}, 0, "V2\x1b[2J\n", ""},
        {{"count"}, "/dev/full", 3, "", full}, {{"download"}, "/dev/full", 3, "", full}};
    for (const auto &[args, out, status, printed, err] : rows) {
        const ToolResult r = tool(args, out);
        EXPECT_EQ(r.status, status) << qPrintable(args.join(' '));
        EXPECT_EQ(r.out, printed) << qPrintable(args.join(' '));
        EXPECT_EQ(r.err, err) << qPrintable(args.join(' '));
    }

    // A terminal sees escapes and no counter among the records.
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    termios raw {};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    EXPECT_EQ(tool({"download"}, name, name).status, 0);
    EXPECT_EQ(tool({"version"}, name, name).status, 0);
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
    EXPECT_TRUE(out.endsWith(" machine 0: 2 records received and saved in " + watched.toUtf8() + "; cleared\n")) << out.constData();
    watch.terminate(); // SIGTERM, and only while it runs: never to a process id of 0
    ASSERT_TRUE(watch.waitForFinished(10'000));
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0) << watch.readAllStandardError().constData();
    EXPECT_EQ(fileBytes(watched), "255,x\r\n2,a\tb\r\n");
}
