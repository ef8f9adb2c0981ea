#include "terminal/Numbers.h"

#include <cmath>
#include <cfenv>

namespace vx {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

QString withoutBlanks(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!isBlank(c))
            out.append(c);
    return out;
}

int digitValue(QChar c, int base)
{
    int v = -1;
    if (c >= u'0' && c <= u'9')
        v = c.unicode() - u'0';
    else if (c >= u'a' && c <= u'f')
        v = c.unicode() - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        v = c.unicode() - u'A' + 10;
    return v < base ? v : -1;
}

// Reads a number from s starting at pos; pos ends behind what was read.
double readNumber(const QString &s, qsizetype &pos)
{
    if (pos + 1 < s.size() && s[pos] == u'&') {
        const QChar kind = s[pos + 1].toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base) {
            pos += 2;
            quint64 value = 0;
            for (; pos < s.size(); ++pos) {
                const int d = digitValue(s[pos], base);
                if (d < 0)
                    break;
                value = value * base + d;
                if (value > 0xFFFFFFFFFFFFull / base)
                    value = 0xFFFFFFFFFFFFull; // saturate: far outside every range used
            }
            if (value <= 0xFFFF)
                return static_cast<qint16>(static_cast<quint16>(value));
            if (value <= 0xFFFFFFFFull)
                return static_cast<qint32>(static_cast<quint32>(value));
            return static_cast<double>(value);
        }
    }
    const qsizetype start = pos;
    if (pos < s.size() && (s[pos] == u'+' || s[pos] == u'-'))
        ++pos;
    const qsizetype mantissa = pos;
    while (pos < s.size() && s[pos].isDigit() && s[pos].unicode() < 128)
        ++pos;
    if (pos < s.size() && s[pos] == u'.') {
        ++pos;
        while (pos < s.size() && s[pos].unicode() < 128 && s[pos].isDigit())
            ++pos;
    }
    const bool anyDigit = pos - mantissa > (s.mid(mantissa, pos - mantissa).contains(u'.') ? 1 : 0);
    if (!anyDigit) {
        pos = start;
        return 0.0;
    }
    qsizetype end = pos;
    if (pos < s.size() && (s[pos].toUpper() == u'E' || s[pos].toUpper() == u'D')) {
        qsizetype e = pos + 1;
        if (e < s.size() && (s[e] == u'+' || s[e] == u'-'))
            ++e;
        const qsizetype expDigits = e;
        while (e < s.size() && s[e].unicode() < 128 && s[e].isDigit())
            ++e;
        if (e > expDigits) {
            end = e;
            pos = e;
        }
    }
    QString number = s.mid(start, end - start);
    number.replace(u'D', u'E').replace(u'd', u'e');
    bool ok = false;
    const double v = number.toDouble(&ok);
    if (!ok && std::isinf(v))
        return v; // too large for any number: an overflow for whoever rounds it
    return ok ? v : 0.0;
}

} // namespace

double leadingNumber(const QString &text)
{
    const QString s = withoutBlanks(text);
    qsizetype pos = 0;
    return readNumber(s, pos);
}

std::optional<double> wholeNumber(const QString &text)
{
    const QString s = text.trimmed();
    if (s.isEmpty())
        return std::nullopt;
    qsizetype pos = 0;
    const double v = readNumber(s, pos);
    if (pos != s.size() || pos == 0)
        return std::nullopt;
    return v;
}

std::optional<qint16> toInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    std::fesetround(saved);
    if (r < -32768.0 || r > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(r);
}

std::optional<qint32> hexFieldValue(const QString &field)
{
    const QString s = withoutBlanks(field);
    quint64 value = 0;
    int significant = 0;
    for (QChar c : s) {
        const int d = digitValue(c, 16);
        if (d < 0)
            break;
        if (significant || d)
            ++significant;
        if (significant > 8)
            return std::nullopt;
        value = value * 16 + d;
    }
    if (value <= 0xFFFF)
        return static_cast<qint16>(static_cast<quint16>(value));
    return static_cast<qint32>(static_cast<quint32>(value));
}

} // namespace vx
