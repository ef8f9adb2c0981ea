#include "terminal/Frame.h"

namespace vx {

QByteArray toLine(const QString &text) { return text.toLatin1(); }
QString fromLine(const QByteArray &bytes) { return QString::fromLatin1(bytes); }

QByteArray hexId(qint16 id)
{
    static const char digits[] = "0123456789ABCDEF";
    const auto low = static_cast<quint8>(static_cast<quint16>(id) & 0xFF);
    QByteArray out(2, '0');
    out[0] = digits[low >> 4];
    out[1] = digits[low & 0x0F];
    return out;
}

QByteArray commandFrame(qint16 id, char letter)
{
    QByteArray frame;
    frame.reserve(4);
    frame.append(ENQ).append(hexId(id)).append(letter);
    return frame;
}

QByteArray dataFrame(const QByteArray &data)
{
    QByteArray frame;
    frame.reserve(data.size() + 3);
    frame.append(STX).append(data).append(ETX).append(static_cast<char>(calcBcc(data)));
    return frame;
}

quint8 calcBcc(const QByteArray &bytes)
{
    quint8 bcc = 0;
    for (char c : bytes)
        bcc ^= static_cast<quint8>(c);
    return bcc;
}

Reply readReply(const QByteArray &received)
{
    if (received.isEmpty())
        return {};
    if (received.front() == EOT)
        return {Reply::EndOfStream, {}};
    if (received.front() != STX)
        return {Reply::Broken, {}};
    const qsizetype etx = received.indexOf(ETX, 1);
    if (etx < 0 || etx + 1 >= received.size())
        return {};
    const QByteArray data = received.mid(1, etx - 1);
    if (data.isEmpty() || etx + 2 != received.size()
        || calcBcc(data) != static_cast<quint8>(received[etx + 1]))
        return {Reply::Broken, {}};
    return {Reply::Frame, data};
}

QByteArray stationRequest(char letter)
{
    QByteArray req;
    req.append(ENQ).append("B00").append(letter).append(CR);
    return req;
}

QString hexDump(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace vx
