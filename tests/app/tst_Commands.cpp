// The device buttons of the general tab and the reader station tab against
// the simulated terminal: each button's request and its line, the failure
// lines, the error path, the device a COMn stands for, and one exchange at a
// time.
#include "AppTest.h"

#include "Frame.h"

using namespace vx;
using namespace vx::test;
using F = frmMain;

class CommandsTest : public QObject
{
    Q_OBJECT
private slots:
    // Set Time is given a moment that daylight saving skips here.
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); }
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void eachButtonsRequestAndLine()
    {
        const QList<std::tuple<int, const char *, QByteArray, QString>> buttons{
            {F::kCmdSetTime, "Set Time", "\x05" "00S\x02" "20240331023059\x03\x08\x04", "OK"},
            {F::kCmdGetTime, "Get Time", "\x05" "00T\x06", "6/1/2024 9:00:00 AM"},
            {F::kCmdRecordCount, "Record Count", "\x05" "00A\x06", "3"},
            {F::kCmdSetID, "Set Mach#", "\x05" "00P\x02" "2A\x03s\x04", "OK"},
            {F::kCmdGetID, "Get Mach#", "\x05" "00Q\x06", "0"},
            {F::kCmdGetVersion, "Get Version", "\x05" "00V\x06", "VX500A V2.10"},
            {F::kCmdClearData, "Clear Data", "\x05" "00D\x04", "OK"},
            {F::kCmdRecoverData, "Recover Data", "\x05" "00M\x04", "OK"},
            {F::kCmdInvokeTest, "Invoke Test", "\x05" "00Z", "OK"},
            {F::kCmdPowerDown, "Power Down", "\x05" "00O", "OK"},
            {F::kCmdSyncTime, "Sync. Time", "\x05" "00S\x02" "20240601090000\x03\n\x04", "OK"}};
        for (const auto &[index, caption, sent, line] : buttons) {
            TerminalWindow t(kMasterPassword);
            QCOMPARE(arrayButton(t.w.get(), "cmd", index)->text(), QLatin1String(caption));
            t.model.setRecords({"1,a", "2,b", "3,c"});
            t.get<QDateEdit>("dtpDate")->setDate(QDate(2024, 3, 31));
            t.get<QTimeEdit>("dtpTime")->setTime(QTime(2, 30, 59, 678));
            t.get<QLineEdit>("txtNewID")->setText(" 4 2x"); // read as far as it is a number
            t.world.dialogs.answers = {Answer::Yes};
            // A box shown in the middle of a command has the ordinary pointer.
            t.world.dialogs.onAsk = [&t](const Message &) { QVERIFY(t.busyPointer() && !QApplication::overrideCursor()); };
            t.press(index);
            t.settle();
            QCOMPARE(t.port->writtenBytes(), sent);
            QCOMPARE(t.lines(), QStringList{line});
            QVERIFY(t.idle());
            const Message m = t.world.dialogs.asked.value(0);
            QVERIFY(index == F::kCmdClearData ? m.text == "Clear the data of terminal?" && m.icon == Icon::Question
                                                    && m.buttons == Buttons::YesNo && m.title == kAppName
                                              : t.world.dialogs.asked.isEmpty());
        }
    }

    // A port that cannot be opened: its words in a box titled with the
    // failure's number, or with the program's title for a station query.
    void aPortThatCannotBeOpened()
    {
        TerminalWindow t;
        for (bool station : {false, true, false}) {
            t.port->failOpen({FailureKind::PortMissing, "/dev/ttyS0: no such device"});
            station ? t.station(F::kStationVersion) : t.press(F::kCmdRecordCount);
        }
        QStringList shown;
        for (const Message &m : t.world.dialogs.asked)
            shown << m.title + " " + m.text;
        QCOMPARE(shown, QStringList({"8002 /dev/ttyS0: no such device", "VX500-500A Monitor /dev/ttyS0: no such device",
                                     "8002 /dev/ttyS0: no such device"}));
        QCOMPARE(t.lines() + t.lines("txtDK90"), QStringList({"ErrCode: -2, VX_ERR_PORT_NOT_OPEN",
                                                             "ErrCode: -2, VX_ERR_PORT_NOT_OPEN", "VX_ERR_PORT_NOT_OPEN"}));
    }

    void getTimeShowsTheUsersGeneralDate()
    {
        TerminalWindow t;
        const QList<std::tuple<QDateTime, QLocale, QString>> clocks{
            {QDateTime(QDate(2008, 3, 4), QTime(17, 5, 9)), QLocale(QLocale::German, QLocale::Germany), "04.03.2008 17:05:09"},
            {QDateTime(QDate(2024, 2, 29), QTime(0, 0)), QLocale(QLocale::English, QLocale::UnitedStates), "2/29/2024"}};
        for (const auto &[clock, locale, line] : clocks) {
            QLocale::setDefault(locale);
            t.model.setClock(t.pcNow(), clock); // and the few ms until the request arrives
            t.press(F::kCmdGetTime);
            QCOMPARE(t.lines().constLast(), line);
        }
    }

    // A failure outside the link: its message in a box titled with its
    // number, nothing sent, nothing on the line, and the next press works.
    void failuresOutsideTheLinkTakeTheErrorPath()
    {
        for (const auto &[index, report] : {std::pair{F::kCmdSetID, "6 Overflow"}, {F::kCmdSyncTime, "51 no clock"}}) {
            TerminalWindow t;
            t.get<QLineEdit>("txtNewID")->setText("33000");
            t.clockFails = true;
            t.press(index);
            QVERIFY(t.port->writes().isEmpty() && t.lines().isEmpty() && t.idle());
            QCOMPARE(t.world.dialogs.asked.size(), 1);
            QCOMPARE(t.world.dialogs.asked[0].title + " " + t.world.dialogs.asked[0].text, QLatin1String(report));
            t.press(F::kCmdRecordCount);
            QCOMPARE(t.lines(), QStringList{"0"});
        }
    }

    void theDeviceOfAPortIsTheUsersMapping()
    {
        TerminalWindow t;
        t.world.preset("Ports/COM3", "/dev/ttyUSB0");
        t.get<QComboBox>("cboCommPort")->setCurrentIndex(2);
        t.press(F::kCmdRecordCount);
        QCOMPARE(t.port->portName() + " " + t.state("lblPort"), QStringLiteral("/dev/ttyUSB0 COM3 \u2192 /dev/ttyUSB0"));
        // A mapping made while the window is open counts from the next command.
        t.world.preset("Ports/COM3", "/dev/pts/7");
        t.station(F::kStationVersion);
        QCOMPARE(t.port->portName() + " " + t.state("lblPort"), QStringLiteral("/dev/pts/7 COM3 \u2192 /dev/pts/7"));
    }

    void theReaderStationTab()
    {
        TerminalWindow t;
        t.press(F::kCmdGetID);
        t.station(F::kStationVersion);
        t.station(F::kStationInformation);
        QCOMPARE(t.lines("txtDK90"), (QStringList{"VX500R V1.04", "VX500R/U READER STATION,9600,N,8,1"}));
        QCOMPARE(t.port->writes().constLast().settings + " " + t.port->settings(), QStringLiteral("9600,n,8,1 19200,n,8,1"));
        // Each "Clear Message" empties its own box only.
        arrayButton(t.w.get(), "cmdClear", F::kClearGeneral)->click();
        QCOMPARE(t.lines().size() + t.lines("txtDK90").size(), 2);
        arrayButton(t.w.get(), "cmdClear", F::kClearStation)->click();
        // A failure shows the status name alone, after the station's 3000 ms.
        t.useScript();
        const qint64 before = t.port->now();
        t.station(F::kStationVersion);
        QVERIFY(t.lines("txtDK90") == QStringList{"VX_ERR_TIMEOUT"} && t.port->now() - before >= 3000);
    }

    // While a download or a station query runs, no button starts an exchange
    // and no dialog opens; afterwards the dialogs open as before.
    void oneThingAtATime()
    {
        for (bool download : {true, false}) {
            TerminalWindow t;
            t.click("chkSaveData"); // "..." is switched on
            t.model.setRecords(QStringList(50, "1,x"));
            if (!download)
                t.useScript(); // the station does not answer for 3000 ms
            auto dialogsOpened = [&t] {
                QStringList opened;
                for (const char *name : {"cmdChangePassword", "cmdPath"}) {
                    QTimer::singleShot(0, qApp, [&opened] {
                        if (QWidget *modal = QApplication::activeModalWidget())
                            opened << modal->metaObject()->className() << QString::number(modal->close());
                    });
                    t.click(name);
                    QApplication::processEvents();
                }
                return opened;
            };
            QStringList opened{"not run"};
            t.port->runAt(300, [&] {
                QVERIFY(!t.idle());
                for (int index : {F::kCmdRecordCount, F::kCmdDownload, F::kCmdSyncTime})
                    t.press(index);
                t.station(F::kStationInformation);
                opened = dialogsOpened();
            });
            download ? t.press(F::kCmdDownload) : t.station(F::kStationVersion);
            QCOMPARE(opened, QStringList());
            QCOMPARE(t.port->writes().size(), download ? 51 : 1); // the command and an ACK for each record
            QCOMPARE(t.lines().size() + t.lines("txtDK90").size(), download ? 52 : 1);
            QCOMPARE(dialogsOpened(), (QStringList{"frmPasswordChange", "1", "frmFilePath", "1"}));
        }
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_Commands.moc"
