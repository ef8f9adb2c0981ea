#include "terminal/Record.h"

#include "terminal/Numbers.h"

namespace vx {

namespace {
QString firstField(const QString &line)
{
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    return comma < 0 ? line : line.left(comma);
}
} // namespace

QString convertFirstField(const QString &line)
{
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    const auto value = hexFieldValue(firstField(line));
    if (!value)
        return line;
    const QString converted = QString::number(*value);
    return comma < 0 ? converted : converted + line.mid(comma);
}

bool firstFieldConvertible(const QString &line)
{
    return hexFieldValue(firstField(line)).has_value();
}

QByteArray dataFileLine(const QString &record)
{
    // Made to its size: a download may hold 64 MiB of them, not twice that.
    QByteArray bytes;
    bytes.reserve(record.size() + 2);
    bytes.append(record.toLatin1()).append("\r\n", 2);
    return bytes;
}

} // namespace vx
