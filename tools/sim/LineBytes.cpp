#include "LineBytes.h"

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
    out.append(control::STX).append(data).append(control::ETX);
    const quint8 check = xorOf(data);
    out.append(static_cast<char>(corrupt ? check ^ 0x5A : check));
    return out;
}

QString hexOf(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace vx::sim
