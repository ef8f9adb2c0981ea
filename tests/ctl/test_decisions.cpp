// The decisions that keep records and the screen safe: when to clear, where
// records may go, which tag files and settings files are refused, what a
// terminal shows.
#include "CtlFixture.h"

#include <QDir>
#include <sys/stat.h>
#include <unistd.h>

using namespace vx::test;

TEST_F(CtlTest, ClearOnlyWhatWasStored)
{
    const QString file = path("VX.txt");
    port.setDevice(&script);
    // The end of the records at once, while the terminal holds four.
    script.then(kEot).then(vx::dataFrame("4")).then(kEot);
    expectRun({"download", "-o", file, "--clear"}, 1, "",
              "no records received\nvx500ctl: not cleared: the terminal holds 4 records, 0 stored by this download\n");
    // The count matches and the clear is refused: the other steps still run.
    script.then(vx::dataFrame("1,a")).then(kEot).then(vx::dataFrame("1")).then(kEot);
    script.then(QByteArray(1, vx::NAK)).then(kAck).then(kAck).silence().then(kAck);
    expectRun({"download", "-o", file, "--clear", "--update-time", "--power-down", "--json"}, 1,
              R"({"command":"download","records":1,"added":1,"file":")" + file.toUtf8()
                  + R"(","earlier":[],"unconverted":0,"cleared":false,"clockSet":true,"poweredDown":true})" "\n",
              "vx500ctl: not cleared: ErrCode: -3, VX_ERR_ACK_NOT_GET\n");
    EXPECT_EQ(fileBytes(file), "1,a\r\n");
    QByteArray letters;
    for (const Written &w : port.writes())
        if (w.bytes.size() == 4 && w.bytes.front() == vx::ENQ)
            letters.append(w.bytes.back());
    EXPECT_EQ(letters, "IAIADSO");
}

TEST_F(CtlTest, ClearNeedsARegularFileAndIsRefusedFirst)
{
    const QString fifo = path("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &output : {QString("/dev/null"), fifo, QString()}) // none: standard output, a pipe
        expectRun(QStringList{"download", "--clear"} + (output.isEmpty() ? QStringList() : QStringList{"-o", output}),
                  2, "", "vx500ctl: --clear needs the records in a regular file (-o FILE, or standard output "
                         "redirected to one); " + (output.isEmpty() ? "standard output" : output)
                         + " is not one, so nothing was done\n");
    EXPECT_EQ(port.openCount(), 0);
}

TEST_F(CtlTest, TagFilesAreCheckedWholeBeforeAnythingIsSent)
{
    const QString file = path("tags.txt");
    const std::tuple<QString, QByteArray, int, QString> refused[] = { // a file written with these bytes first
        {file, "A\x03" "B\n", 2, "line 1: the control byte 0x03 in the code"},
        {file, "A\n\x7f", 2, "line 2: the control byte 0x7f in the code"},
        {file, QByteArray(65529, 'A'), 2, "line 1: a code longer than 65528 bytes"},
        {file, QByteArray("C\n").repeated(32768), 2, "line 32768: more than 32767 lines; a tag list holds at most 32767 codes"},
        {"/dev/zero", {}, 3, "not a regular file; a tag list is a text file"},
        {file + "-missing", {}, 3, "No such file or directory"},
    };
    for (const auto &[name, content, status, message] : refused) {
        ASSERT_TRUE(content.isEmpty() || writeFileBytes(name, content));
        expectRun({"tags", "upload", name}, status, "", "vx500ctl: " + name + ": " + message + "\n");
    }
    EXPECT_EQ(port.openCount(), 0);

    // The longest code goes out whole, in a frame of 65536 bytes.
    ASSERT_TRUE(writeFileBytes(file, QByteArray(65528, 'A') + "\r\n"));
    port.setDevice(&script);
    script.then(kAck).then(kAck);
    EXPECT_EQ(run({"tags", "upload", file}).status, 0);
    ASSERT_EQ(port.writes().size(), 3);
    EXPECT_EQ(port.writes().at(1).bytes, vx::dataFrame("00001" + QByteArray(65528, 'A')));
}

TEST_F(CtlTest, SettingsFileDecidesTheDeviceOrStopsTheRun)
{
    const QByteArray mapped = "[Connect]\nComport=2\n[Ports]\nCOM3=/dev/ttyUSB0\n";
    const std::tuple<QByteArray, QStringList, QString> cases[] = {
        {mapped, {"count"}, "/dev/ttyUSB0"},
        {mapped, {"--port", "com2", "count"}, "/dev/ttyS1"},
        {"[Connect]\nComport= 15 \n", {"count"}, "/dev/ttyS15"},
        {"[Connect]\nComport=16\n", {"count"}, "/dev/ttyS0"},
        {"[Connect]\nComport=3\nno equals sign\n", {"count"}, "not in the settings format"},
        {QByteArray(1024 * 1024 + 1, '#'), {"--port", "COM3", "count"},
         "1048577 bytes, more than the 1 MiB a settings file may have"},
        {QByteArray("\x00\x01 binary\n[Ports\n", 17), {"ports", "--map", "COM4=/dev/ttyUSB0"}, "not in the settings format"},
        {{}, {"--port", "COM1", "count"}, "not a regular file"}, // a folder in its place
        {mapped, {"ports", "--map", "COM4=/dev/ttyUSB0"}, "its lock file " + settingsPath() + ".lock is not a regular file; remove it"},
        {{}, {"--port", "/dev/ttyACM7", "count"}, "/dev/ttyACM7"}, // not needed, not read
        // a simulator's pseudo-terminal: while it runs, and once it is gone
        {"[Ports]\nCOM3=/dev/pts/77\n[Simulator]\nCOM3=" + QByteArray::number(::getpid()) + "\n", {"--port", "COM3", "count"}, "/dev/pts/77"},
        {"[Ports]\nCOM3=/dev/pts/77\n[Simulator]\nCOM3=2147480000\n", {"--port", "COM3", "count"}, "/dev/ttyS2"},
    };
    for (const auto &[content, args, expected] : cases) {
        QFile::remove(settingsPath());
        QDir().rmdir(settingsPath());
        ASSERT_TRUE(content.isEmpty() ? QDir().mkpath(settingsPath()) : writeFileBytes(settingsPath(), content));
        const QString lock = settingsPath() + ".lock"; // a folder in its place, only where the row names it
        ASSERT_TRUE(expected.contains(".lock") ? QDir().mkpath(lock) : QDir().rmdir(lock) || !QFileInfo::exists(lock));
        port.setPortName({});
        if (expected.startsWith('/')) {
            expectRun(args, 0, "0\n", "");
            EXPECT_EQ(port.portName(), expected);
            continue;
        }
        expectRun(args, 3, "", "vx500ctl: " + settingsPath() + ": the settings file cannot be read: " + expected + "\n");
        EXPECT_TRUE(port.portName().isEmpty());
        EXPECT_TRUE(content.isEmpty() || fileBytes(settingsPath()) == content) << "left as it was";
    }
    QDir().rmdir(settingsPath()), QDir().rmdir(settingsPath() + ".lock");
}

TEST_F(CtlTest, TerminalsSeeControlCharactersEscaped)
{
    model.setVersion("V2\x1b[2J\x7f~");
    model.setRecords({"1,\x1b]0;x\x07\t"});
    io.outIsTerminal = true;
    expectRun({"version"}, 0, "V2\\x1b[2J\\x7f~\n", "");
    expectRun({"download"}, 0, "1,\\x1b]0;x\\x07\t\r\n", "1 record\n");
    io.errIsTerminal = true; // the counter stays off the records' screen
    expectRun({"download"}, 0, "1,\\x1b]0;x\\x07\t\r\n", "1 record\n");
    expectRun({"download", "-o", path("VX.txt")}, 0, "", "\r1 of 1 record\r\x1b[K1 record received and saved in " + path("VX.txt").toUtf8() + "\n"); // out of the count asked first
    io.outIsTerminal = false;
    expectRun({"version"}, 0, "V2\x1b[2J\x7f~\n", "");
    expectRun({"download"}, 0, "1,\x1b]0;x\x07\t\r\n", "\r1 of 1 record\r\x1b[K1 record\n");
    expectRun({"download", "-q"}, 0, "1,\x1b]0;x\x07\t\r\n", "");
    model.setVersion(QString::fromLatin1("V\x1b\x7f\x80\x9f\xe9")); // JSON escapes C0 itself; DEL and C1 as well
    expectRun({"version", "--json"}, 0, R"({"command":"version","machine":0,"version":"V\u001b\u007f\u0080\u009f)" "\xc3\xa9\"}\n", "");
    // One warning for the records no number holds, after the counter (a
    // first field that converts to nine digits is no such record); device
    // bytes inside a message.
    model.setRecords({"39D2EB5E,a", "123456789,b", "0000000012345678A,c"});
    expectRun({"download"}, 0, "970124126,a\r\n123456789,b\r\n0000000012345678A,c\r\n",
              "\r1 of 3 records\r2 of 3 records\r3 of 3 records\r\x1b[K3 records\n2 records with a first field too large "
              "for a number (more than eight hexadecimal digits), written as they came\n");
    expectRun({"download", "-q"}, 0, "970124126,a\r\n123456789,b\r\n0000000012345678A,c\r\n", "");
    port.setDevice(&script);
    script.then(vx::dataFrame("2008\x1b[2J")).then(kEot);
    const QString err = run({"time"}).err;
    EXPECT_TRUE(err.contains("reads \"2008\\x1b[2J\"")) << qPrintable(err);
}

TEST_F(CtlTest, TraceShowsEveryTransmission)
{
    port.setDevice(&script);
    script.then(vx::dataFrame("3")).then(kEot);
    expectRun({"--trace", "count"}, 0, "3\n", "> 05 30 30 41\n< 02 33 03 33\n> 06\n< 04\n");
}

// A terminal that never ends its stream: more records than its count can
// state is a failure, the records that came are stored, nothing is cleared.
TEST_F(CtlTest, AnEndlessStreamEndsAtTheMostATerminalHolds)
{
    struct Endless : FakeDevice {
        void received(const QByteArray &bytes, FakePort &port) override
        {
            if (bytes.endsWith('I') || bytes == kAck)
                port.arriveAfter(1, vx::dataFrame("1,x"));
        }
    } endless;
    port.setDevice(&endless);
    port.setKeepWrites(false);
    const QString file = path("VX.txt");
    const CtlResult r = run({"download", "-o", file, "--clear", "-q"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vx500ctl: the terminal went on sending beyond 32767 records or 64 MiB, more than a terminal holds; "
                     "nothing was cleared\nvx500ctl: 32767 records received and saved in " + file
                     + "; the terminal keeps them, and the next download does not store them again\n");
    EXPECT_EQ(fileBytes(file), QByteArray("1,x\r\n").repeated(32767));
}
