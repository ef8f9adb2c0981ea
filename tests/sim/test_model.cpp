// The terminal model on its own: conversations written out byte by byte, the
// line settings it understands, and its helpers (records, noise, pacing).
#include "ByteSchedule.h"
#include "Noise.h"
#include "RecordGenerator.h"
#include "TerminalModel.h"

#include <QRegularExpression>

#include <cstring>

#include <gtest/gtest.h>

using namespace vx::sim;
using vx::LineSettings;

namespace {

const QDateTime kStart(QDate(2024, 6, 1), QTime(9, 0, 0));

// Bytes as written in a conversation: ^ ENQ, { STX, } ETX, $ EOT, ! ACK, # NAK, ~ CR, ` NUL.
QByteArray bytes(const QString &text)
{
    QByteArray out = text.toLatin1();
    static const char from[] = "^{}$!#~`", to[] = "\x05\x02\x03\x04\x06\x15\x0d";
    for (qsizetype i = 0; i < out.size(); ++i)
        if (const char *c = std::strchr(from, out[i]); c && *c)
            out[i] = to[c - from]; // the NUL ends `to` and gives 0 for `
    return out;
}

// Terminal 1A holding r1 and r2, tag 00000AA, self-test of 1.5 s.
void standard(TerminalModel &m)
{
    m.setMachineNumber(0x1A);
    m.setRecords({QStringLiteral("r1"), QStringLiteral("r2")});
    m.setVersion(QStringLiteral("V1"));
    m.setVoltage(QStringLiteral("2.9V"));
    m.setStationVersion(QStringLiteral("R1"));
    m.setStationInformation(QStringLiteral("INFO"));
    m.setSelfTestMs(1500);
    m.receive(bytes(QStringLiteral("^1AK{00000AA}0$")), vx::kTerminalLine, kStart);
}

// A name, the terminal's faults, and steps apart by blanks: host>answer; a
// step sent 10 ms after the last, or after the milliseconds in front of an
// @, at 9600 when it starts with %, at a line setting neither device takes
// (19200,e,7,2) when it starts with &. An answer ? is line noise (as many
// bytes as the host's and 12 more), * a noise stream; one that ends with |
// leaves the line dead (a pulled cable).
const std::tuple<const char *, Faults, const char *> kConversations[] = {
    {"its own machine number only, upper-case", {}, "^00A> ^1aA> ^1AA>{2}2 !>$ !>"},
    {"a query ends with EOT only after the ACK", {}, "^1AV>{V1}g x> #> !>$"},
    {"requests assemble across writes, ENQ restarts", {}, "^1> AQ>{1A}p !>$ ^3^1AQ>{1A}p"},
    {"a half request is dropped after 5 s of silence", {}, "^1> 5001@AQ> ^1AQ>{1A}p"},
    {"the reader station: one frame at 9600", {}, "%^B00V~>{R1}c %!> %^B00N~>{INFO}\x0e %^B00X~> %^B00V>"},
    {"any other line setting gets noise and changes nothing; noise ends a command, and the terminal hears it",
     {}, "&^1AD>? $> &^1AO>? $> &^B00V~>? $> ^1AS>! %x>? {20090105070809}\t> ^1AA>{2}2 !>$ %^1AA>?"},
    {"the clock keeps its offset to the PC's", {},
     "^1AT>{20240601090000}\n !>$ ^1AS>! {20090105070809}\t>! $> 3600000@^1AT>{20090105080809}\x06"},
    {"a wrong check byte or value is refused", {},
     "^1AS>! {20090105070809}\x08># {20090105070809}\t> ^1AS>! {20091305070809}\n># $> ^1AP>! {G1}v># ^1AT>{20240601090000}\n !>$ ^1AQ>{1A}p"},
    {"a new machine number takes over at once", {}, "^1AP>! {2C}q>! $> ^1AQ> ^2CQ>{2C}q"},
    {"clearing needs the host's EOT; recovery brings back the last clearing", {},
     "^1AD>! ^1AA>{2}2 !>$ ^1AD>! $> ^1AI>$ ^1AD>! $> ^1AM>! $> ^1AI>{r1}C !>{r2}@ !>$"},
    {"a stream item comes only after the ACK", {}, "^1AI>{r1}C #> !>{r2}@ !>$ ^1AA>{2}2"},
    {"powered down, only the reader station answers", {}, "^1AO>! 60000@^1AA> ^1AO> %^B00V~>{R1}c"},
    {"the self-test keeps the terminal deaf for its time", {}, "^1AZ> 1000@^1AA> 600@^1AA>{2}2"},
    {"B is the voltage", {}, "^1AB>{2.9V}s !>$"},
    {"an upload replaces the tags only when the host's EOT ends it", {},
     "^1AK>! {00000ZZ}0>! ^1AJ>{00000AA}0 ^1AK>! {00000AA}0>! {00001BB}0># {00001BB}1>! $> "
     "^1AJ>{00000AA}0 !>{00001BB}1 !>$"},
    {"record k with a wrong check byte", {.badCheckRecord = 2}, "^1AI>{r1}C !>{r2}\x1a"},
    {"silence from record k", {.silentFromRecord = 2}, "^1AI>{r1}C !> !>"},
    {"an EOT inside record k, which still waits for its ACK", {.eotInRecord = 2}, "^1AI>{r1}C !>{r$2}@ #> !>$"},
    {"NAK for every ACK, queries and streams as ever", {.nak = true},
     "^1AD># $> ^1AO># ^1AK># ^1AP># {2C}q> ^1AA>{2}2 !>$ ^1AI>{r1}C"},
    {"EOT for every answer", {.eotReply = true, .nak = true}, "^1AD>$ $> ^1AI>$ ^1AO>$ %^B00V~>$ ^1AZ>"},
    {"a noise stream for every answer, until the host is heard", {.noiseStream = true, .nak = true}, "^1AD>* $> ^1AA>* ^1AI>*"},
    {"the line dead once record k is acknowledged, for good", {.hangUpAfterRecord = 1}, "^1AI>{r1}C !>| ^1AA>"},
    {"the line dead at the download command", {.hangUpAfterRecord = 0}, "^1AI>| ^1AA>"},
};

// A reply as the conversations write it; line noise by its length.
std::string written(const Reply &r, bool noise = false)
{
    return r.untilHeard ? "*" : noise ? std::to_string(r.bytes.size()) + " bytes of noise" : (r.bytes.toHex(' ') + (r.hangUp ? "|" : "")).toStdString();
}

} // namespace

TEST(Model, Conversations)
{
    const LineSettings other{19200, LineSettings::Parity::Even, 7, LineSettings::StopBits::Two};
    for (const auto &[name, faults, steps] : kConversations) {
        TerminalModel model;
        standard(model);
        model.setFaults(faults);
        QDateTime now = kStart;
        for (QString step : QString::fromLatin1(steps).split(u' ')) {
            const qsizetype at = step.section(u'>', 0, 0).indexOf(u'@');
            now = now.addMSecs(at > 0 ? step.left(at).toLongLong() : 10);
            step = step.mid(at + 1);
            const QChar line = step[0];
            const QByteArray host = bytes(step.section(u'>', 0, 0).mid(line == u'%' || line == u'&'));
            const Reply r = model.receive(host, line == u'%' ? vx::kStationLine : line == u'&' ? other : vx::kTerminalLine, now);
            const QString answer = step.section(u'>', 1);
            EXPECT_EQ(written(r, answer == u"?"), answer == u"*" ? "*" : answer == u"?" ? written({QByteArray(host.size() + 12, 'n')}, true)
                                                                     : written({bytes(QString(answer).remove(u'|')), answer.endsWith(u'|')}))
                << name << ": " << qPrintable(step);
            EXPECT_TRUE(!r.untilHeard || r.bytes.size() > 1000) << name;
        }
    }
}

TEST(Model, GeneratedRecordsAndNoise)
{
    // A tag, an EAN-13 barcode with its check digit, a date and a time, taken one after the other.
    static const QRegularExpression shape(QStringLiteral("^[0-7][0-9A-F]{7},49[0-9]{11},[0-9/]{10},[0-9:]{8}$"));
    const QStringList records = RecordGenerator{}.generate(500);
    ASSERT_EQ(records.size(), 500);
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QString &r = records[i];
        EXPECT_TRUE(shape.match(r).hasMatch() && r.left(8).toUInt(nullptr, 16) >= 0x100000
                    && r[21].digitValue() == RecordGenerator::ean13CheckDigit(r.mid(9, 12))
                    && QDateTime::fromString(r.mid(23), QStringLiteral("yyyy/MM/dd,HH:mm:ss")).isValid()
                    && (i == 0 || r.mid(23) > records[i - 1].mid(23)))
            << qPrintable(r);
    }
    EXPECT_NE(RecordGenerator{2}.generate(10), records.mid(0, 10));
    EXPECT_EQ(RecordGenerator::ean13CheckDigit(QStringLiteral("400638133393")), 1);
    EXPECT_EQ(RecordGenerator::ean13CheckDigit(QStringLiteral("590123412345")), 7);

    const QByteArray noise = Noise(7).bytes(20000);
    EXPECT_EQ(QSet<char>(noise.begin(), noise.end()).size(), 256) << "control bytes included";
    EXPECT_EQ(Noise(7).bytes(100), noise.left(100));
    EXPECT_NE(Noise(8).bytes(100), noise.left(100));
}

TEST(ByteSchedule, UnpacedAtOncePacedOneLineTimeApart)
{
    constexpr qint64 k19200 = 520'833, k9600 = 1'041'666; // ns per byte
    ByteSchedule s;
    EXPECT_EQ(s.waitNs(0), -1);
    s.queue("ABC", 19200, 1000);
    EXPECT_EQ(s.dueCount(1000), 3);
    EXPECT_EQ(s.waitNs(1000), 0);

    s = ByteSchedule();
    s.setPace(true);
    s.queue("ABCDEF", 19200, 0);
    EXPECT_EQ(s.waitNs(0), k19200);
    EXPECT_EQ(s.dueCount(k19200 - 1), 0);
    EXPECT_EQ(s.dueCount(3 * k19200), 3) << "bytes held up by a full line go together";
    s.sent(3);
    s.queue("G", 19200, 3 * k19200 + 5); // behind those waiting
    EXPECT_EQ(s.waitNs(3 * k19200), k19200);
    EXPECT_EQ(s.dueCount(7 * k19200), 4);
    s.sent(4);
    EXPECT_TRUE(s.isEmpty());
    // After an idle line, from the time queued; a dropped answer keeps the
    // line busy only for the byte already sent.
    s.queue("HIJ", 9600, 100 * k19200);
    EXPECT_EQ(s.waitNs(100 * k19200), k9600);
    s.sent(s.dueCount(100 * k19200 + k9600));
    s.clear();
    s.queue("K", 9600, 100 * k19200 + k9600 - 10);
    EXPECT_EQ(s.waitNs(100 * k19200 + k9600 - 10), k9600 + 10);
    s = ByteSchedule();
    s.setPace(true);
    s.queue("LM", 0, 0); // a line whose speed could not be read: at once
    EXPECT_EQ(s.dueCount(0), 2);
}
