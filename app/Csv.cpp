#include "Csv.h"

#include <QDir>
#include <QSaveFile>

#include <cerrno>

namespace vx {

namespace {

QString csvField(QString text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front()))
        text.prepend(QLatin1Char('\''));
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\r'))
        && !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

} // namespace

QByteArray csvText(const QList<QStringList> &rows)
{
    QByteArray csv("\xEF\xBB\xBF");
    for (const QStringList &row : rows) {
        QStringList fields;
        for (const QString &cell : row)
            fields << csvField(cell);
        csv += fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
    }
    return csv;
}

std::optional<Failure> saveWholeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    errno = 0; // the system's error number where the system sets one, for the failure's kind
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return std::nullopt;
    const int systemError = errno;
    return Failure{systemError ? fileFailureKind(systemError) : FailureKind::FileAccess,
                   QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString())};
}

} // namespace vx
