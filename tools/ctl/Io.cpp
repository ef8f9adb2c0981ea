#include "Io.h"

#include "terminal/Frame.h"

#include <QJsonArray>
#include <QJsonDocument>

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

QByteArray jsonLine(const JsonFields &fields)
{
    // A value alone as Qt writes it: the one item of a compact array.
    const auto json = [](const QJsonValue &value) {
        return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).chopped(1).mid(1);
    };
    QByteArray compact = "{";
    for (const auto &[key, value] : fields)
        compact += (compact.size() > 1 ? "," : "") + json(key) + ':' + json(value);
    compact += '}';
    QByteArray line;
    line.reserve(compact.size() + 1);
    for (qsizetype i = 0; i < compact.size(); ++i) {
        const auto c = static_cast<unsigned char>(compact.at(i));
        const auto next = i + 1 < compact.size() ? static_cast<unsigned char>(compact.at(i + 1)) : 0u;
        if (c == 0x7F) {
            line += "\\u007f";
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) { // U+0080..U+009F in UTF-8
            line += "\\u00" + QByteArray::number(next, 16);
            ++i;
        } else {
            line += static_cast<char>(c);
        }
    }
    return line + '\n';
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
