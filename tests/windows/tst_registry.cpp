// The settings on Windows live in the registry: the window stores a port,
// the port it stands for and a switch there, vx500ctl.exe reads the port
// and its mapping back from the same place, and Windows' own reg query finds
// the values where users and their administrators look for them.
#include "AppTest.h"
#include "PortChooser.h"
#include "settings/UserSettings.h"

using namespace vx;
using namespace vx::test;

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) ? QString::fromLocal8Bit(process.readAllStandardOutput()) : QString();
}

} // namespace

class RegistryTest : public QObject
{
    Q_OBJECT
private slots:
    void theWindowWritesWhatTheToolAndRegRead()
    {
        QVERIFY(settingsInRegistry());
        QSettings(userSettingsLocation(), QSettings::NativeFormat).clear();
        TerminalWindow t;
        t.get<QComboBox>("portBox")->setCurrentIndex(4); // COM5
        t.click("clearDataBox");
        // COM5 stands for a port beyond the list, as a USB adapter's.
        t.w->setDevicePresent([](const QString &device) { return device == "COM17"; });
        whenModal<PortChooser>([](PortChooser *d) {
            child<QLineEdit>(d, "deviceEdit")->setText(" com17 ");
            QCOMPARE(child<QLineEdit>(d, "deviceEdit")->accessibleName(), "Port that COM5 stands for");
            d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        t.click("portDeviceButton");
        QCOMPARE(t.state("portLabel"), QStringLiteral("COM5 \u2192 COM17"));
        t.w.reset(); // the program ends
        const QString ports = run(QStringLiteral(VX500CTL_PROGRAM), {QStringLiteral("ports")});
        QVERIFY2(ports.contains(QRegularExpression(QStringLiteral("\\nCOM5 +COM17 +\\(mapped, the monitor's port\\)"))), qPrintable(ports));
        QCOMPARE(run(QStringLiteral(VX500CTL_PROGRAM), {QStringLiteral("ports"), QStringLiteral("--unmap"), QStringLiteral("COM5")}).trimmed(),
                 QStringLiteral("COM5 = COM5"));
        const QString key = QStringLiteral("HKEY_CURRENT_USER\\Software\\VX500-500A Monitor\\");
        const QString found = run(QStringLiteral("reg"), {QStringLiteral("query"), key + QStringLiteral("Connect")})
            + run(QStringLiteral("reg"), {QStringLiteral("query"), key + QStringLiteral("Misc")});
        QVERIFY2(found.contains(QRegularExpression(QStringLiteral("Comport +REG_SZ +4\\s")))
                     && found.contains(QRegularExpression(QStringLiteral("ClearData +REG_SZ +1\\s"))),
                 qPrintable(found));
    }
};

QTEST_MAIN(RegistryTest)
#include "tst_registry.moc"
