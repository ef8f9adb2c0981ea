// What every benchmark program shares: settings of its own, never the
// user's, and a records file of a known size on the line.
#pragma once

#include <QFile>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

namespace vx::bench {

// Points this process, and the programs it starts, at an empty settings
// folder of its own for the rest of the run.
inline void usePrivateSettings()
{
    static QTemporaryDir config;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
}

// n records of about 40 characters (a hexadecimal first field, a barcode, a
// date and a time); the bytes their download puts on the line, or -1 when
// the file cannot be written.
inline qint64 writeRecords(const QString &path, int n)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return -1;
    qint64 lineBytes = 5; // ENQ, machine number, letter; the final EOT
    for (int i = 0; i < n; ++i) {
        const QByteArray rec = QStringLiteral("%1,49%2,20261206,%3")
                                   .arg(i % 0xFFFF, 4, 16, QLatin1Char('0'))
                                   .arg(1000000000000LL + i * 7919LL, 15, 10, QLatin1Char('0'))
                                   .arg(80000 + i % 4000, 6, 10, QLatin1Char('0'))
                                   .toUpper()
                                   .toLatin1();
        if (f.write(rec + '\n') != rec.size() + 1)
            return -1;
        lineBytes += rec.size() + 4; // STX, ETX, check byte; the ACK
    }
    return lineBytes;
}

} // namespace vx::bench
