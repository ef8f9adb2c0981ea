// Faults on the line and on the disk, against the monitor window and
// vx500-sim on a pseudo-terminal: every record the window acknowledged is in
// the data file exactly once and in order, the terminal is cleared only once
// the file is on the disk, the window reports each failure once, and a later
// download gets everything.
#include "AppTest.h"

#include "Globals.h"
#include "QtSerialPortAdapter.h"
#include "Record.h"
#include "SimProcess.h"
#include "TestFiles.h"
#include "frmMain.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace vx;
using namespace vx::test;
using vx::sim::test::SimProcess;

namespace {

constexpr int kRecords = 12;

QStringList lines(frmMain &w)
{
    return child<QPlainTextEdit>(&w, QStringLiteral("txt"))->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}


} // namespace

class WindowFaults : public QObject
{
    Q_OBJECT
private slots:
    void noRecordIsLost_data()
    {
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QString>("folder"); // "" = the test's own folder
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("linesKept");
        QTest::addColumn<QString>("lastLine"); // "" = the error path's message box
        QTest::addColumn<bool>("countable");   // the terminal answers "Record Count" afterwards

        const QString vx = QStringLiteral("VX.txt");
        QTest::newRow("wrong check byte at record 5")
            << QStringList{"--bad-bcc", "5"} << QString() << vx << 4 << "ErrCode: -4, VX_ERR_INVALID_BCC" << true;
        QTest::newRow("silence from record 5")
            << QStringList{"--silent-from", "5"} << QString() << vx << 4 << "ErrCode: -1, VX_ERR_TIMEOUT" << true;
        QTest::newRow("noise") << QStringList{"--noise"} << QString() << vx << 0 << "ErrCode: -4, VX_ERR_INVALID_BCC"
                               << false;
        QTest::newRow("EOT in place of replies")
            << QStringList{"--eot-reply"} << QString() << vx << 0 << "Data Cleared" << false;
        QTest::newRow("NAK in place of ACK") << QStringList{"--nak"} << QString() << vx << kRecords << "Data Cleared"
                                             << true;
        QTest::newRow("far end closes after record 5")
            << QStringList{"--hangup-after", "5"} << QString() << vx << 5 << "ErrCode: -2, VX_ERR_PORT_NOT_OPEN"
            << false;
        QTest::newRow("data file on a full device")
            << QStringList{} << QStringLiteral("/dev") << QStringLiteral("full") << 0 << QString() << true;
        QTest::newRow("data folder missing")
            << QStringList{} << QStringLiteral("/nonexistent-vx-folder") << vx << 0 << QString() << true;
    }

    void noRecordIsLost()
    {
        QFETCH(QStringList, fault);
        QFETCH(QString, folder);
        QFETCH(QString, fileName);
        QFETCH(int, linesKept);
        QFETCH(QString, lastLine);
        QFETCH(bool, countable);

        AppWorld world;
        const QString records = world.config.filePath(QStringLiteral("records.txt"));
        QStringList stored;
        {
            QFile f(records);
            QVERIFY(f.open(QIODevice::WriteOnly));
            for (int i = 1; i <= kRecords; ++i) {
                stored << QStringLiteral("%1,490%2,2026/12/06,08:00:%3,\u00e9t\u00e9")
                              .arg(QString::number(i * 0x1111, 16).toUpper())
                              .arg(1000000000 + i)
                              .arg(i, 2, 10, QLatin1Char('0'));
                f.write(stored.last().toLatin1() + '\n');
            }
        }
        QByteArray all;
        for (const QString &r : stored)
            all += dataFileLine(convertFirstField(r));
        auto prefix = [&](int n) {
            QByteArray out;
            for (int i = 0; i < n; ++i)
                out += dataFileLine(convertFirstField(stored[i]));
            return out;
        };

        g_sPassword = kPresetPassword;
        frmMain w(std::make_unique<QtSerialPortAdapter>(), world.dialogs, *world.store, world.program.path());
        w.setEndProgram([] {});
        child<QCheckBox>(&w, QStringLiteral("chkSaveData"))->click();
        child<QCheckBox>(&w, QStringLiteral("chkClearData"))->click();
        const QString dataFolder = folder.isEmpty() ? world.program.path() : folder;
        child<QLineEdit>(&w, QStringLiteral("txtPath"))->setText(dataFolder);
        child<QLineEdit>(&w, QStringLiteral("txtFixedFilename"))->setText(fileName);
        const QString data = QDir(dataFolder).filePath(fileName);

        {
            SimProcess sim(QStringList{QStringLiteral("--records"), records, QStringLiteral("--register"),
                                       QStringLiteral("COM1")} + fault,
                           QProcessEnvironment::systemEnvironment());
            QVERIFY2(sim.started(), qPrintable(sim.errors()));
            arrayButton(&w, "cmd", 10)->click();
            QVERIFY(!w.IsBusy());
            if (lastLine.isEmpty()) {
                QCOMPARE(world.dialogs.asked.size(), 1); // the error path, once
                QVERIFY(lines(w).isEmpty());
            } else {
                QCOMPARE(lines(w).last(), lastLine);
                QVERIFY(world.dialogs.asked.size() <= 1); // a lost device: one report, no flood
            }
            if (folder.isEmpty())
                QCOMPARE(fileBytes(data), prefix(linesKept));
            if (countable) {
                // Nothing was cleared: the terminal still holds every record.
                arrayButton(&w, "cmd", 2)->click();
                QCOMPARE(lines(w).last(), QString::number(kRecords));
            }
        }

        // A later download without the fault gets every record and clears.
        world.dialogs.asked.clear();
        child<QLineEdit>(&w, QStringLiteral("txtPath"))->setText(world.program.path());
        child<QLineEdit>(&w, QStringLiteral("txtFixedFilename"))->setText(QStringLiteral("later.txt"));
        SimProcess sim({QStringLiteral("--records"), records, QStringLiteral("--register"), QStringLiteral("COM1")},
                       QProcessEnvironment::systemEnvironment());
        QVERIFY2(sim.started(), qPrintable(sim.errors()));
        arrayButton(&w, "cmd", 10)->click();
        QCOMPARE(fileBytes(QDir(world.program.path()).filePath(QStringLiteral("later.txt"))), all);
        QCOMPARE(lines(w).last(), QStringLiteral("Data Cleared"));
        arrayButton(&w, "cmd", 2)->click();
        QCOMPARE(lines(w).last(), QStringLiteral("0"));
        QVERIFY2(world.dialogs.asked.isEmpty(), qPrintable(world.dialogs.texts().join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(WindowFaults)
#include "tst_window_faults.moc"
