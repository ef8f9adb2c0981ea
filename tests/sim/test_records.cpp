// Generated records: realistic, deterministic, and readable by the monitor.
#include "Noise.h"
#include "RecordGenerator.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace vx::sim;

TEST(Records, GeneratedRecordsHaveTheFieldsTheMonitorReads)
{
    const QStringList records = RecordGenerator{}.generate(500);
    ASSERT_EQ(records.size(), 500);
    static const QRegularExpression shape(
        QStringLiteral("^([0-9A-F]{8}),([0-9]{13}),([0-9]{4}/[0-9]{2}/[0-9]{2}),([0-9]{2}:[0-9]{2}:[0-9]{2})$"));
    QDateTime previous;
    for (const QString &r : records) {
        const auto m = shape.match(r);
        ASSERT_TRUE(m.hasMatch()) << qPrintable(r);
        EXPECT_GE(r.size(), 38);
        EXPECT_LE(r.size(), 44);
        const quint32 tag = m.captured(1).toUInt(nullptr, 16);
        EXPECT_GE(tag, 0x10000u) << "reads as a 32-bit number, not a 16-bit one";
        EXPECT_LE(tag, 0x7FFFFFFFu) << "reads as a positive number";
        const QString code = m.captured(2);
        EXPECT_EQ(code.back().digitValue(), RecordGenerator::ean13CheckDigit(code.left(12))) << qPrintable(r);
        const QDateTime at = QDateTime::fromString(m.captured(3) + u' ' + m.captured(4),
                                                   QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        ASSERT_TRUE(at.isValid()) << qPrintable(r);
        if (previous.isValid())
            EXPECT_GT(at, previous) << "records are stored in the order they were taken";
        previous = at;
    }
}

TEST(Records, TheSameSeedGivesTheSameRecords)
{
    RecordGenerator a, b, c;
    c.seed = 2;
    EXPECT_EQ(a.generate(50), b.generate(50));
    EXPECT_NE(a.generate(50), c.generate(50));
    EXPECT_EQ(a.generate(10), a.generate(50).mid(0, 10)) << "more records extend the same list";
    EXPECT_TRUE(a.generate(0).isEmpty());
}

TEST(Records, Ean13CheckDigitOfKnownCodes)
{
    EXPECT_EQ(RecordGenerator::ean13CheckDigit(QStringLiteral("400638133393")), 1);
    EXPECT_EQ(RecordGenerator::ean13CheckDigit(QStringLiteral("590123412345")), 7);
    EXPECT_EQ(RecordGenerator::ean13CheckDigit(QStringLiteral("000000000000")), 0);
}

TEST(Records, NoiseCoversEveryByteValueAndRepeatsForTheSameSeed)
{
    const QByteArray bytes = Noise(7).bytes(20000);
    ASSERT_EQ(bytes.size(), 20000);
    EXPECT_EQ(QSet<char>(bytes.begin(), bytes.end()).size(), 256) << "control bytes included";
    EXPECT_EQ(Noise(7).bytes(100), bytes.left(100));
    EXPECT_NE(Noise(8).bytes(100), bytes.left(100));
}
