// Realistic stored records for the simulated terminal: a hexadecimal tag
// code (eight digits, a positive 32-bit value), an EAN-13 barcode, a date and
// a time, comma-separated, e.g.
//   00A31F2C,4901234567894,2024/03/15,14:30:12
// The same seed always gives the same records; times rise from record to record.
#pragma once

#include <QDateTime>
#include <QStringList>

namespace vx::sim {

struct RecordGenerator {
    quint64 seed = 1;
    QDateTime start = QDateTime(QDate(2024, 3, 1), QTime(8, 0, 0));

    QStringList generate(int count) const;

    // The check digit that completes the twelve digits of an EAN-13 code.
    static int ean13CheckDigit(const QString &twelveDigits);
};

} // namespace vx::sim
