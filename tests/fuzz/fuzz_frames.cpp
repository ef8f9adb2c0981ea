// Arbitrary bytes, in arbitrary pieces and silences, as the terminal's
// answers to every exchange shape: never a crash, never an endless wait,
// always one of the defined statuses.
#include "FakePort.h"
#include "ucVX300_500.h"

#include <QCoreApplication>
#include <cstdlib>

using namespace vx;
using namespace vx::test;

namespace {

// Input layout: pieces of [delay byte][length byte][bytes...]; the delay is
// in units of 7 ms so silences longer than a poll happen.
QList<ScriptDevice::Piece> piecesOf(const uint8_t *data, size_t size)
{
    QList<ScriptDevice::Piece> pieces;
    size_t i = 0;
    while (i + 2 <= size) {
        const qint64 delay = data[i] * 7;
        const size_t len = std::min<size_t>(data[i + 1], size - i - 2);
        pieces.append({delay, QByteArray(reinterpret_cast<const char *>(data + i + 2), qsizetype(len))});
        i += 2 + len;
    }
    return pieces;
}

bool defined(qint32 code) { return code >= VX_ERR_INVALID_DATA && code <= VX_END_OF_STREAM; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static int argc = 1;
    static char name[] = "fuzz_frames";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const uint8_t op = data[0] % 6;
    ScriptDevice device;
    auto owned = std::make_unique<FakePort>(&device);
    FakePort *port = owned.get();
    ucVX300_500 link(std::move(owned));
    link.SetPortName(QStringLiteral("/dev/fuzz"));
    link.SetErrorHandler([](const RuntimeError &) {});
    link.Timeout(200);
    const auto pieces = piecesOf(data + 1, size - 1);
    // Every write gets the same stream; only the first reaction matters to most shapes.
    for (int i = 0; i < 4; ++i)
        device.then(pieces);

    QString text;
    qint16 number = 0;
    QDateTime when;
    switch (op) {
    case 0: link.BeginDownload(0); link.GetRecord(text); break;
    case 1: link.PowerDown(0); break;                        // WaitACK
    case 2: link.GetVersion(0, text); break;                  // ReceiveFrame, WaitEOT
    case 3: link.GetTime(0, when); break;
    case 4: link.GetRecordCount(0, number); break;
    case 5: link.SetID(0, 7); break;
    }
    if (!defined(link.ErrCode()))
        std::abort();
    // Silence is bounded by the budget; a reply is bounded by its own pieces.
    qint64 bound = 0;
    for (const auto &p : pieces)
        bound += p.delay;
    if (port->now() > 4 * (bound + 1000))
        std::abort();
    return 0;
}
