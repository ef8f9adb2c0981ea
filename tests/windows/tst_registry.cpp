// The settings on Windows live in the registry: the window stores a port
// and a switch there, and vx500ctl.exe reads the port back from the same
// place. (check_registry.sh runs this, then looks with Wine's reg query.)
#include "AppTest.h"

using namespace vx;
using namespace vx::test;

class RegistryTest : public QObject
{
    Q_OBJECT
private slots:
    void theWindowWritesWhatTheToolReads()
    {
        QVERIFY(settingsInRegistry());
        TerminalWindow t;
        t.get<QComboBox>("cboCommPort")->setCurrentIndex(4); // COM5
        t.click("chkClearData");
        t.w.reset(); // the program ends
        QProcess tool;
        tool.start(QStringLiteral(VX500CTL_PROGRAM), {QStringLiteral("ports")});
        QVERIFY(tool.waitForFinished(60000));
        const QString out = QString::fromUtf8(tool.readAllStandardOutput());
        QVERIFY2(out.contains(QRegularExpression(QStringLiteral("\\nCOM5 +COM5 +\\(the monitor's port\\)"))), qPrintable(out));
    }
};

QTEST_MAIN(RegistryTest)
#include "tst_registry.moc"
