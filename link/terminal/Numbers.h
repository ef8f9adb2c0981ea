// Number reading shared by the link, the monitor and the command-line tool:
// a lenient reading that takes whatever number a text starts with (blanks
// ignored, no digits giving 0), the strict reading of a whole text, and
// rounding to a 16-bit machine value.
#pragma once

#include <QString>
#include <optional>

namespace vx {

// The number at the start of the text. Blanks, tabs and line feeds anywhere
// are ignored; a sign, digits, a decimal point and an exponent (E or D) are
// read up to the first character that cannot continue the number; "&H" and
// "&O" introduce hexadecimal and octal numbers (up to four hex digits are a
// 16-bit two's-complement value, up to eight a 32-bit one). No number gives 0.
double leadingNumber(const QString &text);

// The whole text (surrounding blanks allowed) as a decimal number, "&H" or
// "&O" number; nullopt for an empty text or any other character.
std::optional<double> wholeNumber(const QString &text);

// Round to the nearest integer, halves to the even neighbour; nullopt when
// the result lies outside -32768..32767 (or is not a number).
std::optional<qint16> toInt16(double value);

// A hexadecimal first field: blanks ignored, digits up to the first other
// character, no digit gives 0. A value up to FFFF is a signed 16-bit number,
// up to FFFFFFFF a signed 32-bit one; nullopt for more than eight significant
// digits.
std::optional<qint32> hexFieldValue(const QString &field);

} // namespace vx
