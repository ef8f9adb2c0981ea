// vx500-sim over real pseudo-terminals: the link with its QSerialPort
// adapter against the simulator program, as the monitor uses it.
#include "RecordGenerator.h"
#include "Processes.h"
#include "UserSettings.h"
#include "ucVX300_500.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>

using namespace vx::test;
using vx::VX_SUCCESS;

namespace {

class SimPty : public ::testing::Test {
protected:
    void TearDown() override
    {
        vx.reset(); // the port closes before the simulator goes
        if (sim)
            EXPECT_TRUE(sim->stop()) << qPrintable(sim->errors());
    }

    // Starts the simulator and a link on its device.
    void start(const QStringList &arguments,
               const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        sim = std::make_unique<SimProcess>(arguments, environment);
        ASSERT_TRUE(sim->started()) << qPrintable(sim->errors());
        ASSERT_TRUE(sim->device().startsWith(QStringLiteral("/dev/"))) << qPrintable(sim->device());
        vx = std::make_unique<ucVX300_500>();
        vx->SetErrorHandler([this](const vx::RuntimeError &e) { reports.append(e); });
        vx->SetPortName(sim->device());
        vx->Timeout(2000);
    }

    QStringList download(qint32 &endStatus)
    {
        QStringList got;
        vx->BeginDownload(0);
        for (QString record; vx->GetRecord(record), vx->ErrCode() == VX_SUCCESS;)
            got << record;
        endStatus = vx->ErrCode();
        return got;
    }

    QString reportText() const
    {
        QStringList lines;
        for (const auto &r : reports)
            lines << QStringLiteral("%1 %2").arg(r.number).arg(r.description);
        return lines.join(u'\n');
    }

    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<ucVX300_500> vx;
    QList<vx::RuntimeError> reports;
};

} // namespace

TEST_F(SimPty, EveryTerminalOperation)
{
    start({"--id", "5", "--generate", "12", "--version", "VX500A V2.10", "--voltage", "2.95V", "--self-test-time", "0",
           "--log"});

    const QDateTime set(QDate(2009, 1, 5), QTime(7, 8, 9));
    vx->SetTime(5, set);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    QDateTime read;
    vx->GetTime(5, read);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_GE(read, set);
    EXPECT_LE(read, set.addSecs(60));

    qint16 count = -1;
    vx->GetRecordCount(5, count);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(count, 12);

    QString version, voltage;
    vx->GetVersion(5, version);
    EXPECT_EQ(version, QStringLiteral("VX500A V2.10"));
    vx->GetVoltage(5, voltage);
    EXPECT_EQ(voltage, QStringLiteral("2.95V"));

    vx->SetID(5, 0x1A);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    qint16 id = -1;
    vx->GetID(0x1A, id);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(id, 0x1A);

    vx->ClearData(0x1A);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    vx->GetRecordCount(0x1A, count);
    EXPECT_EQ(count, 0);
    vx->RecoverData(0x1A);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    vx->GetRecordCount(0x1A, count);
    EXPECT_EQ(count, 12);

    vx->InvokeTest(0x1A);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    vx->PowerDown(0x1A);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    vx->Timeout(300);
    vx->GetRecordCount(0x1A, count);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_TIMEOUT) << "powered down";

    sim->signal(SIGUSR1);
    ASSERT_TRUE(sim->waitForErrors(QStringLiteral("wakes up")));
    vx->Timeout(2000);
    count = -1;
    vx->GetRecordCount(0x1A, count);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(count, 12);
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reportText());
}

TEST_F(SimPty, ReaderStationAt9600ThenTheTerminalAt19200)
{
    start({"--station-version", "VX500R V1.04", "--station-info", "READER, 2 SLOTS", "--generate", "3", "--log"});
    vx->Timeout(3000);
    QString version, info;
    vx->DS90_GetVersion(version);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(version, QStringLiteral("VX500R V1.04"));
    vx->DS90_GetInformation(info);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(info, QStringLiteral("READER, 2 SLOTS"));
    EXPECT_FALSE(vx->Port().isOpen());
    EXPECT_EQ(vx->Port().settings(), QStringLiteral("19200,n,8,1"));

    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(count, 3);
    // The simulator heard each request at the speed the host set on the line.
    ASSERT_TRUE(sim->waitForErrors(QStringLiteral("host (19200,n,8,1): 05 30 30 41")));
    EXPECT_TRUE(sim->errors().contains(QStringLiteral("host (9600,n,8,1): 05 42 30 30 56 0D")));
    EXPECT_TRUE(sim->errors().contains(QStringLiteral("host (9600,n,8,1): 05 42 30 30 4E 0D")));
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reportText());
}

TEST_F(SimPty, WrongLineSpeedReadsGarbage)
{
    start({"--generate", "3"});
    vx->Port().setSettings(QStringLiteral("9600,n,8,1"));
    vx->Timeout(1000); // time enough for the garbage to arrive on a busy machine
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_NE(vx->ErrCode(), VX_SUCCESS);
    vx->ClearData(0);
    EXPECT_NE(vx->ErrCode(), VX_SUCCESS);

    // A pseudo-terminal keeps 8 data bits and no parity whatever the host
    // asks; the stop bits are kept as set.
    vx->Disconnect();
    vx->Port().setSettings(QStringLiteral("19200,n,8,2"));
    vx->GetRecordCount(0, count);
    EXPECT_NE(vx->ErrCode(), VX_SUCCESS) << qPrintable(reportText());

    vx->Disconnect();
    vx->Port().setSettings(QStringLiteral("19200,n,8,1"));
    vx->Timeout(2000);
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(count, 3) << "nothing was cleared by the garbled request";
}

TEST_F(SimPty, ThousandRecordDownload)
{
    start({"--generate", "1000"});
    QElapsedTimer clock;
    clock.start();
    qint32 end = 0;
    const QStringList got = download(end);
    const qint64 ms = clock.elapsed();
    std::cout << "vx500-sim: downloaded " << got.size() << " records over " << qPrintable(sim->device())
              << " in " << ms << " ms" << std::endl;
    EXPECT_EQ(end, vx::VX_END_OF_STREAM);
    EXPECT_EQ(got, vx::sim::RecordGenerator{}.generate(1000));
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reportText());
}

TEST_F(SimPty, RecordsFromAFileComeFirstThenGeneratedOnes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("00FF,first,2024/01/02,03:04:05\r\n\nFFFF,second\n8000,third");
    file.close();
    start({"--records", path, "--generate", "2"});
    qint32 end = 0;
    const QStringList got = download(end);
    EXPECT_EQ(end, vx::VX_END_OF_STREAM);
    EXPECT_EQ(got, QStringList({QStringLiteral("00FF,first,2024/01/02,03:04:05"), QStringLiteral("FFFF,second"),
                                QStringLiteral("8000,third")})
                       + vx::sim::RecordGenerator{}.generate(2));
}

TEST_F(SimPty, PacedDownloadAtTheLineRate)
{
    start({"--generate", "20", "--pace"});
    QElapsedTimer clock;
    clock.start();
    qint32 end = 0;
    const QStringList got = download(end);
    std::cout << "vx500-sim --pace: " << got.size() << " records in " << clock.elapsed() << " ms" << std::endl;
    EXPECT_EQ(end, vx::VX_END_OF_STREAM);
    EXPECT_EQ(got, vx::sim::RecordGenerator{}.generate(20));
}

TEST_F(SimPty, TagListUploadAndDownload)
{
    start({"--b-answer", "tag-count"});
    const QStringList codes{QStringLiteral("12AB34CD56"), QStringLiteral("00A31F2C"), QStringLiteral("0001")};
    vx->BeginTagUpload(0);
    ASSERT_EQ(vx->ErrCode(), VX_SUCCESS);
    for (int i = 0; i < codes.size(); ++i) {
        vx->SendTagCode(static_cast<qint16>(i + 1), codes[i]);
        ASSERT_EQ(vx->ErrCode(), VX_SUCCESS);
    }
    vx->EndTagUpload();
    qint16 count = -1;
    vx->GetTagCount(0, count);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(count, 3);
    QStringList got;
    vx->BeginTagDownload(0);
    for (QString item; vx->GetTagCode(item), vx->ErrCode() == VX_SUCCESS;)
        got << item;
    EXPECT_EQ(vx->ErrCode(), vx::VX_END_OF_STREAM);
    EXPECT_EQ(got, (QStringList{QStringLiteral("0000112AB34CD56"), QStringLiteral("0000200A31F2C"),
                                QStringLiteral("000030001")}));
}

TEST_F(SimPty, WrongCheckByteOnRecordK)
{
    start({"--generate", "6", "--bad-bcc", "3"});
    qint32 end = 0;
    EXPECT_EQ(download(end).size(), 2);
    EXPECT_EQ(end, vx::VX_ERR_INVALID_BCC);
}

TEST_F(SimPty, SilenceFromRecordK)
{
    start({"--generate", "6", "--silent-from", "4"});
    vx->Timeout(1000); // the first records must still make it on a busy machine
    qint32 end = 0;
    EXPECT_EQ(download(end).size(), 3);
    EXPECT_EQ(end, vx::VX_ERR_TIMEOUT);
}

TEST_F(SimPty, NoiseInPlaceOfAnswers)
{
    start({"--noise"});
    vx->Timeout(1000);
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_NE(vx->ErrCode(), VX_SUCCESS);
    vx->SetTime(0, QDateTime::currentDateTime());
    EXPECT_NE(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(count, -1);
}

TEST_F(SimPty, NoiseStreamIsOneTimeoutPerRequest)
{
    start({"--noise-stream", "--generate", "2", "--log"});
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_NE(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(count, -1);
    QString version = QStringLiteral("unchanged");
    vx->GetVersion(0, version);
    EXPECT_NE(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(version, QStringLiteral("unchanged"));
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reportText());

    // The first stream stopped when the second request came (or ran out on its own).
    ASSERT_TRUE(sim->waitForErrors(QStringLiteral("host (19200,n,8,1): 05 30 30 56")));
    const QRegularExpression ended(QStringLiteral("the noise (stops as the host writes|ends) after ([0-9]+) bytes"));
    const auto m = ended.match(sim->errors());
    EXPECT_TRUE(m.hasMatch()) << qPrintable(sim->errors().right(2000));
}

TEST_F(SimPty, EotInPlaceOfAnswers)
{
    start({"--eot-reply", "--generate", "2"});
    QString version = QStringLiteral("unchanged");
    vx->GetVersion(0, version);
    EXPECT_EQ(vx->ErrCode(), vx::VX_END_OF_STREAM);
    EXPECT_EQ(version, QStringLiteral("unchanged"));
    vx->ClearData(0);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_ACK_NOT_GET);
}

TEST_F(SimPty, NakInPlaceOfAcks)
{
    start({"--nak"});
    vx->ClearData(0);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_ACK_NOT_GET);
    vx->SetTime(0, QDateTime::currentDateTime());
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_ACK_NOT_GET);
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS) << "queries carry no ACK from the terminal";
}

TEST_F(SimPty, PulledCableIsOneClearFailure)
{
    start({"--generate", "10", "--hangup-after", "4"});
    qint32 end = 0;
    EXPECT_EQ(download(end).size(), 4);
    EXPECT_EQ(end, vx::VX_ERR_PORT_NOT_OPEN);
    ASSERT_EQ(reports.size(), 1) << qPrintable(reportText());
    EXPECT_EQ(reports[0].number, vx::kErrPortIo);
    EXPECT_FALSE(vx->Port().isOpen());

    // The simulator ends by itself and its device is gone.
    EXPECT_TRUE(sim->waitForEnd()) << qPrintable(sim->errors());
    EXPECT_TRUE(sim->errors().contains(QStringLiteral("pulled cable")));
    // A later request fails at once with one report of its own.
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(reports.size(), 2) << qPrintable(reportText());
}

namespace {

// A private settings folder for the simulator and for this process.
struct PrivateSettings {
    PrivateSettings()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    }
    QString file() const { return vx::openUserSettings()->fileName(); }
    QByteArray bytes() const
    {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    void write(const QByteArray &bytes) const
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QString value(const QString &key) const { return vx::openUserSettings()->value(key).toString(); }

    QTemporaryDir dir;
    QProcessEnvironment environment = withConfigDir(dir.path());
};

} // namespace

TEST_F(SimPty, LinkAndRegistrationLeadToTheDeviceAndAreUndone)
{
    PrivateSettings settings;
    QTemporaryDir links;
    vx::openUserSettings()->setValue(QStringLiteral("Ports/COM3"), QStringLiteral("/dev/ttyUSB7"));
    const QString linkPath = links.filePath(QStringLiteral("vx500"));

    start({"--link", linkPath, "--register", "com3", "--generate", "2"}, settings.environment);
    EXPECT_EQ(QFile::symLinkTarget(linkPath), sim->device());
    EXPECT_EQ(settings.value(QStringLiteral("Ports/COM3")), sim->device());

    // The monitor's way: port number 3.
    vx->CommPort(3);
    EXPECT_EQ(vx->PortName(), sim->device());
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(count, 2);
    // The stable link works as well.
    vx->SetPortName(linkPath);
    count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(count, 2);

    vx.reset();
    EXPECT_TRUE(sim->stop()) << qPrintable(sim->errors());
    EXPECT_FALSE(QFileInfo(linkPath).isSymLink());
    EXPECT_EQ(settings.value(QStringLiteral("Ports/COM3")), QStringLiteral("/dev/ttyUSB7"));
}

TEST_F(SimPty, RegistrationWithoutAnEarlierValueIsRemovedOnExit)
{
    PrivateSettings settings;
    start({"--register", "COM16"}, settings.environment);
    EXPECT_EQ(settings.value(QStringLiteral("Ports/COM16")), sim->device());
    // The file it made will hold the monitor's password one day.
    const auto permissions = QFile::permissions(settings.file());
    EXPECT_TRUE(permissions.testFlag(QFileDevice::ReadOwner));
    EXPECT_FALSE(permissions & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
                                | QFileDevice::WriteOther));
    vx.reset();
    EXPECT_TRUE(sim->stop());
    EXPECT_FALSE(vx::openUserSettings()->contains(QStringLiteral("Ports/COM16")));
}

TEST(SimOptions, WrongOptionsAreRefusedWithoutADevice)
{
    for (const QStringList &args : {QStringList{"--id", "256"}, QStringList{"--bad-bcc", "0"},
                                    QStringList{"--b-answer", "both"}, QStringList{"--records", "/no/such/file"},
                                    QStringList{"--register", "COM17"}, QStringList{"--register", "COM0"},
                                    QStringList{"--register", "/dev/ttyS0"}, QStringList{"--no-such-option"},
                                    QStringList{"--generate"}, QStringList{"stray"}}) {
        SimProcess sim(args);
        EXPECT_FALSE(sim.started()) << qPrintable(args.join(u' '));
        sim.waitForEnd();
        EXPECT_EQ(sim.exitCode(), 2) << "a usage error: " << qPrintable(args.join(u' '));
        EXPECT_TRUE(sim.errors().startsWith(QStringLiteral("vx500-sim: "))) << qPrintable(sim.errors());
    }
}

TEST(SimOptions, HelpNamesTheProgramAndItsFaults)
{
    const ToolResult help = runProgram(simProgram(), {QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    const QString text = QString::fromLocal8Bit(help.out);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Usage: vx500-sim [options]\n"))) << qPrintable(text.left(200));
    for (const char *option : {"--noise-stream", "--noise ", "--pace", "--register <COMn>", "--records <file>"})
        EXPECT_TRUE(text.contains(QLatin1String(option))) << option;
    EXPECT_TRUE(text.contains(QStringLiteral("On a pseudo-terminal\nonly the speed")));

    EXPECT_EQ(runProgram(simProgram(), {QStringLiteral("--version")}).out, QByteArray("vx500-sim " VX_VERSION_TEXT "\n"));
}

TEST(SimOptions, RecordsWithControlBytesAreRefusedByLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records.txt"));
    static const char nul[] = "0001,a\r\n0002,\0b\n";
    const struct {
        QByteArray content;
        const char *line;
        const char *byte;
    } cases[] = {
        {QByteArray("0001,a\n\n0003,b\x03" "c\n"), "line 3", "0x03"},
        {QByteArray(nul, sizeof nul - 1), "line 2", "0x00"},
        {QByteArray("0001,a\rb\n"), "line 1", "0x0D"},
        {QByteArray("0001,a\n\x1b[0m\n"), "line 2", "0x1B"},
    };
    for (const auto &c : cases) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.content);
        file.close();
        SimProcess sim({"--records", path});
        EXPECT_FALSE(sim.started());
        sim.waitForEnd();
        EXPECT_EQ(sim.exitCode(), 2) << c.line;
        EXPECT_TRUE(sim.errors().contains(QStringLiteral("%1 %2: control byte %3").arg(path, c.line, c.byte)))
            << qPrintable(sim.errors());
    }
    // Tabs are text.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("0001\ta\tb\r\n");
    file.close();
    SimProcess sim({"--records", path});
    EXPECT_TRUE(sim.started()) << qPrintable(sim.errors());
    EXPECT_TRUE(sim.stop());
}

TEST_F(SimPty, SimulatorEndingBetweenRequestsIsOneClearFailure)
{
    start({"--generate", "2"});
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    ASSERT_EQ(vx->ErrCode(), VX_SUCCESS);
    ASSERT_TRUE(vx->Port().isOpen());
    EXPECT_TRUE(sim->stop());
    sim.reset();

    count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(reports.size(), 1) << qPrintable(reportText());
    EXPECT_FALSE(vx->Port().isOpen());
}

TEST(SimRegistration, UnreadableSettingsFileIsLeftAloneAndTheSimulatorDoesNotStart)
{
    PrivateSettings settings;
    static const char garbage[] = "\x00\x01\x02 binary \xFF\xFE\n[Ports\n";
    for (const QByteArray &bad : {QByteArray("[Connect]\nComport=3\nthis line has no equals\n"),
                                  QByteArray(garbage, sizeof garbage - 1)}) {
        settings.write(bad);
        SimProcess sim({"--register", "COM4"}, settings.environment);
        EXPECT_FALSE(sim.started());
        sim.waitForEnd();
        EXPECT_EQ(sim.exitCode(), 1);
        EXPECT_EQ(sim.errors(),
                  QStringLiteral("vx500-sim: %1 is not a readable settings file; not changed\n").arg(settings.file()));
        EXPECT_EQ(settings.bytes(), bad);
    }
}

TEST(SimRegistration, PortHeldByAnotherRunningSimulatorIsRefused)
{
    PrivateSettings settings;
    SimProcess first({"--register", "COM5"}, settings.environment);
    ASSERT_TRUE(first.started()) << qPrintable(first.errors());
    ASSERT_EQ(settings.value(QStringLiteral("Ports/COM5")), first.device());

    SimProcess second({"--register", "com5"}, settings.environment);
    EXPECT_FALSE(second.started());
    second.waitForEnd();
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_EQ(second.errors(), QStringLiteral("vx500-sim: COM5 is already registered to %1\n").arg(first.device()));
    EXPECT_EQ(settings.value(QStringLiteral("Ports/COM5")), first.device());

    EXPECT_TRUE(first.stop()) << qPrintable(first.errors());
    EXPECT_FALSE(vx::openUserSettings()->contains(QStringLiteral("Ports/COM5")));
}

TEST(SimRegistration, PseudoTerminalThatIsGoneIsTakenOverAndNotPutBack)
{
    // A simulator that was killed left its device under COM6.
    PrivateSettings settings;
    QString gone = QStringLiteral("/dev/pts/4000");
    while (QFileInfo::exists(gone))
        gone += QLatin1Char('0');
    vx::openUserSettings()->setValue(QStringLiteral("Ports/COM6"), gone);

    SimProcess sim({"--register", "COM6"}, settings.environment);
    ASSERT_TRUE(sim.started()) << qPrintable(sim.errors());
    EXPECT_EQ(settings.value(QStringLiteral("Ports/COM6")), sim.device());
    EXPECT_TRUE(sim.stop()) << qPrintable(sim.errors());
    EXPECT_FALSE(vx::openUserSettings()->contains(QStringLiteral("Ports/COM6")));
}
