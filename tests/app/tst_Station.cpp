// The reader station tab: its two queries at the station's line settings,
// the lines for success and failure, and one exchange at a time.
#include "TerminalWindow.h"

#include "Frame.h"

#include <QComboBox>

using namespace vx;
using namespace vx::test;

class StationTest : public QObject
{
    Q_OBJECT
private slots:
    void versionAndInformation()
    {
        TerminalWindow t;
        t.model.setStationVersion(QStringLiteral("VX500R V1.04"));
        t.model.setStationInformation(QStringLiteral("VX500R/U READER STATION,9600,N,8,1"));
        t.station(1);
        t.station(2);
        t.station(2);
        QCOMPARE(t.lines("txtDK90"), (QStringList{"VX500R V1.04", "VX500R/U READER STATION,9600,N,8,1",
                                                  "VX500R/U READER STATION,9600,N,8,1"}));
        QVERIFY(t.lines().isEmpty());
        for (const Written &w : t.port->writes())
            QCOMPARE(w.settings, QStringLiteral("9600,n,8,1"));
        // The terminals' settings are back for the next command.
        QCOMPARE(t.port->settings(), QStringLiteral("19200,n,8,1"));
        t.press(4);
        QCOMPARE(t.lines(), QStringList{"0"});
        QVERIFY(!t.w->IsBusy());
        QVERIFY(!t.busyPointer());
    }

    void failuresShowTheStatusNameAlone_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("line");
        QByteArray bad = dataFrame("V1");
        bad[bad.size() - 1] = bad.back() ^ 0x01;
        QTest::newRow("silence") << QByteArray() << "VX_ERR_TIMEOUT";
        QTest::newRow("EOT instead of an answer") << QByteArray(1, EOT) << "VX_ERR_UNKNOWN";
        QTest::newRow("bad check byte") << bad << "VX_ERR_INVALID_BCC";
    }
    void failuresShowTheStatusNameAlone()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, line);
        TerminalWindow t;
        t.useScript();
        t.script.then(reply);
        t.station(1);
        QCOMPARE(t.lines("txtDK90"), QStringList{line});
        QVERIFY(t.world.dialogs.asked.isEmpty());
    }

    void theStationWaitsThreeSeconds()
    {
        TerminalWindow t;
        t.useScript();
        t.script.silence();
        t.station(1);
        // The time budget is the station's, not the terminals' 2000 ms.
        QVERIFY2(t.port->now() >= 2900, qPrintable(QString::number(t.port->now())));
        QCOMPARE(t.w->link().Timeout(), 3000);
    }

    void theGeneralTabsPortIsUsed()
    {
        TerminalWindow t;
        t.get<QComboBox>("cboCommPort")->setCurrentIndex(1);
        t.station(1);
        QCOMPARE(t.w->link().CommPort(), qint16(2));
        QCOMPARE(t.port->portName(), QStringLiteral("/dev/ttyS1"));
    }

    void aPortThatCannotBeOpened()
    {
        TerminalWindow t;
        t.port->failOpen({kErrPortInUse, QStringLiteral("/dev/ttyS0 is in use by another program")});
        t.station(2);
        QCOMPARE(t.world.dialogs.asked.size(), 1);
        QCOMPARE(t.world.dialogs.asked[0].text, QStringLiteral("/dev/ttyS0 is in use by another program"));
        QCOMPARE(t.world.dialogs.asked[0].title, QStringLiteral("VX500-500A Monitor"));
        QCOMPARE(t.lines("txtDK90"), QStringList{"VX_ERR_PORT_NOT_OPEN"});
    }

    // The busy guard: no button starts an exchange and no dialog opens.
    void nothingElseStartsDuringAQuery()
    {
        TerminalWindow t;
        t.tick("chkSaveData"); // "..." is switched on
        t.useScript();
        t.script.silence();
        bool busy = false;
        QStringList opened{QStringLiteral("not run")};
        t.port->runAt(500, [&] {
            busy = t.w->IsBusy();
            for (int index : {1, 2, 4, 10})
                t.press(index);
            t.station(2);
            opened = t.clickDialogButtons();
        });
        t.station(1);
        QVERIFY(busy);
        QCOMPARE(opened, QStringList());
        QCOMPARE(t.port->writes().size(), 1);
        QVERIFY(t.lines().isEmpty());
        QCOMPARE(t.lines("txtDK90"), QStringList{"VX_ERR_TIMEOUT"});
    }
};

QTEST_MAIN(StationTest)
#include "tst_Station.moc"
