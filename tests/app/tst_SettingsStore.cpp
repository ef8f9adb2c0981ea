// The settings store: defaults, the two number readings, values the program
// never writes, durability, the private file and batched failure reports
// (each failure reported on its own, and the recovery, in tst_MainWindow).
#include "AppTest.h"

#include <QFile>
#include <QFileInfo>

using namespace vx;
using namespace vx::test;

class SettingsStoreTest : public QObject
{
    Q_OBJECT
private slots:
    void missingKeysGiveTheCallersDefault()
    {
        AppWorld w;
        QCOMPARE(w.store->read(key::Password, QStringLiteral("5813")), QStringLiteral("5813"));
        QCOMPARE(w.store->readLenient(key::Comport, 0, 0, 15), qint16(0));
        QCOMPARE(w.store->readStrict(key::ClearData, 0, 0, 2), qint16(0));
        QVERIFY(w.dialogs.asked.isEmpty());
        // Reading stores nothing (the file may exist, created private and empty).
        QVERIFY(QSettings(w.store->fileName(), QSettings::IniFormat).allKeys().isEmpty());
        QVERIFY(w.store->fileName().startsWith(w.config.path()));
    }

    void writesAreDurableAndExact()
    {
        AppWorld w;
        QVERIFY(w.store->write(key::Password, QStringLiteral(" Mixed Case ")));
        QVERIFY(w.store->write(key::FilePath, QStringLiteral("/data/a,b;c=d")));
        QVERIFY(w.store->write(key::Comport, 15));
        // Another store (a later run) reads the very texts back.
        SettingsStore later(w.dialogs);
        QCOMPARE(later.read(key::Password, QString()), QStringLiteral(" Mixed Case "));
        QCOMPARE(later.read(key::FilePath, QString()), QStringLiteral("/data/a,b;c=d"));
        QCOMPARE(w.stored("Connect", "Comport"), QStringLiteral("15"));
        QVERIFY(w.store->write(key::Password, QString()));
        QCOMPARE(later.read(key::Password, QStringLiteral("5813")), QString());
    }

    void fileIsPrivateToItsOwner()
    {
        AppWorld w;
        QVERIFY(w.store->write(key::Password, QStringLiteral("secret")));
        const auto perms = QFileInfo(w.store->fileName()).permissions();
        QVERIFY(perms & QFileDevice::ReadOwner);
        QVERIFY(!(perms & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                           | QFileDevice::WriteOther)));
        // An existing file that others could read is made private by the next write.
        QFile::setPermissions(w.store->fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                       | QFileDevice::ReadOther);
        QVERIFY(w.store->write(key::Comport, 1));
        QVERIFY(!(QFileInfo(w.store->fileName()).permissions() & QFileDevice::ReadOther));
    }

    void lenientReading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "3" << 3;
        QTest::newRow("blanks and tail") << "  7 ports" << 7;
        QTest::newRow("not a number") << "abc" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("half to even up") << "3.5" << 4;
        QTest::newRow("hex") << "&HA" << 10;
        QTest::newRow("out of range high") << "16" << 0;
        QTest::newRow("negative") << "-1" << 0;
        QTest::newRow("overflow") << "99999" << 0;
    }
    void lenientReading()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        AppWorld w;
        w.preset("Connect", "Comport", text);
        QCOMPARE(int(w.store->readLenient(key::Comport, 0, 0, 15)), expected);
    }

    void strictReading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("one") << "1" << 1;
        QTest::newRow("greyed") << "2" << 2;
        QTest::newRow("surrounding blanks") << " 1 " << 1;
        QTest::newRow("rounded") << "0.6" << 1;
        QTest::newRow("trailing text is no number") << "1x" << 0;
        QTest::newRow("empty is no number") << "" << 0;
        QTest::newRow("out of range") << "3" << 0;
        QTest::newRow("negative") << "-1" << 0;
        QTest::newRow("overflow") << "1e9" << 0;
    }
    void strictReading()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        AppWorld w;
        w.preset("Misc", "ClearData", text);
        QCOMPARE(int(w.store->readStrict(key::ClearData, 0, 0, 2)), expected);
    }

    void aBatchReportsItsFailuresOnce()
    {
        AppWorld w;
        w.breakStore();
        {
            const SettingsStore::Batch batch(*w.store);
            QVERIFY(!w.store->write(key::Comport, 1));
            {
                const SettingsStore::Batch inner(*w.store);
                QVERIFY(!w.store->write(key::DateFormat, 1));
            }
            QVERIFY(!w.store->write(key::SaveData, 0));
        }
        QCOMPARE(w.dialogs.asked.size(), 1);
        // After the batch, every failure is reported again.
        QVERIFY(!w.store->write(key::SaveData, 1));
        QCOMPARE(w.dialogs.asked.size(), 2);
        const SettingsStore::Batch next(*w.store);
        QVERIFY(!w.store->write(key::SaveData, 1));
        QCOMPARE(w.dialogs.asked.size(), 3);
    }
};

QTEST_MAIN(SettingsStoreTest)
#include "tst_SettingsStore.moc"
