// The link against a scripted terminal on the fake port, in virtual time.
#include "FakePort.h"
#include "terminal/Frame.h"
#include "portnames/PortNames.h"
#include "terminal/TerminalLink.h"

#include <gtest/gtest.h>

using namespace vx;
using namespace vx::test;

namespace {

using Reaction = QList<ScriptDevice::Piece>;
using Op = std::function<QString(vx::TerminalLink &)>;
using Query = void (vx::TerminalLink::*)(qint16, qint16 &);
using Text = void (vx::TerminalLink::*)(qint16, QString &);
using Command = void (vx::TerminalLink::*)(qint16);
using Item = void (vx::TerminalLink::*)(QString &);

Reaction in(const QByteArray &bytes) { return {{5, bytes}}; }
QByteArray H(const char *hex) { return QByteArray::fromHex(hex); }
QByteArray F(const char *data) { return dataFrame(data); }
const Reaction kAck = in(H("06")), kEot = in(H("04")), kSilence;

// A link on a fake port whose terminal plays the given reactions, one per write.
struct Rig {
    explicit Rig(const QList<Reaction> &reactions = {}, qint32 timeout = 2000)
    {
        for (const auto &r : reactions)
            device.then(r);
        auto owned = std::make_unique<FakePort>(&device);
        port = owned.get();
        vx = std::make_unique<vx::TerminalLink>(std::move(owned));
        vx->setErrorHandler([this](const Failure &e) { reports.append(e); });
        vx->setTimeout(timeout);
    }
    ScriptDevice device;
    FakePort *port = nullptr;
    std::unique_ptr<vx::TerminalLink> vx;
    QList<Failure> reports;
};

Op number(Query q) { return [q](vx::TerminalLink &vx) { qint16 n = -9; (vx.*q)(0, n); return QString::number(n); }; }
Op text(Text q) { return [q](vx::TerminalLink &vx) { QString s = "old"; (vx.*q)(0, s); return s; }; }
Op station(Item q) { return [q](vx::TerminalLink &vx) { QString s = "old"; (vx.*q)(s); return s; }; }
Op command(Command c) { return [c](vx::TerminalLink &vx) { (vx.*c)(0); return QString(); }; }
Op setTime(QDateTime t = QDateTime(QDate(2009, 1, 5), QTime(7, 8, 9))) { return [t](vx::TerminalLink &vx) { vx.setTime(10, t); return QString(); }; }
// "code after the begin command:items delivered/output after the last call"
Op stream(Command begin = &vx::TerminalLink::beginDownload, Item item = &vx::TerminalLink::nextRecord)
{
    return [=](vx::TerminalLink &vx) {
        (vx.*begin)(0);
        const qint32 afterBegin = vx.status();
        QStringList got;
        QString s = "old";
        for ((vx.*item)(s); vx.status() == VX_SUCCESS; (vx.*item)(s))
            got << s;
        return QStringLiteral("%1:%2/%3").arg(afterBegin).arg(got.join('|'), s);
    };
}
QString readClock(vx::TerminalLink &vx)
{
    QDateTime when(QDate(2001, 2, 3), QTime(4, 5, 6));
    vx.readTime(0, when);
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

TEST(Link, EveryOperationAndReplyOnTheLine)
{
    // Only the low byte of a machine number goes out: -246 is 0xFF0A.
    const Op setId = [](vx::TerminalLink &vx) { vx.setMachineNumber(0, -246); return QString(); };
    // a name, the operation, the terminal's replies, everything the host sent
    // in order, the status, the operation's result, the failures reported
    // (a moment that daylight saving skips, set and read: vx500ctl's set-time
    // and time in the CommandsAgainstTheTerminal test)
    const QList<std::tuple<const char *, Op, QList<Reaction>, QByteArray, qint32, QString, int>> rows = {
        {"count", number(&vx::TerminalLink::readRecordCount), {in(F("13.5")), kEot}, "\x05" "00A" "\x06", 0, "14", 0},
        {"count overflow", number(&vx::TerminalLink::readRecordCount), {in(F("99999")), kEot}, "\x05" "00A" "\x06", -6, "-9", 1},
        {"tag count", number(&vx::TerminalLink::readTagCount), {in(F("2")), kEot}, "\x05" "00B" "\x06", 0, "2", 0},
        {"machine number", number(&vx::TerminalLink::readMachineNumber), {in(F("FFFF")), kEot}, "\x05" "00Q" "\x06", 0, "-1", 0},
        {"machine number overflow", number(&vx::TerminalLink::readMachineNumber), {in(F("12345")), kEot}, "\x05" "00Q" "\x06", -6, "-9", 1},
        {"version", text(&vx::TerminalLink::readVersion), {in(F(" VX500A v2.1 ")), kEot}, "\x05" "00V" "\x06", 0, " VX500A v2.1 ", 0},
        {"voltage", text(&vx::TerminalLink::readVoltage), {in(F("3.9V")), kEot}, "\x05" "00B" "\x06", 0, "3.9V", 0},
        {"no EOT after the ACK", readClock, {in(F("20090105070809")), kAck}, "\x05" "00T" "\x06", -5, "2001-02-03 04:05:06", 0},
        {"clock", readClock, {in(F("20081231235959")), kEot}, "\x05" "00T" "\x06", 0, "2008-12-31 23:59:59", 0},
        {"impossible clock", readClock, {in(F("20081231256060")), kEot}, "\x05" "00T" "\x06", -6, "2001-02-03 04:05:06", 1},
        {"short clock", readClock, {in(F("2008123123")), kEot}, "\x05" "00T" "\x06", -6, "2001-02-03 04:05:06", 1},
        {"set time", setTime(), {kAck, kAck}, "\x05" "0AS" "\x02" "20090105070809" "\x03" "\x09" "\x04", 0, "", 0},
        {"set no time", setTime(QDateTime()), {}, "", -6, "", 1},
        {"set time refused", setTime(), {in(H("1506"))}, "\x05" "0AS", -3, "", 0},
        {"set id", setId, {kAck, kAck}, "\x05" "00P" "\x02" "0A" "\x03" "\x71" "\x04", 0, "", 0},
        {"set id, second ACK missing", setId, {kAck, kSilence}, "\x05" "00P" "\x02" "0A" "\x03" "\x71", -1, "", 0},
        {"clear", command(&vx::TerminalLink::clearData), {kAck}, "\x05" "00D" "\x04", 0, "", 0},
        {"recover refused", command(&vx::TerminalLink::recoverData), {in(H("15"))}, "\x05" "00M", -3, "", 0},
        {"power down", command(&vx::TerminalLink::powerDown), {kAck}, "\x05" "00O", 0, "", 0},
        {"self-test", command(&vx::TerminalLink::runSelfTest), {}, "\x05" "00Z", 0, "", 0},
        {"tag upload", [](vx::TerminalLink &vx) { vx.beginTagUpload(0); vx.sendTagCode(0, "12AB34CD56");
             vx.sendTagCode(-12, "\u00e9"); vx.endTagUpload(); return QString(); }, {kAck, kAck, kAck},
         "\x05" "00K" "\x02" "0000012AB34CD56" "\x03" "\x33" "\x02" "-00012\xe9" "\x03" "\xf7" "\x04", 0, "", 0},
        {"station version", station(&vx::TerminalLink::readStationVersion), {in(F("DS90 V1.02 "))}, "\x05" "B00V\r", 0, "DS90 V1.02 ", 0},
        {"station information", station(&vx::TerminalLink::readStationInformation), {kEot}, "\x05" "B00N\r", 1, "old", 0},
        // Streams: only an EOT as the first byte of a reply ends one.
        {"records", stream(), {in(F("0001,A")), in(F("0002,B")), kEot},
         "\x05" "00I" "\x06" "\x06", 1, "0:0001,A|0002,B/0002,B", 0},
        {"tags", stream(&vx::TerminalLink::beginTagDownload, &vx::TerminalLink::nextTagCode), {in(F("00001AAA")), kEot},
         "\x05" "00J" "\x06", 1, "0:00001AAA/00001AAA", 0},
        {"EOT first, anything after", stream(), {in(H("0402310331"))}, "\x05" "00I", 1, "0:/old", 0},
        {"frame in two reads", stream(), {{{5, H("0231")}, {60, H("320303")}}, kEot}, "\x05" "00I" "\x06", 1, "0:12/12", 0},
        {"wrong check byte", stream(), {in(H("0231320300"))}, "\x05" "00I", -4, "0:/old", 0},
        {"empty frame", stream(), {in(H("020300"))}, "\x05" "00I", -4, "0:/old", 0},
        {"EOT in place of a record byte", stream(), {in(H("02303030042C41036C"))}, "\x05" "00I", -4, "0:/old", 0},
        {"EOT inside a frame, then silence", stream(), {in(H("023104"))}, "\x05" "00I", -1, "0:/old", 0},
        {"byte after the check byte", stream(), {in(H("0231033104"))}, "\x05" "00I", -4, "0:/old", 0},
        {"other first byte, then EOT", stream(), {in(H("FF04"))}, "\x05" "00I", -4, "0:/old", 0},
        {"frame without its check byte", stream(), {in(H("02313203"))}, "\x05" "00I", -1, "0:/old", 0},
        {"a reply longer than any frame", stream(), {in(H("02") + QByteArray(70000, '1'))}, "\x05" "00I", -4, "0:/old", 0},
    };
    for (const auto &[name, op, replies, writes, status, result, reports] : rows) {
        SCOPED_TRACE(name);
        Rig rig(replies);
        // Every exchange leaves its own status: each row starts from a stale one.
        rig.port->failOpen({FailureKind::PortMissing, QStringLiteral("stale")});
        qint16 unused = 0;
        rig.vx->readRecordCount(0, unused);
        rig.reports.clear();
        EXPECT_EQ(op(*rig.vx), result);
        EXPECT_EQ(rig.vx->status(), status);
        EXPECT_EQ(rig.port->writtenBytes(), writes);
        EXPECT_EQ(rig.reports.size(), reports);
        EXPECT_LT(rig.port->now(), status == VX_ERR_TIMEOUT ? 2100 : 100); // failures show at once
        for (const auto &w : rig.port->writes())
            EXPECT_EQ(w.settings, w.bytes.startsWith("\x05" "B") ? "9600,n,8,1" : "19200,n,8,1");
        EXPECT_EQ(rig.port->settings(), "19200,n,8,1");
    }
}

TEST(Link, TheBudgetCountsSilentPollsOfMoreThanTwentyMilliseconds)
{
    // the budget, the gap before each byte of the reply frame, the length of
    // its data (0: no reply at all), the status, the time taken: at least, below
    const QList<std::tuple<qint32, qint64, int, qint32, qint64, qint64>> rows = {
        {3000, 0, 0, VX_ERR_TIMEOUT, 3001, 3020},  // 150 silent polls
        {10, 0, 0, VX_ERR_TIMEOUT, 21, 40},        // below one poll: still one
        {-5000, 0, 0, VX_ERR_TIMEOUT, 21, 40},
        {20, 20, 6, VX_SUCCESS, 180, 200},         // 20 ms is no silent poll
        {20, 21, 6, VX_ERR_TIMEOUT, 21, 60},
        {2000, 15, 200, VX_SUCCESS, 3045, 3100},   // a long reply is no silence
        {2000, 30, 150, VX_ERR_TIMEOUT, 2991, 3000}, // silence adds up over one reply
        {700000, 150000, 1, VX_SUCCESS, 600000, 600100}, // more polls than 16 bits hold
    };
    for (const auto &[timeout, gap, length, status, atLeast, below] : rows) {
        SCOPED_TRACE(testing::Message() << timeout << " ms, " << gap << " ms gaps");
        Reaction reply;
        for (char c : F(QByteArray(length, 'x').constData()))
            reply.append({gap, QByteArray(1, c)});
        Rig rig({length ? reply : kSilence, kEot}, timeout);
        QString version;
        rig.vx->readVersion(0, version);
        EXPECT_EQ(rig.vx->status(), status);
        EXPECT_EQ(version, status ? "" : QString(length, 'x'));
        EXPECT_GE(rig.port->now(), atLeast);
        EXPECT_LT(rig.port->now(), below);
    }
}

TEST(Link, PortOpensOnceAndChangesOnlyBetweenOperations)
{
    // (COMn or a path given by name: vx500ctl's --port; a stray byte before
    // a command: PtyAdapter.)
    Rig rig({kAck, kAck, kSilence});
    QList<int> asked;
    rig.vx->setPortResolver([&](int n) { asked << n; return QStringLiteral("/dev/mapped%1").arg(n); });
    rig.vx->powerDown(0);
    rig.vx->powerDown(0);
    EXPECT_EQ(rig.port->openCount(), 1);
    rig.vx->setCommPort(3); // closes; the next command opens the new device
    EXPECT_FALSE(rig.port->isOpen());
    EXPECT_EQ(rig.vx->portName(), "/dev/mapped3");
    EXPECT_EQ(asked, QList<int>({3}));
    rig.vx->setPortResolver({});
    rig.vx->setCommPort(2);
    EXPECT_EQ(rig.vx->portName(), defaultCommPort(2));
    rig.vx->powerDown(0);
    EXPECT_EQ(rig.vx->status(), VX_ERR_TIMEOUT);
    EXPECT_EQ(rig.port->openCount(), 2);
    EXPECT_EQ(rig.vx->statusText(), "VX_ERR_TIMEOUT");
    EXPECT_EQ(rig.vx->statusText(VX_ERR_INVALID_BCC), "VX_ERR_INVALID_BCC");
}

TEST(Link, AFailedWriteClosesThePortAndDeliversNothing)
{
    Rig rig({in(F("0001,A")), kAck});
    rig.vx->beginDownload(0);
    rig.port->failWrite({FailureKind::PortIo, "write failed"}); // the ACK of the record
    QString data = "old";
    rig.vx->nextRecord(data);
    EXPECT_EQ(rig.vx->status(), VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(data, "old"); // the terminal still holds it
    ASSERT_EQ(rig.reports.size(), 1);
    EXPECT_EQ(rig.reports[0].kind, FailureKind::PortIo);
    EXPECT_FALSE(rig.port->isOpen());
    // Stream calls do not open the port; the next command does.
    rig.vx->nextRecord(data);
    rig.vx->sendTagCode(1, "Z");
    EXPECT_EQ(rig.vx->status(), VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(rig.port->openCount(), 1);
    rig.vx->clearData(0);
    EXPECT_EQ(rig.vx->status(), VX_SUCCESS);
    EXPECT_EQ(rig.reports.size(), 1);
    // (The far end going away in the middle of an exchange: the fault
    // table's line closed after record 5, SimProgram's pulled cable.)

    // Without a handler a failure goes to the warning log.
    rig.vx->setErrorHandler({});
    rig.port->failOpen({FailureKind::PortMissing, "/dev/fake0: no such device"});
    rig.vx->closePort();
    static QStringList warnings;
    const auto previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) { warnings << text; });
    rig.vx->powerDown(0);
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings, QStringList({"8002 /dev/fake0: no such device"}));
}
