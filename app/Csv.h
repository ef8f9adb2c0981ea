// A table as a CSV file a spreadsheet opens as it is: UTF-8 (with its byte
// order mark, for the spreadsheets that guess the encoding otherwise), CR LF
// line ends, fields quoted when they hold a comma, a quote or a line break,
// and a cell that a spreadsheet would run as a formula (one that starts with
// = + - @, a tab or a CR) kept as text by a leading apostrophe.
#pragma once

#include "terminal/Failure.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <optional>

namespace vx {

QByteArray csvText(const QList<QStringList> &rows);

// Replaces `path` with `bytes` as a whole: until they are all on the disk,
// the file stays as it was (or absent); a failure names the path and the
// system's reason.
std::optional<Failure> saveWholeFile(const QString &path, const QByteArray &bytes);

} // namespace vx
