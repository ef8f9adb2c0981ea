// vx500-sim as a program on a real pseudo-terminal, for what only the program
// shows: its options, record files and settings file, the line settings it
// reads off the pair, its signals, the pulled cable, and the names it
// registers for the line.
#include "portnames/PortNames.h"
#include "Processes.h"
#include "TestFiles.h"
#include "settings/UserSettings.h"
#include "terminal/TerminalLink.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace vx;
using namespace vx::test;

namespace {

// The terminal's record count, asked with the port opened anew at these line
// settings; -1 when the link failed.
qint16 count(vx::TerminalLink &vx, const LineSettings &line = kTerminalLine, qint16 id = 0)
{
    vx.closePort();
    vx.port().setSettings(line);
    qint16 n = -1;
    vx.readRecordCount(id, n);
    return vx.status() == VX_SUCCESS ? n : -1;
}

QString setting(const QString &key) { return openUserSettings()->value(key).toString(); }

} // namespace

TEST(SimProgram, OptionsRecordFilesAndSettingsAreCheckedBeforeTheLineOpens)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("records.txt")), ini = dir.filePath(QStringLiteral("VX500-500A Monitor.ini"));
    const QString unreadable = QStringLiteral("vx500-sim: %1 is not a readable settings file; not changed\n").arg(ini);
    // a file written with these bytes first and left as it was (none: empty),
    // the options, the exit status, what it says
    const std::tuple<QString, QByteArray, QStringList, int, QString> rows[] = {
        {{}, {}, {"--id", "256"}, 2, "vx500-sim: --id wants a number from 0 to 255, not \"256\"\n"},
        {{}, {}, {"--eot-in-record", "0"}, 2, "vx500-sim: --eot-in-record wants a number from 1 to 1000000, not \"0\"\n"},
        {{}, {}, {"--b-answer", "both"}, 2, "vx500-sim: --b-answer is voltage or tag-count, not \"both\"\n"},
        {{}, {}, {"--register", "COM17"}, 2, "vx500-sim: --register wants a port name from COM1 to COM16, not \"COM17\"\n"},
        {{}, {}, {"--generate", "1", "--seed", "x"}, 2, "vx500-sim: --seed wants a number, not \"x\"\n"},
        {{}, {}, {"--records", "/no/such/file"}, 2, "vx500-sim: cannot read /no/such/file: No such file or directory\n"},
        {{}, {}, {"stray"}, 2, "vx500-sim: unexpected argument \"stray\" (see --help)\n"},
        {{}, {}, {"--version"}, 0, "vx500-sim " VX_VERSION_TEXT "\n"},
        {file, "0001,a\r\n\n0003,b\rc\n", {"--records", file}, 2, file + " line 3: control byte 0x0D; records hold text and tabs only"},
        {file, QByteArray("0001,a\r\n0002,\0b\n", 16), {"--records", file}, 2, file + " line 2: control byte 0x00"},
        {ini, "[Connect]\nno equals sign\n", {"--register", "COM4"}, 1, unreadable},
        {file, "data", {"--link", file}, 1, "vx500-sim: " + file + " exists and is not a symbolic link; not replaced\n"},
        {{}, {}, {"--link", dir.filePath("no/folder")}, 1, "vx500-sim: cannot create the link " + dir.filePath("no/folder")
                                                                + ": No such file or directory\n"},
    };
    for (const auto &[path, bytes, args, status, says] : rows) {
        ASSERT_TRUE(path.isEmpty() || writeFileBytes(path, bytes));
        const ToolResult r = runProgram(simProgram(), args, withConfigDir(dir.path()));
        EXPECT_EQ(r.status, status) << qPrintable(args.join(u' '));
        EXPECT_TRUE(QString::fromLocal8Bit(r.out + r.err).contains(says)) << qPrintable(r.out + r.err);
        EXPECT_TRUE(path.isEmpty() || fileBytes(path) == bytes);
    }
    const QString help = QString::fromLocal8Bit(runProgram(simProgram(), {"--help"}).out);
    EXPECT_TRUE(help.startsWith(QStringLiteral("Usage: vx500-sim [options]\n"))) << qPrintable(help);
    EXPECT_TRUE(help.contains(QStringLiteral("--eot-in-record <k>")));
}

TEST(SimProgram, HearsTheHostsLineSettingsWakesOnSigusr1AndEndsWithAPulledCable)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("records.txt"));
    ASSERT_TRUE(writeFileBytes(file, "00FF,first\r\n\nFFFF,\tsecond\n8000,third"));
    SimProcess sim({"--records", file, "--generate", "2", "--hangup-after", "4", "--station-version", "R V1", "--log", "--id", "7"});
    ASSERT_TRUE(sim.started()) << qPrintable(sim.errors());
    vx::TerminalLink vx;
    vx.setPortName(sim.device());
    vx.setTimeout(500);
    QString version;
    vx.readStationVersion(version);
    EXPECT_EQ(version, QStringLiteral("R V1"));
    EXPECT_TRUE(sim.waitForErrors(QStringLiteral("host (9600,n,8,1): 05 42 30 30 56 0D")));
    // A pseudo-terminal keeps 8 data bits and no parity; speed and stop bits it keeps as set.
    for (const LineSettings &line : {LineSettings{9600}, LineSettings{19200, LineSettings::Parity::None, 8,
                                                                       LineSettings::StopBits::Two}, kTerminalLine}) {
        EXPECT_EQ(count(vx, line, 7), line == kTerminalLine ? 5 : -1) << qPrintable(line.toString());
        EXPECT_TRUE(sim.waitForErrors(QStringLiteral("host (%1): 05 30 37 41").arg(line.toString())));
    }
    vx.powerDown(7);
    EXPECT_EQ(count(vx, kTerminalLine, 7), -1) << "powered down";
    sim.signal(SIGUSR1);
    ASSERT_TRUE(sim.waitForErrors(QStringLiteral("the terminal wakes up")));
    QStringList got;
    vx.beginDownload(7);
    for (QString record; vx.nextRecord(record), vx.status() == VX_SUCCESS;)
        got << record;
    EXPECT_EQ(got, QStringList({"00FF,first", "FFFF,\tsecond", "8000,third", "5DB5106E,4984940680651,2024/03/01,08:02:34"}));
    EXPECT_EQ(vx.status(), VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(sim.waitForEnd(), 0) << qPrintable(sim.errors());
    EXPECT_TRUE(sim.errors().endsWith(QStringLiteral("vx500-sim: the line was closed (pulled cable)\n")));
}

TEST(SimProgram, RegistersItsDeviceAndPutsBackWhatWasThere)
{
    QTemporaryDir links;
    const QString link = links.filePath(QStringLiteral("vx500"));
    openUserSettings()->setValue(QStringLiteral("Ports/COM3"), QStringLiteral("/dev/ttyUSB7"));
    QString gone = QStringLiteral("/dev/pts/4000"); // left by a simulator that was killed
    while (QFileInfo::exists(gone))
        gone += u'0';
    openUserSettings()->setValue(QStringLiteral("Ports/COM6"), gone);
    {
        SimProcess sim({"--link", link, "--register", "com3", "--generate", "2"});
        ASSERT_TRUE(sim.started()) << qPrintable(sim.errors());
        EXPECT_EQ(setting(QStringLiteral("Ports/COM3")), sim.device());
        vx::TerminalLink vx;
        vx.setPortName(link);
        EXPECT_EQ(count(vx), 2);
        SimProcess second({"--register", "COM3"});
        EXPECT_EQ(second.waitForEnd(), 1);
        EXPECT_EQ(second.errors(), QStringLiteral("vx500-sim: COM3 is already registered to %1\n").arg(sim.device()));
        SimProcess third({"--register", "COM6"});
        EXPECT_EQ(setting(QStringLiteral("Ports/COM6")), third.device()) << "a gone device is taken over";
        EXPECT_EQ(third.stop(), 0);
        EXPECT_EQ(sim.stop(), 0) << qPrintable(sim.errors());
    }
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_EQ(setting(QStringLiteral("Ports/COM3")), QStringLiteral("/dev/ttyUSB7"));
    EXPECT_FALSE(openUserSettings()->contains(QStringLiteral("Ports/COM6"))) << "a gone device is not put back";
    // Killed, it cannot put anything back; its mapping is void without it.
    SimProcess killed({"--register", "COM7"});
    ASSERT_TRUE(killed.started());
    killed.signal(SIGKILL);
    killed.waitForEnd();
    EXPECT_EQ(setting(QStringLiteral("Ports/COM7")), killed.device());
    EXPECT_EQ(vx::mappedCommPort(7, setting(QStringLiteral("Ports/COM7")), setting(QStringLiteral("Simulator/COM7"))),
              QStringLiteral("/dev/ttyS6"));
}
