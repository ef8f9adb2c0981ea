// A record download over a line that damages the terminal's replies as the
// input says: flipped bits, inserted and dropped bytes, replies split by a
// pause, replies that never come. The oracle is a reference decoder over the
// bytes the link read during each GetRecord call: a record is delivered (and
// acknowledged) only when those bytes are exactly one well-formed frame, and
// the stream ends only when their first byte is EOT. (An XOR check cannot
// see two flips of one bit: "intact" is what the line shows.)
#include "FakePort.h"
#include "terminal/Frame.h"
#include "terminal/TerminalLink.h"

#include <QCoreApplication>
#include <cstdlib>

using namespace vx;
using namespace vx::test;

namespace {

// The fake port with a log of every byte the link read.
struct LoggingPort : FakePort {
    using FakePort::FakePort;
    QByteArray readAll() override
    {
        const QByteArray bytes = FakePort::readAll();
        log += bytes;
        return bytes;
    }
    QByteArray log;
};

// Status and data a sound link gives for the whole of one reply's bytes.
std::pair<int, QByteArray> reference(const QByteArray &b)
{
    if (b.isEmpty())
        return {-1, {}};
    if (b[0] != 0x02)
        return {b[0] == 0x04 ? 1 : -4, {}};
    int etx = 1;
    while (etx < b.size() && b[etx] != 0x03)
        ++etx;
    if (etx + 1 >= b.size())
        return {-1, {}}; // the frame or its check byte never came
    if (etx == 1 || etx + 2 < b.size())
        return {-4, {}};
    char x = 0;
    for (int i = 1; i < etx; ++i)
        x ^= b[i];
    return x == b[etx + 1] ? std::pair{0, b.mid(1, etx - 1)} : std::pair{-4, QByteArray()};
}

struct Sent {
    QByteArray bytes;
    qsizetype split = -1; // the rest comes after `pause` ms
    qint64 pause = 0;
    bool silent = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_frames";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size < 1)
        return 0;
    // data[0]: how many records; then edits of four bytes: reply, kind, position, value.
    QList<Sent> replies;
    for (int i = 0; i < data[0] % 6; ++i)
        replies.append({dataFrame(QByteArray::number(1000 + i) + ",A;b")});
    replies.append({QByteArray(1, EOT)});
    for (size_t i = 1; i + 4 <= size; i += 4) {
        Sent &r = replies[data[i] % replies.size()];
        const qsizetype at = data[i + 2] % (r.bytes.size() + 1);
        const uint8_t v = data[i + 3];
        switch (data[i + 1] % 5) {
        case 0: if (at < r.bytes.size()) r.bytes[at] = char(r.bytes[at] ^ (1 << (v % 8))); break;
        case 1: r.bytes.insert(at, char(v)); break;
        case 2: if (at < r.bytes.size()) r.bytes.remove(at, 1); break;
        case 3: r.split = at; r.pause = v * 9; break; // up to 2.3 s, the budget is 200 ms
        case 4: r.silent = true; break;
        }
    }
    ScriptDevice device;
    for (const Sent &r : replies) {
        if (r.silent)
            device.silence();
        else if (r.split > 0 && r.split < r.bytes.size())
            device.then({{5, r.bytes.left(r.split)}, {r.pause, r.bytes.mid(r.split)}});
        else
            device.then(r.bytes);
    }
    auto owned = std::make_unique<LoggingPort>(&device);
    LoggingPort *port = owned.get();
    vx::TerminalLink link(std::move(owned));
    link.setPortName(QStringLiteral("/dev/fuzz"));
    link.setTimeout(200);
    link.beginDownload(0);
    int delivered = 0;
    do {
        const qsizetype from = port->log.size();
        QString got = QStringLiteral("untouched");
        link.nextRecord(got);
        const auto [status, frame] = reference(port->log.mid(from));
        if (link.status() != status || got != (status == 0 ? fromLine(frame) : QStringLiteral("untouched")))
            std::abort();
        delivered += status == 0;
    } while (link.status() == VX_SUCCESS);
    // The command, then one ACK per record delivered and nothing else.
    if (port->writtenBytes() != QByteArray("\x05" "00I") + QByteArray(delivered, ACK))
        std::abort();
    // An undamaged line delivers every record.
    if (size < 5 && (delivered != replies.size() - 1 || link.status() != VX_END_OF_STREAM))
        std::abort();
    return 0;
}
