// The first-field conversion on arbitrary record text: no crash, every field
// but the first left exactly as it was, and a convertible field rewritten
// into a plain decimal number.
#include "terminal/Record.h"

#include <QStringList>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString out = vx::convertFirstField(line);
    const QStringList before = line.split(QLatin1Char(','));
    const QStringList after = out.split(QLatin1Char(','));
    if (before.size() != after.size())
        std::abort();
    for (qsizetype i = 1; i < before.size(); ++i)
        if (before[i] != after[i])
            std::abort();
    if (vx::firstFieldConvertible(line)) {
        bool ok = false;
        after[0].toLongLong(&ok);
        if (!ok)
            std::abort();
    } else if (out != line) {
        std::abort();
    }
    if (vx::dataFileLine(line) != line.toLatin1() + "\r\n")
        std::abort();
    return 0;
}
