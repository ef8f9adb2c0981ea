// The monitor window against vx500-sim on a pseudo-terminal, through the
// platform's serial port: the simulator registers itself as COM1, the window
// downloads its records with the automation and checks the count.
#include "AppTest.h"

#include "Globals.h"
#include "QtSerialPortAdapter.h"
#include "SimProcess.h"
#include "frmMain.h"
#include "ucVX300_500.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

using namespace vx;
using namespace vx::test;
using vx::sim::test::SimProcess;

namespace {

QStringList lines(frmMain *w)
{
    return child<QPlainTextEdit>(w, QStringLiteral("txt"))->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void downloadFromTheSimulatorOnAPseudoTerminal()
    {
        AppWorld world;
        // Records as a terminal stores them, and the lines a data file gets
        // for them, worked out by hand.
        QFile records(QDir(world.config.path()).filePath(QStringLiteral("records.txt")));
        QVERIFY(records.open(QIODevice::WriteOnly));
        records.write("00FF,4901234567894,2024/03/15,14:30:12\n"
                      "FFFF,caf\xe9\n"
                      "00010000,x,,y\n"
                      "80000000\n"
                      "123456789,too long\n");
        records.close();
        const QByteArray expected = "255,4901234567894,2024/03/15,14:30:12\r\n"
                                    "-1,caf\xe9\r\n"
                                    "65536,x,,y\r\n"
                                    "-2147483648\r\n"
                                    "123456789,too long\r\n";
        // The world put its settings folder into the environment the simulator inherits.
        SimProcess sim({QStringLiteral("--records"), records.fileName(), QStringLiteral("--register"),
                        QStringLiteral("COM1")});
        QVERIFY2(sim.started(), qPrintable(sim.errors()));

        g_sPassword = kPresetPassword;
        frmMain w(std::make_unique<QtSerialPortAdapter>(), world.dialogs, *world.store, world.program.path());
        w.setEndProgram([] {});
        QCOMPARE(child<QLabel>(&w, QStringLiteral("lblPort"))->text(), QStringLiteral("COM1 \u2192 %1").arg(sim.device()));
        child<QCheckBox>(&w, QStringLiteral("chkSaveData"))->click();
        child<QCheckBox>(&w, QStringLiteral("chkClearData"))->click();

        arrayButton(&w, "cmd", 2)->click();
        QCOMPARE(lines(&w), QStringList{"5"});

        arrayButton(&w, "cmd", 10)->click();
        QFile data(QDir(world.program.path()).filePath(QStringLiteral("VX.txt")));
        QVERIFY(data.open(QIODevice::ReadOnly));
        QCOMPARE(data.readAll(), expected);
        QCOMPARE(lines(&w).mid(1), (QStringList{"255,4901234567894,2024/03/15,14:30:12", "-1,caf\u00e9",
                                                "65536,x,,y", "-2147483648", "123456789,too long",
                                                "Download Process Finished", "Data Saved", "Data Cleared"}));

        arrayButton(&w, "cmd", 2)->click();
        QCOMPARE(lines(&w).last(), QStringLiteral("0"));
        QVERIFY2(world.dialogs.asked.isEmpty(), qPrintable(world.dialogs.texts().join(QLatin1Char('\n'))));
    }

    void closingTheWindowDuringADownloadEndsTheProgram()
    {
        AppWorld world;
        // At the real line rate 2,000 records take most of a minute.
        SimProcess sim({QStringLiteral("--generate"), QStringLiteral("2000"), QStringLiteral("--pace"),
                        QStringLiteral("--register"), QStringLiteral("COM1")});
        QVERIFY2(sim.started(), qPrintable(sim.errors()));

        g_sPassword = kPresetPassword;
        frmMain w(std::make_unique<QtSerialPortAdapter>(), world.dialogs, *world.store, world.program.path());
        child<QCheckBox>(&w, QStringLiteral("chkSaveData"))->click();
        child<QCheckBox>(&w, QStringLiteral("chkClearData"))->click();
        w.show();

        // The program's own ending: the window closes once 20 records are in.
        QTimer::singleShot(0, &w, [&] { arrayButton(&w, "cmd", 10)->click(); });
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &w, [&] {
            if (lines(&w).size() >= 20 && w.isVisible())
                w.close();
        });
        watch.start(20);
        bool stuck = false;
        QTimer::singleShot(120000, qApp, [&] {
            stuck = true;
            QCoreApplication::exit(1);
        });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!stuck);

        QFile data(QDir(world.program.path()).filePath(QStringLiteral("VX.txt")));
        QVERIFY(data.open(QIODevice::ReadOnly));
        const int written = int(data.readAll().count("\r\n"));
        QStringList echoed = lines(&w);
        if (echoed.last().startsWith(QStringLiteral("ErrCode")))
            echoed.removeLast();
        QVERIFY(written >= 20 && written < 2000);
        QCOMPARE(echoed.size(), written);
        QVERIFY(!echoed.contains(QStringLiteral("Data Cleared")));
        QVERIFY(!w.IsBusy());
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_EndToEnd.moc"
