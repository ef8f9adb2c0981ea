// watch as the system runs it: over a pseudo-terminal, ended by SIGTERM.
#include "Processes.h"
#include "TestFiles.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <csignal>

using namespace vx::test;

TEST(WatchProcess, DownloadsTheDockedTerminalAndEndsAtSigterm)
{
    QTemporaryDir dir;
    ASSERT_TRUE(writeFileBytes(dir.filePath("records.txt"), "0001,a\n00FF,b\n"));
    const QProcessEnvironment env = withConfigDir(dir.filePath("config"));
    SimProcess sim({"--records", dir.filePath("records.txt")}, env);
    ASSERT_TRUE(sim.started()) << qPrintable(sim.errors());
    const QString data = dir.filePath("VX.txt");
    QProcess watch;
    watch.setProcessEnvironment(env);
    watch.start(toolProgram(), {"--port", sim.device(), "watch", "-o", data, "--clear", "--interval", "1"});
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains('\n') && clock.elapsed() < 20'000 && watch.state() != QProcess::NotRunning) {
        watch.waitForReadyRead(500);
        out += watch.readAllStandardOutput();
    }
    EXPECT_TRUE(out.endsWith(" machine 0: 2 records to " + data.toUtf8() + "; cleared\n")) << out.constData();
    ::kill(static_cast<pid_t>(watch.processId()), SIGTERM);
    ASSERT_TRUE(watch.waitForFinished(10'000));
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0) << watch.readAllStandardError().constData();
    EXPECT_EQ(fileBytes(data), "1,a\r\n255,b\r\n");
}
