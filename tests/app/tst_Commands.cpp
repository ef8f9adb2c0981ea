// The general tab's device buttons against the simulated terminal: each
// button's line on success and on each failure, the number reading of the
// machine-number boxes, the Clear Data question, the busy guard and the
// error path.
#include "TerminalWindow.h"

#include "Frame.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTimeEdit>
#include <stdexcept>

using namespace vx;
using namespace vx::test;

namespace {

QByteArray frame(const QByteArray &data) { return dataFrame(data); }

} // namespace

class CommandsTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void queriesShowTheTerminalsAnswer()
    {
        TerminalWindow t;
        t.model.setRecords({QStringLiteral("1,a"), QStringLiteral("2,b"), QStringLiteral("3,c")});
        t.model.setVersion(QStringLiteral("VX500A V2.10"));
        t.press(2);
        t.press(4);
        t.press(5);
        QCOMPARE(t.lines(), (QStringList{"3", "0", "VX500A V2.10"}));
        QVERIFY(!t.w->IsBusy());
        QVERIFY(!t.busyPointer());
    }

    void getTimeShowsTheGeneralDate_data()
    {
        QTest::addColumn<QDateTime>("clock");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("line");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("afternoon, US") << QDateTime(QDate(2023, 12, 31), QTime(23, 59, 58)) << us
                                       << "12/31/2023 11:59:58 PM";
        QTest::newRow("morning, German") << QDateTime(QDate(2008, 3, 4), QTime(7, 5, 9)) << de
                                         << "04.03.2008 07:05:09";
        QTest::newRow("midnight has no time") << QDateTime(QDate(2024, 2, 29), QTime(0, 0, 0)) << us << "2/29/2024";
    }
    void getTimeShowsTheGeneralDate()
    {
        QFETCH(QDateTime, clock);
        QFETCH(QLocale, locale);
        QFETCH(QString, line);
        QLocale::setDefault(locale);
        TerminalWindow t;
        // The terminal's clock reads `clock` when the request arrives, a few
        // milliseconds after virtual time 0.
        t.model.setClockOffsetMs(t.pcNow().msecsTo(clock));
        t.press(1);
        QCOMPARE(t.lines(), QStringList{line});
    }

    void setTimeCombinesThePickers()
    {
        TerminalWindow t;
        t.get<QDateEdit>("dtpDate")->setDate(QDate(2030, 1, 2));
        t.get<QTimeEdit>("dtpTime")->setTime(QTime(3, 4, 5, 678));
        t.press(0);
        QCOMPARE(t.lines(), QStringList{"OK"});
        // The terminal's clock was set to the pickers' value at the exchange.
        const qint64 drift = QDateTime(QDate(2030, 1, 2), QTime(3, 4, 5)).msecsTo(t.model.clock(t.pcNow()));
        QVERIFY2(drift >= 0 && drift < 1000, qPrintable(QString::number(drift)));
    }

    void syncTimeTakesThePcClock()
    {
        TerminalWindow t;
        t.model.setClockOffsetMs(-86400000LL * 400);
        t.port->advance(12345);
        t.press(14);
        QCOMPARE(t.lines(), QStringList{"OK"});
        QVERIFY(qAbs(t.model.clockOffsetMs()) < 1000);
    }

    void serviceCommandsAndPowerDown()
    {
        TerminalWindow t(QStringLiteral("QORN"));
        t.model.setRecords({QStringLiteral("A,1")});
        t.world.dialogs.answers = {Answer::Yes};
        t.press(6);
        t.settle();
        QVERIFY(t.model.records().isEmpty());
        t.press(7);
        t.settle();
        QCOMPARE(t.model.records(), QStringList{"A,1"});
        t.press(8);
        t.settle();
        QCOMPARE(t.model.selfTestCount(), 1);
        t.press(9);
        QVERIFY(t.model.isPoweredDown());
        QCOMPARE(t.lines(), (QStringList{"OK", "OK", "OK", "OK"}));
        const Message &question = t.world.dialogs.asked.value(0);
        QCOMPARE(question.text, QStringLiteral("Clear the data of terminal?"));
        QCOMPARE(question.buttons, Buttons::YesNo);
        QCOMPARE(question.icon, Icon::Question);
        QCOMPARE(question.title, QStringLiteral("VX500-500A Monitor"));
    }

    void setMachineNumberReadsTheBoxLikeANumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("sent");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("plain") << "12" << 12;
        QTest::newRow("half goes to even, down") << "12.5" << 12;
        QTest::newRow("half goes to even, up") << "13.5" << 14;
        QTest::newRow("blanks and a tail") << " 4 2x" << 42;
        QTest::newRow("hexadecimal") << "&H1F" << 31;
        QTest::newRow("octal") << "&O17" << 15;
        QTest::newRow("exponent") << "1.2E1" << 12;
        QTest::newRow("not a number") << "abc" << 0;
    }
    void setMachineNumberReadsTheBoxLikeANumber()
    {
        QFETCH(QString, text);
        QFETCH(int, sent);
        TerminalWindow t;
        t.model.setMachineNumber(77);
        t.get<QLineEdit>("txtNewID")->setText(text);
        // The terminal answers only its own number: 77 is never addressed.
        t.model.setMachineNumber(0);
        t.press(3);
        t.settle();
        QCOMPARE(t.lines(), QStringList{"OK"});
        QCOMPARE(int(t.model.machineNumber()), sent);
        // The addressed number stays 0 and the box keeps its text.
        QCOMPARE(t.get<QLineEdit>("txtID")->text(), QStringLiteral("0"));
        QCOMPARE(t.get<QLineEdit>("txtNewID")->text(), text);
    }

    // A failure outside the link: its message in a box titled with its
    // number, nothing sent, nothing on the line, and the next press works.
    void failuresOutsideTheLinkTakeTheErrorPath_data()
    {
        QTest::addColumn<bool>("overflow"); // else the PC clock cannot be read
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("next");
        QTest::newRow("new machine number overflows") << true << 3 << "Overflow" << "6" << 4;
        QTest::newRow("any other failure") << false << 14 << "the clock cannot be read" << "51" << 2;
    }
    void failuresOutsideTheLinkTakeTheErrorPath()
    {
        QFETCH(bool, overflow);
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(int, next);
        TerminalWindow t;
        if (overflow)
            t.get<QLineEdit>("txtNewID")->setText(QStringLiteral("33000"));
        else
            t.w->setClock([]() -> QDateTime { throw std::runtime_error("the clock cannot be read"); });
        t.press(index);
        QVERIFY(t.port->writes().isEmpty());
        QVERIFY(t.lines().isEmpty());
        QCOMPARE(t.world.dialogs.asked.size(), 1);
        QCOMPARE(t.world.dialogs.asked[0].text, text);
        QCOMPARE(t.world.dialogs.asked[0].title, title);
        QCOMPARE(t.world.dialogs.asked[0].buttons, Buttons::Ok);
        QVERIFY(!t.w->IsBusy());
        QVERIFY(!t.busyPointer());
        t.press(next);
        QCOMPARE(t.lines(), QStringList{"0"});
    }

    void failureLines_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QList<QByteArray>>("replies"); // one per host write; empty: silence
        QTest::addColumn<QString>("line");
        const QByteArray ack(1, ACK), nak(1, NAK), eot(1, EOT);
        QByteArray badCheck = frame("12");
        badCheck[badCheck.size() - 1] = badCheck.back() ^ 0x55;
        const QString timeout = QStringLiteral("ErrCode: -1, VX_ERR_TIMEOUT");
        for (int index : {0, 1, 2, 3, 4, 5, 7, 9, 14})
            QTest::addRow("silence, button %d", index) << index << QList<QByteArray>{} << timeout;
        for (int index : {0, 3, 14})
            QTest::addRow("NAK for the data, button %d", index)
                << index << QList<QByteArray>{ack, nak} << "ErrCode: -3, VX_ERR_ACK_NOT_GET";
        for (int index : {7, 9})
            QTest::addRow("NAK for the command, button %d", index)
                << index << QList<QByteArray>{nak} << "ErrCode: -3, VX_ERR_ACK_NOT_GET";
        for (int index : {1, 2, 4, 5})
            QTest::addRow("bad check byte, button %d", index)
                << index << QList<QByteArray>{badCheck} << "ErrCode: -4, VX_ERR_INVALID_BCC";
        for (int index : {2, 5})
            QTest::addRow("no EOT after the answer, button %d", index)
                << index << QList<QByteArray>{frame("12"), ack} << "ErrCode: -5, VX_ERR_EOT_NOT_GET";
        QTest::newRow("EOT instead of an answer") << 5 << QList<QByteArray>{eot} << "ErrCode: 1, VX_ERR_UNKNOWN";
        QTest::newRow("self-test never waits") << 8 << QList<QByteArray>{} << "OK";
    }
    void failureLines()
    {
        QFETCH(int, index);
        QFETCH(QList<QByteArray>, replies);
        QFETCH(QString, line);
        TerminalWindow t(QStringLiteral("QORN"));
        t.useScript();
        for (const QByteArray &r : replies)
            t.script.then(r);
        t.press(index);
        QCOMPARE(t.lines(), QStringList{line});
        QVERIFY(t.world.dialogs.asked.isEmpty());
        QVERIFY(!t.w->IsBusy());
    }

    void garbledDataFromTheTerminal_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("title");
        QTest::newRow("Get Time: no date") << 1 << QByteArray("20241399250000") << "13";
        QTest::newRow("Get Time: letters") << 1 << QByteArray("ABCDEFGHIJKLMN") << "13";
        QTest::newRow("Record Count: too many") << 2 << QByteArray("99999") << "6";
        QTest::newRow("Get Mach#: too big") << 4 << QByteArray("FFFFF") << "6";
    }
    void garbledDataFromTheTerminal()
    {
        QFETCH(int, index);
        QFETCH(QByteArray, answer);
        QFETCH(QString, title);
        TerminalWindow t;
        t.useScript();
        t.script.then(frame(answer)).then(QByteArray(1, EOT));
        t.press(index);
        // The link names the fault in its box; the line gives the status.
        QCOMPARE(t.lines(), QStringList{"ErrCode: -6, VX_ERR_INVALID_DATA"});
        QCOMPARE(t.world.dialogs.asked.size(), 1);
        QCOMPARE(t.world.dialogs.asked[0].title, title);
        QVERIFY2(t.world.dialogs.asked[0].text.contains(QString::fromLatin1(answer)),
                 qPrintable(t.world.dialogs.asked[0].text));
        QVERIFY(!t.w->IsBusy());
    }

    void aCablePulledInTheMiddleOfACommand_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("Record Count") << 2;
        QTest::newRow("Set Time") << 0;
        QTest::newRow("Power Down") << 9;
    }
    void aCablePulledInTheMiddleOfACommand()
    {
        QFETCH(int, index);
        TerminalWindow t;
        t.useScript();
        t.script.silence();
        t.port->runAt(500, [&] { t.port->pullCable(); });
        t.press(index);
        QVERIFY(t.port->now() < 2000); // not a time-out
        QCOMPARE(t.lines(), QStringList{"ErrCode: -2, VX_ERR_PORT_NOT_OPEN"});
        QCOMPARE(t.world.dialogs.asked.size(), 1);
        QCOMPARE(t.world.dialogs.asked[0].title, QString::number(kErrPortIo));
        QVERIFY(t.world.dialogs.asked[0].text.contains(QStringLiteral("went away")));
        QVERIFY(!t.w->IsBusy());
        QVERIFY(!t.busyPointer());
    }

    void aPortThatCannotBeOpenedIsReportedByTheLink()
    {
        TerminalWindow t;
        t.port->failOpen({kErrPortNotFound, QStringLiteral("/dev/ttyS3: no such device")});
        t.press(2);
        QCOMPARE(t.world.dialogs.asked.size(), 1);
        QCOMPARE(t.world.dialogs.asked[0].text, QStringLiteral("/dev/ttyS3: no such device"));
        QCOMPARE(t.world.dialogs.asked[0].title, QStringLiteral("8002"));
        QCOMPARE(t.lines(), QStringList{"ErrCode: -2, VX_ERR_PORT_NOT_OPEN"});
        t.press(2);
        QCOMPARE(t.lastLine(), QStringLiteral("0"));
    }

    void theBusyPointerIsOverTheWindowOnlyNotOverItsMessageBoxes()
    {
        TerminalWindow t;
        t.port->failOpen({kErrPortNotFound, QStringLiteral("/dev/ttyS0: no such device")});
        QList<std::pair<bool, bool>> seen; // (anywhere, over the window) while a box is up
        t.world.dialogs.onAsk = [&](const Message &) {
            seen.append({QApplication::overrideCursor() != nullptr, t.busyPointer()});
        };
        t.press(2);
        t.world.dialogs.answers = {Answer::Yes};
        t.press(6); // the question comes from inside the command
        QCOMPARE(seen, (QList<std::pair<bool, bool>>{{false, true}, {false, true}}));
        QVERIFY(!t.busyPointer());
        QVERIFY(!QApplication::overrideCursor());
    }

    void clearDataAnsweredNoSendsNothing()
    {
        TerminalWindow t;
        t.model.setRecords({QStringLiteral("1")});
        t.press(2);
        const int writes = t.port->writes().size();
        t.world.dialogs.answers = {Answer::No};
        t.press(6);
        QCOMPARE(t.port->writes().size(), writes);
        QCOMPARE(t.model.records().size(), 1);
        // The line repeats the status of the operation before.
        QCOMPARE(t.lines(), (QStringList{"1", "OK"}));
        t.useScript();
        t.press(2);
        t.world.dialogs.answers = {Answer::No};
        t.press(6);
        QCOMPARE(t.lastLine(), QStringLiteral("ErrCode: -1, VX_ERR_TIMEOUT"));
    }

    void thePortComesFromTheList()
    {
        TerminalWindow t;
        t.world.preset("Ports", "COM3", QStringLiteral("/dev/ttyUSB0"));
        t.get<QComboBox>("cboCommPort")->setCurrentIndex(2);
        QCOMPARE(t.get<QLabel>("lblPort")->text(), QStringLiteral("COM3 \u2192 /dev/ttyUSB0"));
        t.press(2);
        QCOMPARE(t.w->link().CommPort(), qint16(3));
        QCOMPARE(t.port->portName(), QStringLiteral("/dev/ttyUSB0"));
        t.get<QComboBox>("cboCommPort")->setCurrentIndex(15);
        QCOMPARE(t.get<QLabel>("lblPort")->text(), QStringLiteral("COM16 \u2192 /dev/ttyS15"));
        // A mapping made while the window is open shows with the next command.
        t.world.preset("Ports", "COM16", QStringLiteral("/dev/pts/7"));
        t.press(2);
        QCOMPARE(t.get<QLabel>("lblPort")->text(), QStringLiteral("COM16 \u2192 /dev/pts/7"));
    }

    void clearMessageEmptiesOnlyItsOwnBox()
    {
        TerminalWindow t;
        t.press(4);
        t.station(1);
        QCOMPARE(t.lines().size(), 1);
        QCOMPARE(t.lines("txtDK90").size(), 1);
        arrayButton(t.w.get(), "cmdClear", 0)->click();
        QVERIFY(t.lines().isEmpty());
        QCOMPARE(t.lines("txtDK90").size(), 1);
        t.press(4);
        arrayButton(t.w.get(), "cmdClear", 2)->click();
        QVERIFY(t.lines("txtDK90").isEmpty());
        QCOMPARE(t.lines().size(), 1);
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_Commands.moc"
