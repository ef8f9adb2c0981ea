#include "linesettings/LineSettings.h"

#include <QStringList>

namespace vx {

namespace {
constexpr char kParityLetters[] = "neoms"; // in the order of LineSettings::Parity
} // namespace

QString LineSettings::toString() const
{
    const char *stop = stopBits == StopBits::One ? "1" : stopBits == StopBits::OneAndHalf ? "1.5" : "2";
    return QStringLiteral("%1,%2,%3,%4")
        .arg(speed)
        .arg(QLatin1Char(kParityLetters[static_cast<int>(parity)]))
        .arg(dataBits)
        .arg(QLatin1String(stop));
}

std::optional<LineSettings> LineSettings::parse(const QString &text)
{
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() != 4)
        return std::nullopt;
    LineSettings s;
    bool ok = false;
    s.speed = f[0].trimmed().toInt(&ok);
    if (!ok || s.speed <= 0)
        return std::nullopt;
    const QString parity = f[1].trimmed().toLower();
    const qsizetype letter = parity.size() == 1 ? QLatin1String(kParityLetters).indexOf(parity[0]) : -1;
    if (letter < 0)
        return std::nullopt;
    s.parity = static_cast<Parity>(letter);
    s.dataBits = f[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return std::nullopt;
    const QString stop = f[3].trimmed();
    if (stop == u"1")
        s.stopBits = StopBits::One;
    else if (stop == u"1.5")
        s.stopBits = StopBits::OneAndHalf;
    else if (stop == u"2")
        s.stopBits = StopBits::Two;
    else
        return std::nullopt;
    return s;
}

} // namespace vx
