#include "Io.h"

#include "Frame.h"

namespace vx::ctl {

QString shownOnTerminal(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t') || (u >= 0x7F && u <= 0x9F))
            shown += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

bool Io::write(const QByteArray &bytes)
{
    const bool ok = out->write(bytes) == bytes.size();
    outFailed = outFailed || !ok;
    return ok;
}

bool Io::print(const QString &line)
{
    return write((outIsTerminal ? shownOnTerminal(line) : line).toUtf8() + '\n');
}

bool Io::printDeviceText(const QString &text)
{
    return write(vx::toLine(outIsTerminal ? shownOnTerminal(text) : text) + '\n');
}

void Io::note(const QString &line)
{
    if (liveLine)
        err->write("\n");
    liveLine = false;
    err->write((errIsTerminal ? shownOnTerminal(line) : line).toUtf8() + '\n');
}

} // namespace vx::ctl
