// Number readers on arbitrary text: no crash, and results inside their ranges.
#include "terminal/Numbers.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const double lenient = vx::leadingNumber(text);
    if (const auto v = vx::toInt16(lenient); v && (*v < -32768 || *v > 32767))
        std::abort();
    if (const auto whole = vx::wholeNumber(text)) {
        // A text that reads as a whole number reads the same leniently.
        if (!(*whole == vx::leadingNumber(text.trimmed())) && !std::isnan(*whole))
            std::abort();
    }
    (void)vx::hexFieldValue(text);
    return 0;
}
