// What only the real program shows: its exit statuses, standard output and
// standard error kept apart, and what it makes of the kind of its standard
// output (a pipe, a file, a full device, a terminal).
#include "Processes.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace vx::test;

namespace {

class CtlProcess : public ::testing::Test {
protected:
    CtlProcess()
    {
        writeFileBytes(dir.filePath("records.txt"), "00FF,x\n0002,a\tb\n");
        sim = std::make_unique<SimProcess>(
            QStringList{"--records", dir.filePath("records.txt"), "--version", "V2\x1b[2J"}, env);
    }

    // The tool with its standard output going to a file or a device.
    ToolResult runToFile(const QString &out, const QStringList &args, const QString &err = {})
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setStandardOutputFile(out, QIODevice::Append);
        if (!err.isEmpty())
            p.setStandardErrorFile(err, QIODevice::Append);
        p.start(toolProgram(), QStringList{"--port", sim->device()} + args);
        ToolResult r;
        if (p.waitForFinished(60'000) && p.exitStatus() == QProcess::NormalExit)
            r.status = p.exitCode();
        if (err.isEmpty())
            r.err = p.readAllStandardError();
        return r;
    }
    ToolResult tool(const QStringList &args) { return runTool(QStringList{"--port", sim->device()} + args, env); }

    QTemporaryDir dir;
    QProcessEnvironment env = withConfigDir(dir.filePath("config"));
    std::unique_ptr<SimProcess> sim;
};

} // namespace

TEST_F(CtlProcess, ExitStatusesAndStreams)
{
    ASSERT_TRUE(sim->started()) << qPrintable(sim->errors());
    ToolResult r = tool({"download"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "255,x\r\n2,a\tb\r\n");
    EXPECT_EQ(r.err, "2 records\n");
    EXPECT_EQ(tool({"version"}).out, "V2\x1b[2J\n");
    r = tool({"--id", "5", "--timeout", "200", "count"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vx500ctl: ErrCode: -1, VX_ERR_TIMEOUT\n");
    EXPECT_EQ(runTool({"frobnicate"}, env).status, 2);
    r = runTool({"--port", "/dev/ttyVX-does-not-exist", "count"}, env);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "vx500ctl: /dev/ttyVX-does-not-exist: no such device\n");
    r = runToFile("/dev/full", {"count"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "vx500ctl: standard output: No space left on device\n");
}

TEST_F(CtlProcess, ClearWantsStandardOutputInAFile)
{
    ASSERT_TRUE(sim->started()) << qPrintable(sim->errors());
    ToolResult r = tool({"download", "--clear"}); // a pipe
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(tool({"count"}).out, "2\n");

    const QString data = dir.filePath("VX.txt");
    r = runToFile(data, {"download", "--clear"});
    EXPECT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(fileBytes(data), "255,x\r\n2,a\tb\r\n");
    EXPECT_EQ(tool({"count"}).out, "0\n");
}

TEST_F(CtlProcess, ATerminalSeesEscapesAndNoCounterAmongTheRecords)
{
    ASSERT_TRUE(sim->started()) << qPrintable(sim->errors());
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
}
