#include "LineBytes.h"

#include <QStringList>

namespace vx::sim {

quint8 xorOf(const QByteArray &bytes)
{
    quint8 x = 0;
    for (char c : bytes)
        x ^= static_cast<quint8>(c);
    return x;
}

QByteArray frameOf(const QByteArray &data, bool corrupt)
{
    QByteArray out;
    out.reserve(data.size() + 3);
    out.append(ctl::STX).append(data).append(ctl::ETX);
    const quint8 check = xorOf(data);
    out.append(static_cast<char>(corrupt ? check ^ 0x5A : check));
    return out;
}

Line Line::parse(const QString &text)
{
    Line line;
    const QStringList f = text.split(QLatin1Char(','));
    bool ok = false;
    if (f.size() == 4) {
        line.baud = f[0].trimmed().toInt(&ok);
        const QString parity = f[1].trimmed().toLower();
        line.parity = parity.size() == 1 ? parity[0].toLatin1() : '?';
        line.dataBits = f[2].trimmed().toInt();
        line.stopBits = f[3].trimmed();
    }
    if (!ok)
        line.baud = 0;
    return line;
}

QString Line::text() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(QLatin1Char(parity)).arg(dataBits).arg(stopBits);
}

bool Line::is8N1At(qint32 rate) const
{
    return baud == rate && parity == 'n' && dataBits == 8 && stopBits == u"1";
}

double Line::msFor(qint64 bytes) const
{
    return baud > 0 ? static_cast<double>(bytes) * 10.0 * 1000.0 / baud : 0.0;
}

} // namespace vx::sim
