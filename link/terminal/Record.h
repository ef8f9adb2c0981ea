// One downloaded record as it goes into a data file. Shared by the monitor's
// download and the command-line tool, so both write the same lines.
#pragma once

#include <QByteArray>
#include <QString>

namespace vx {

// The record with its first comma-separated field, a hexadecimal number,
// replaced by its decimal value (up to FFFF a signed 16-bit number, up to
// FFFFFFFF a signed 32-bit one): "00FF,x,y" -> "255,x,y", "FFFF,1" -> "-1,1".
// The other fields, empty ones included, stay as they are; a line without a
// comma becomes the converted value alone. A first field with more than eight
// significant hexadecimal digits fits no 32-bit number: the line comes back
// unchanged (firstFieldConvertible() tells this case apart).
QString convertFirstField(const QString &line);

// False when the first field has more than eight significant hexadecimal digits.
bool firstFieldConvertible(const QString &line);

// The bytes of one data-file line: one byte per character, then CR LF.
QByteArray dataFileLine(const QString &record);

} // namespace vx
