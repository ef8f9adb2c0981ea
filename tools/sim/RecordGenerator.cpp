#include "RecordGenerator.h"

namespace vx::sim {

namespace {
// splitmix64: small, fast and the same on every platform.
struct Rng {
    quint64 s;
    quint64 next()
    {
        quint64 z = (s += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<quint64>(n)); }
};
} // namespace

int RecordGenerator::ean13CheckDigit(const QString &twelveDigits)
{
    int sum = 0;
    for (int i = 0; i < 12 && i < twelveDigits.size(); ++i)
        sum += twelveDigits[i].digitValue() * (i % 2 ? 3 : 1);
    return (10 - sum % 10) % 10;
}

QStringList RecordGenerator::generate(int count) const
{
    Rng rng{seed};
    // A patrol of a few dozen checkpoints, each with its own tag and product code.
    const int places = 24 + rng.below(24);
    QStringList tags, codes;
    for (int i = 0; i < places; ++i) {
        // Eight hex digits whose value reads as a positive 32-bit number.
        const quint32 tag = 0x00100000u + static_cast<quint32>(rng.next() % (0x7FFFFFFFu - 0x00100000u));
        tags << QStringLiteral("%1").arg(tag, 8, 16, QLatin1Char('0')).toUpper();
        QString digits = QStringLiteral("49");
        for (int d = 0; d < 10; ++d)
            digits += QChar(u'0' + rng.below(10));
        codes << digits + QString::number(ean13CheckDigit(digits));
    }
    QStringList out;
    out.reserve(count);
    QDateTime at = start;
    for (int i = 0; i < count; ++i) {
        at = at.addSecs(5 + rng.below(300));
        const int place = rng.below(places);
        out << QStringLiteral("%1,%2,%3,%4")
                   .arg(tags[place], codes[place], at.toString(QStringLiteral("yyyy/MM/dd")),
                        at.toString(QStringLiteral("HH:mm:ss")));
    }
    return out;
}

} // namespace vx::sim
